#pragma once
#include "mcp/MCPConfig.h"

#include <QFuture>
#include <QString>

// The application's writer of the MCP configuration file (~/.local/share/TavoOrlune/config.json).
// One instance serves every caller. The asynchronous operations run one at a time on the tool
// runtime's thread, so two changes never overwrite each other; attach continuations with
// future.then(context, ...) / onFailed(context, ...) to get the answer on the caller's thread.
// A missing file is first created from the shipped default configuration (empty when there is
// none). The synchronous "Now" forms do the same work on the calling thread.
class MCPConfigManager {
public:
    static MCPConfigManager &shared();

    const QString configFileName = QStringLiteral("config.json");
    const QString appName = QStringLiteral("TavoOrlune");

    // Sets the entry of name to the proxy command for url (replacing one of the same name).
    QFuture<void> addServer(const QString &name, const QString &url);
    QFuture<void> addPerplexityServerIfNeeded();
    // Removes the entry of name when there is one; the file is rewritten either way.
    QFuture<void> removeServer(const QString &name);
    QFuture<bool> isServerInstalled(const QString &name);
    // Logs the path and the configuration; never fails.
    QFuture<void> printConfig();

    QString configFilePath() const;
    std::optional<MCPConfig> loadDefaultConfig() const;
    McpResult<void> writeConfig(const MCPConfig &config, const QString &path) const;
    McpResult<MCPConfig> loadConfig() const;

    McpResult<void> addServerNow(const QString &name, const QString &url);
    McpResult<void> addPerplexityServerIfNeededNow();
    McpResult<void> removeServerNow(const QString &name);
    McpResult<bool> isServerInstalledNow(const QString &name);
    void printConfigNow();

    // The proxy's arguments for a server URL: the URL, "--transport", "sse-first", and
    // "--allow-http" for plain http to a host other than localhost and 127.0.0.1.
    static QStringList remoteArguments(const QString &url);
    static QString perplexityServerURL();

private:
    MCPConfigManager() = default;
    McpResult<void> save(const MCPConfig &config);
};
