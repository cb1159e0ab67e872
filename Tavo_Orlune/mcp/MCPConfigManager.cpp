#include "mcp/MCPConfigManager.h"

#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "Controller/mcp/ToolRuntime.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

// The raw scheme and host of a URL: QUrl lowercases both, and the rule compares them exactly.
void rawSchemeAndHost(const QString &url, QString *scheme, QString *host)
{
    const qsizetype colon = url.indexOf(QLatin1Char(':'));
    *scheme = colon < 0 ? QString() : url.left(colon);
    host->clear();
    if (colon < 0 || url.mid(colon + 1, 2) != QLatin1String("//"))
        return;
    QString authority = url.mid(colon + 3);
    const qsizetype end = authority.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    if (end >= 0)
        authority.truncate(end);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        authority.remove(0, at + 1);
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        *host = close < 0 ? authority : authority.left(close + 1);
        return;
    }
    const qsizetype portColon = authority.indexOf(QLatin1Char(':'));
    *host = portColon < 0 ? authority : authority.left(portColon);
}

} // namespace

MCPConfigManager &MCPConfigManager::shared()
{
    static MCPConfigManager manager;
    return manager;
}

QString MCPConfigManager::configFilePath() const
{
    const QString base = AppPaths::applicationSupportDir();
    if (base.isEmpty())
        return {};
    return base + QLatin1Char('/') + appName + QLatin1Char('/') + configFileName;
}

QStringList MCPConfigManager::remoteArguments(const QString &url)
{
    QStringList args{url, QStringLiteral("--transport"), QStringLiteral("sse-first")};
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return args;
    QString scheme, host;
    rawSchemeAndHost(url, &scheme, &host);
    if (scheme == QLatin1String("http") && host != QLatin1String("localhost") && host != QLatin1String("127.0.0.1"))
        args.append(QStringLiteral("--allow-http"));
    return args;
}

QString MCPConfigManager::perplexityServerURL()
{
    const QString configured = AppInfo::instance().configured(QStringLiteral("MCPPerplexityServerURL"), "TAVO_MCP_PERPLEXITY_URL");
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("https://mcp.pipedream.net/5b2e8d71-0c4a-4f93-9e16-a7d3c08b5f24/perplexity");
}

std::optional<MCPConfig> MCPConfigManager::loadDefaultConfig() const
{
    // Only the shipped resource: no copy of the configuration is ever kept beside the
    // installation, where another user of a shared installation could read it.
    QFile resource(McpConfigLocation::defaultResourcePath());
    if (!resource.open(QIODevice::ReadOnly))
        return std::nullopt;
    auto decoded = MCPConfig::decode(resource.readAll());
    if (!decoded.ok())
        return std::nullopt;
    return decoded.value();
}

McpResult<void> MCPConfigManager::writeConfig(const MCPConfig &config, const QString &path) const
{
    const QByteArray bytes = config.encode();
    const QString dir = QFileInfo(path).absolutePath();
    if (!AppPaths::ensurePrivateDir(dir))
        return MCPError(QStringLiteral("Could not create the folder %1").arg(dir), QStringLiteral("FileError"), 513);
    QString error;
    if (!AppPaths::writePrivateFile(path, bytes, &error))
        return MCPError(QStringLiteral("Could not write %1: %2").arg(path, error), QStringLiteral("FileError"), 512);
    return {};
}

McpResult<MCPConfig> MCPConfigManager::loadConfig() const
{
    const QString path = configFilePath();
    if (path.isEmpty())
        return MCPError(QStringLiteral("Could not access Application Support directory"), QStringLiteral("MCPConfigManager"), 1);
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return MCPError(QStringLiteral("Could not read %1: %2").arg(path, file.errorString()), QStringLiteral("FileError"), 257);
        return MCPConfig::decode(file.readAll());
    }
    MCPConfig config = loadDefaultConfig().value_or(MCPConfig{});
    auto written = writeConfig(config, path);
    if (!written.ok())
        return written.error();
    return config;
}

McpResult<void> MCPConfigManager::save(const MCPConfig &config)
{
    auto written = writeConfig(config, configFilePath());
    if (!written.ok())
        return written;
    printConfigNow();
    return {};
}

McpResult<void> MCPConfigManager::addServerNow(const QString &name, const QString &url)
{
    auto loaded = loadConfig();
    if (!loaded.ok())
        return loaded.error();
    MCPConfig config = loaded.value();
    config.mcpServers.insert(name, MCPServerConfig{QStringLiteral("mcp-remote"), remoteArguments(url), std::nullopt});
    return save(config);
}

McpResult<void> MCPConfigManager::removeServerNow(const QString &name)
{
    auto loaded = loadConfig();
    if (!loaded.ok())
        return loaded.error();
    MCPConfig config = loaded.value();
    config.mcpServers.remove(name);
    return save(config);
}

McpResult<bool> MCPConfigManager::isServerInstalledNow(const QString &name)
{
    auto loaded = loadConfig();
    if (!loaded.ok())
        return loaded.error();
    return loaded.value().mcpServers.contains(name);
}

McpResult<void> MCPConfigManager::addPerplexityServerIfNeededNow()
{
    const QString name = QStringLiteral("Perplexity");
    auto installed = isServerInstalledNow(name);
    if (!installed.ok())
        return installed.error();
    if (installed.value()) {
        Log::line(QStringLiteral("ℹ️ Perplexity server is already installed"));
        return {};
    }
    auto added = addServerNow(name, perplexityServerURL());
    if (!added.ok())
        return added;
    Log::line(QStringLiteral("✅ Added Perplexity server to MCP config"));
    return {};
}

void MCPConfigManager::printConfigNow()
{
    const QString path = configFilePath();
    auto loaded = loadConfig();
    if (!loaded.ok()) {
        Log::line(QStringLiteral("Error reading config: %1").arg(loaded.error().localizedDescription()));
        return;
    }
    Log::line(QStringLiteral("Config file path: %1").arg(path));
    // Names only: arguments carry addresses and "env" carries keys. Even debug logging shows
    // the names of the variables, never their values.
    const auto &servers = loaded.value().mcpServers;
    Log::line(QStringLiteral("Config has %1 servers: %2").arg(servers.size()).arg(servers.keys().join(QStringLiteral(", "))));
    for (auto it = servers.begin(); it != servers.end(); ++it) {
        const QStringList envNames = it->env ? it->env->keys() : QStringList();
        Log::debug(QStringLiteral("  %1: %2 %3 (env: %4)")
                       .arg(it.key(), it->command, Log::content(it->args.join(QLatin1Char(' ')), 500), envNames.join(QStringLiteral(", "))));
    }
}

QFuture<void> MCPConfigManager::addServer(const QString &name, const QString &url)
{
    return runOnToolRuntime<void>([this, name, url](McpCallback<void> done) { done(addServerNow(name, url)); });
}

QFuture<void> MCPConfigManager::addPerplexityServerIfNeeded()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(addPerplexityServerIfNeededNow()); });
}

QFuture<void> MCPConfigManager::removeServer(const QString &name)
{
    return runOnToolRuntime<void>([this, name](McpCallback<void> done) { done(removeServerNow(name)); });
}

QFuture<bool> MCPConfigManager::isServerInstalled(const QString &name)
{
    return runOnToolRuntime<bool>([this, name](McpCallback<bool> done) { done(isServerInstalledNow(name)); });
}

QFuture<void> MCPConfigManager::printConfig()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) {
        printConfigNow();
        done({});
    });
}
