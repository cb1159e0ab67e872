#include "Controller/mcp/MCPClientManager.h"

#include "Platform/AppPaths.h"
#include "Controller/mcp/ChildProcesses.h"
#include "Controller/mcp/LocalSockets.h"
#include "Platform/Log.h"
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "Platform/NotificationCenter.h"
#include "Controller/mcp/RemoteMCPClient.h"
#include "Platform/Scheduler.h"
#include "Controller/mcp/StandardMCPClient.h"
#include "Controller/mcp/ToolRepository.h"
#include "Controller/mcp/ToolRuntime.h"
#include "Platform/UuidText.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

QString notFound(const QString &toolName)
{
    return QStringLiteral("Tool \"%1\" not found").arg(toolName);
}

QString describe(const QVariant &value)
{
    const QJsonValue json = QJsonValue::fromVariant(value);
    if (json.isObject())
        return QString::fromUtf8(QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact));
    if (json.isArray())
        return QString::fromUtf8(QJsonDocument(json.toArray()).toJson(QJsonDocument::Compact));
    return value.toString();
}

} // namespace

MCPClientManager &MCPClientManager::shared()
{
    static MCPClientManager *manager = [] {
        auto *m = new MCPClientManager(false);
        m->moveToThread(ToolRuntime::instance().thread());
        return m;
    }();
    return *manager;
}

MCPClientManager::MCPClientManager(bool warn)
{
    if (warn)
        Log::line(QStringLiteral("⚠️ [MCPClientManager] Using shared instance is recommended"));
}

QString MCPClientManager::sanitizedClientName(const QString &name)
{
    QString spaced = name;
    spaced.replace(QLatin1Char(' '), QLatin1Char('_'));
    QString out;
    out.reserve(spaced.size());
    for (const char32_t cp : spaced.toUcs4()) {
        const bool keep = (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == '_' || cp == '-';
        out += keep ? QChar(char16_t(cp)) : QLatin1Char('_');
    }
    return out;
}

QString MCPClientManager::toolKey(const QString &toolName, const QString &clientName)
{
    return toolName + QStringLiteral("-_-") + sanitizedClientName(clientName);
}

McpResult<QMap<QString, McpServerConfiguration>> MCPClientManager::loadConfiguration() const
{
    const QString path = McpConfigLocation::configFilePath();
    if (path.isEmpty())
        return MCPError(QStringLiteral("Could not access Application Support directory"), QStringLiteral("MCPClientManager"), 1);
    QFile file(path);
    if (!file.exists())
        return MCPError(QStringLiteral("MCP config not found at %1").arg(path), QStringLiteral("MCPClientManager"), 2);
    if (!file.open(QIODevice::ReadOnly))
        return MCPError(QStringLiteral("Could not read %1: %2").arg(path, file.errorString()), QStringLiteral("FileError"), 257);
    const QByteArray bytes = file.readAll();
    Log::line(QStringLiteral("📖 [MCPClientManager] Loading config from Application Support: %1").arg(path));
    auto decoded = McpServerConfigurationCollection::decode(bytes);
    if (!decoded.ok())
        return decoded.error();
    return decoded.value().mcpServers;
}

McpResult<void> MCPClientManager::reloadConfigurationOnRuntime()
{
    auto loaded = loadConfiguration();
    if (!loaded.ok())
        return loaded.error();
    m_lazyClientConfigs = loaded.value();
    Log::line(QStringLiteral("🔄 [MCPClientManager] Configuration reloaded from disk"));
    m_isManagerInitialized = true;
    return {};
}

void MCPClientManager::initializeOnRuntime(bool forceReset, McpCallback<void> done)
{
    if (m_isManagerInitialized && !forceReset) {
        Log::line(QStringLiteral("ℹ️ [MCPClientManager] Already initialized – skipping reinitialization (forceReset = false)"));
        done({});
        return;
    }
    auto loaded = loadConfiguration();
    if (!loaded.ok()) {
        done(loaded.error());
        return;
    }
    if (loaded.value().isEmpty()) {
        done({});
        return;
    }
    // Clients held until now are dropped; their processes must not outlive them.
    const auto dropped = m_clients.values() + m_initializingClients.values();
    for (const MCPClientPtr &client : dropped)
        client->disconnect([] {});
    m_clients.clear();
    m_initializingClients.clear();
    m_toolsByClient.clear();
    m_lazyClientConfigs.clear();
    m_tools.clear();
    m_lazyInitializedClients.clear();
    m_isManagerInitialized = false;
    ++m_generation;
    for (auto it = loaded.value().begin(); it != loaded.value().end(); ++it) {
        m_lazyClientConfigs.insert(it.key(), it.value());
        Log::line(QStringLiteral("📋 [MCPClientManager] Stored lazy config for client: %1").arg(it.key()));
    }
    Log::line(QStringLiteral("🪄 [MCPClientManager] Lazy loading enabled - %1 clients will be initialized on demand").arg(m_lazyClientConfigs.size()));
    m_isManagerInitialized = true;
    done({});
}

void MCPClientManager::postInitEvent(const QString &kind, const QString &clientName, const QString &message)
{
    QVariantMap info{{QStringLiteral("event"), kind}, {QStringLiteral("client_name"), clientName}};
    if (!message.isNull())
        info.insert(QStringLiteral("error_message"), message);
    NotificationCenter::defaultCenter().post(QStringLiteral("MCPClientInitEvent"), {}, info);
}

void MCPClientManager::postReloadEvent(const QString &kind, const QString &clientName, const QString &message)
{
    QVariantMap info{{QStringLiteral("event"), kind}, {QStringLiteral("client_name"), clientName}};
    if (!message.isNull())
        info.insert(QStringLiteral("error_message"), message);
    NotificationCenter::defaultCenter().post(QStringLiteral("MCPConfigReloadEvent"), {}, info);
}

void MCPClientManager::finishStart(const QString &name)
{
    const auto waiters = m_starting.take(name);
    if (!waiters.isEmpty())
        Log::line(QStringLiteral("✅ [ensureClientInitialized] Client '%1' initialization completed by another task").arg(name));
    for (const auto &waiter : waiters)
        waiter();
}

void MCPClientManager::dropDeadClient(const QString &name)
{
    const MCPClientPtr client = m_clients.value(name);
    if (!client || client->isAlive())
        return;
    Log::line(QStringLiteral("⚠️ [MCPClientManager] The connection to '%1' has ended; it starts again on this use").arg(name));
    m_clients.remove(name);
    m_lazyInitializedClients.remove(name);
    m_toolsByClient.remove(name);
    m_tools.clear();
    for (const auto &tools : std::as_const(m_toolsByClient))
        m_tools.append(tools);
    client->disconnect([] {}); // stops whatever is left of its process
}

void MCPClientManager::ensureClientInitializedOnRuntime(const QString &name, McpCallback<void> done)
{
    dropDeadClient(name);
    if (m_clients.contains(name) || m_lazyInitializedClients.contains(name)) {
        Log::line(QStringLiteral("✅ [ensureClientInitialized] Client '%1' is already initialized").arg(name));
        done({});
        return;
    }
    if (m_starting.contains(name)) {
        // Whatever the other start's outcome, this request goes on; the caller looks the
        // client up afterwards.
        Log::line(QStringLiteral("⏳ [ensureClientInitialized] Client '%1' is currently initializing, waiting...").arg(name));
        m_starting[name].append([done] { done({}); });
        return;
    }
    postInitEvent(QStringLiteral("attempted"), name);
    if (!m_lazyClientConfigs.contains(name)) {
        Log::line(QStringLiteral("⚠️ [ensureClientInitialized] No config found for '%1'. Attempting to reload configuration…").arg(name));
        postReloadEvent(QStringLiteral("attempted"), name);
        auto loaded = loadConfiguration();
        if (loaded.ok()) {
            m_lazyClientConfigs = loaded.value();
            Log::line(QStringLiteral("🔄 [MCPClientManager] Configuration reloaded from disk"));
            m_isManagerInitialized = true;
            postReloadEvent(QStringLiteral("succeeded"), name);
        } else {
            Log::line(QStringLiteral("❌ [ensureClientInitialized] Failed to reload configuration: %1").arg(loaded.error().message()));
            postReloadEvent(QStringLiteral("failed"), name, loaded.error().localizedDescription());
        }
        if (!m_lazyClientConfigs.contains(name)) {
            done(MCPError(QStringLiteral("No configuration found for client: %1").arg(name), QStringLiteral("MCPClientManager"), 3));
            return;
        }
        Log::line(QStringLiteral("✅ [ensureClientInitialized] Found config for '%1' after reload").arg(name));
    }
    Log::line(QStringLiteral("🚀 [ensureClientInitialized] Starting lazy initialization for client: %1").arg(name));
    Log::line(QStringLiteral("🔧 [ensureClientInitialized] Creating client for: %1").arg(name));
    // Marked before the client exists, so that a second request waits instead of launching
    // a second process.
    m_starting.insert(name, {});
    const quint64 generation = m_generation;
    QPointer<MCPClientManager> self(this);
    createClient(name, m_lazyClientConfigs.value(name), [self, name, generation, done](McpResult<MCPClientPtr> created) {
        if (!self)
            return;
        if (!created.ok()) {
            self->finishStart(name);
            done(created.error());
            return;
        }
        MCPClientPtr client = created.value();
        if (generation != self->m_generation) {
            // closeAllClients ran meanwhile: this client is not wanted any more.
            client->disconnect([] {});
            self->finishStart(name);
            done(MCPError(QStringLiteral("Client '%1' was closed while it started").arg(name)));
            return;
        }
        Log::line(QStringLiteral("✅ [ensureClientInitialized] Client created for: %1").arg(name));
        self->m_initializingClients.insert(name, client);
        Log::line(QStringLiteral("📝 [ensureClientInitialized] Client '%1' added to initializing list").arg(name));
        Log::line(QStringLiteral("🔄 [ensureClientInitialized] Initializing client '%1'...").arg(name));
        auto fail = [self, name, client, generation, done](const MCPError &error) {
            if (!self)
                return;
            Log::line(QStringLiteral("❌ [ensureClientInitialized] Failed to lazy initialize client '%1': %2").arg(name, error.message()));
            if (generation == self->m_generation)
                self->m_initializingClients.remove(name);
            // A client that failed its start is of no use; its process is stopped.
            client->disconnect([] {});
            self->postInitEvent(QStringLiteral("failed"), name, error.localizedDescription());
            self->finishStart(name);
            done(error);
        };
        client->initialize(name, client->version(), [self, name, client, generation, done, fail](McpResult<void> init) {
            if (!self)
                return;
            if (!init.ok()) {
                fail(init.error());
                return;
            }
            Log::line(QStringLiteral("✅ [ensureClientInitialized] Client '%1' initialization completed").arg(name));
            Log::line(QStringLiteral("🔍 [ensureClientInitialized] Listing tools for client '%1'...").arg(name));
            client->listTools([self, name, client, generation, done, fail](McpResult<QList<mcp::Tool>> listed) {
                if (!self)
                    return;
                if (!listed.ok()) {
                    fail(listed.error());
                    return;
                }
                if (generation != self->m_generation) {
                    client->disconnect([] {});
                    self->finishStart(name);
                    done(MCPError(QStringLiteral("Client '%1' was closed while it started").arg(name)));
                    return;
                }
                const QList<mcp::Tool> tools = listed.value();
                Log::line(QStringLiteral("✅ [ensureClientInitialized] Found %1 tools for client '%2'").arg(tools.size()).arg(name));
                self->m_toolsByClient.insert(name, tools);
                self->m_tools.append(tools);
                self->m_clients.insert(name, client);
                self->m_initializingClients.remove(name);
                self->postInitEvent(QStringLiteral("succeeded"), name);
                self->m_lazyInitializedClients.insert(name);
                Log::line(QStringLiteral("✅ [ensureClientInitialized] Successfully lazy initialized client '%1' with %2 tools").arg(name).arg(tools.size()));
                NotificationCenter::defaultCenter().post(QStringLiteral("MCPClientToolsDiscovered"), {}, {{QStringLiteral("clientName"), name}});
                self->finishStart(name);
                done({});
            });
        });
    });
}

void MCPClientManager::createClient(const QString &name, const McpServerConfiguration &config, McpCallback<MCPClientPtr> done)
{
    if (config.command.contains(QLatin1String("mcp-remote"))) {
        RemoteMCPClient::create(config.command, config.args, config.env, [done](McpResult<std::shared_ptr<RemoteMCPClient>> r) {
            if (r.ok())
                done(MCPClientPtr(r.value()));
            else
                done(r.error());
        });
        return;
    }
    const QString path = config.command.startsWith(QLatin1Char('/'))
        ? config.command
        : AppPaths::executableDir() + QLatin1Char('/') + config.command;
    // The server will listen on the fixed port: whatever holds it now would get the tool calls.
    if (!LocalSockets::listeners(kLocalPort).isEmpty()) {
        done(MCPError(QStringLiteral("Could not start the MCP server '%1': port %2 is in use by another program").arg(name).arg(kLocalPort)));
        return;
    }
    auto *process = new ManagedProcess(this);
    process->setEnvironment(ChildProcesses::environment(config.env));
    ChildProcesses::forwardOutput(process, QStringLiteral("[%1]").arg(name), true);
    Log::line(QStringLiteral("📂 [%1] Starting local MCP server: %2 (%3 arguments)").arg(name, path).arg(config.args.size()));
    Log::debug(QStringLiteral("📂 [%1] Arguments: %2").arg(name, Log::content(mcp::quotedList(config.args), 500)));
    ToolRuntime::instance().track(process);
    process->start(path, config.args);
    if (!process->waitForStarted(10000)) {
        const QString reason = QStringLiteral("Could not start the MCP server '%1' (%2): %3").arg(name, path, process->process()->errorString());
        delete process;
        done(MCPError(reason));
        return;
    }
    Log::line(QStringLiteral("✅ [%1] MCP server process started").arg(name));
    Log::line(QStringLiteral("⏳ [%1] Waiting for MCP server to be ready on :4000…").arg(name));
    QPointer<ManagedProcess> guard(process);
    Scheduler::instance().singleShot(kLocalStartDelayMs, this, [name, guard, done] {
        if (!guard) {
            done(MCPError(QStringLiteral("Client '%1' was closed while it started").arg(name)));
            return;
        }
        done(MCPClientPtr(StandardMCPClient::create(name, QStringLiteral("1.0.0"), QStringLiteral("127.0.0.1"), kLocalPort, guard)));
    });
}

std::optional<QString> MCPClientManager::findOriginalClientName(const QString &sanitizedName, const QMap<QString, MCPClientPtr> &clients) const
{
    if (clients.contains(sanitizedName)) {
        Log::line(QStringLiteral("🔍 [findOriginalClientName] Found exact match in clients: '%1'").arg(sanitizedName));
        return sanitizedName;
    }
    if (m_lazyClientConfigs.contains(sanitizedName)) {
        Log::line(QStringLiteral("🔍 [findOriginalClientName] Found exact match in lazy configs: '%1'").arg(sanitizedName));
        return sanitizedName;
    }
    QStringList candidates = clients.keys();
    for (const QString &n : m_lazyClientConfigs.keys())
        if (!candidates.contains(n))
            candidates << n;
    for (const QString &candidate : candidates) {
        const QString sanitized = sanitizedClientName(candidate);
        Log::line(QStringLiteral("🔍 [findOriginalClientName] Comparing '%1' with sanitized '%2' -> '%3'").arg(sanitizedName, candidate, sanitized));
        if (sanitized == sanitizedName) {
            Log::line(QStringLiteral("🔍 [findOriginalClientName] Found match: '%1'").arg(candidate));
            return candidate;
        }
    }
    const QString lower = sanitizedName.toLower();
    for (const QString &candidate : candidates) {
        const QString sanitized = sanitizedClientName(candidate).toLower();
        Log::line(QStringLiteral("🔍 [findOriginalClientName] Case-insensitive comparing '%1' with '%2'").arg(lower, sanitized));
        if (sanitized == lower) {
            Log::line(QStringLiteral("🔍 [findOriginalClientName] Found case-insensitive match: '%1'").arg(candidate));
            return candidate;
        }
    }
    Log::line(QStringLiteral("🔍 [findOriginalClientName] No match found for '%1'").arg(sanitizedName));
    return std::nullopt;
}

ToolResponse MCPClientManager::assembleResponse(const QString &id, const mcp::CallToolResult &result)
{
    QString content, images;
    for (const mcp::Content &item : result.content) {
        switch (item.kind) {
        case mcp::Content::Kind::Text:
            content += item.text + QLatin1Char('\n');
            break;
        case mcp::Content::Kind::Image:
            images += QStringLiteral("[image %1]\n").arg(item.mimeType);
            break;
        case mcp::Content::Kind::Resource:
            content += QStringLiteral("resource %1 (%2)\n").arg(item.uri, item.mimeType);
            break;
        case mcp::Content::Kind::Other:
            content += QStringLiteral("[unknown content type]\n");
            break;
        }
    }
    ToolResponse response{id, content.trimmed(), std::nullopt};
    if (!images.isEmpty())
        response.data = images.trimmed();
    return response;
}

QString MCPClientManager::resultText(const mcp::CallToolResult &result)
{
    QStringList lines;
    for (const mcp::Content &item : result.content) {
        switch (item.kind) {
        case mcp::Content::Kind::Text:
            lines << item.text;
            break;
        case mcp::Content::Kind::Image:
            lines << QStringLiteral("[image %1]").arg(item.mimeType);
            break;
        case mcp::Content::Kind::Resource:
            lines << QStringLiteral("resource %1 (%2):").arg(item.uri, item.mimeType) + item.resourceText.value_or(QString());
            break;
        case mcp::Content::Kind::Other:
            lines << QStringLiteral("[unknown content type]");
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

void MCPClientManager::callClientTool(const MCPClientPtr &client, const QString &clientName, const QString &toolName,
                                      const std::optional<mcp::Arguments> &arguments, McpCallback<mcp::CallToolResult> done)
{
    client->callTool(toolName, arguments, [clientName, toolName, done](McpResult<mcp::CallToolResult> r) {
        if (!r.ok() && r.error().code() == McpClient::kTimeoutCode) {
            done(MCPError(QStringLiteral("Tool '%1' on server '%2' gave no answer within %3 s")
                              .arg(toolName, clientName).arg(McpClient::toolCallTimeoutMs() / 1000.0)));
            return;
        }
        done(std::move(r));
    });
}

void MCPClientManager::handleToolRequestOnRuntime(const QVariantMap &call, std::function<void(ToolResponse)> done)
{
    Log::line(QStringLiteral("🤖 [MCPClientManager] handleToolRequest, id = %1").arg(call.value(QStringLiteral("id")).toString()));
    Log::debug(QStringLiteral("🤖 [MCPClientManager] call = %1").arg(Log::content(describe(call))));
    const QVariant idValue = call.value(QStringLiteral("id"));
    const QString id = idValue.typeId() == QMetaType::QString ? idValue.toString() : UuidText::newText();
    const QVariant nameValue = call.value(QStringLiteral("name"));
    if (nameValue.typeId() != QMetaType::QString) {
        Log::line(QStringLiteral("❌ [ToolRequest] Missing tool name in call"));
        done(ToolResponse{id, QStringLiteral("Missing tool name"), std::nullopt});
        return;
    }
    const QString key = nameValue.toString();
    Log::line(QStringLiteral("🔍 Incoming tool request: '%1'").arg(key));

    QString toolName = key;
    std::optional<QString> client;
    const QString separator = QStringLiteral("-_-");
    if (key.contains(separator)) {
        const QStringList parts = key.split(separator);
        if (parts.size() == 2) {
            toolName = parts[0];
            const QString sanitized = parts[1];
            Log::line(QStringLiteral("🔍 [ToolRequest] Parsed tool name: '%1' from sanitized client: '%2'").arg(toolName, sanitized));
            QStringList clientNames = m_clients.keys();
            Log::line(QStringLiteral("🔍 [ToolRequest] Local clients dictionary has %1 clients: %2").arg(clientNames.size()).arg(mcp::quotedList(clientNames)));
            const QStringList configNames = m_lazyClientConfigs.keys();
            Log::line(QStringLiteral("🔍 [ToolRequest] Lazy configs dictionary has %1 configs: %2").arg(configNames.size()).arg(mcp::quotedList(configNames)));
            client = findOriginalClientName(sanitized, m_clients);
            if (!client) {
                // After closeAllClients the tables are empty: read the file again once, so a
                // valid key is not answered "not found".
                if (reloadConfigurationOnRuntime().ok())
                    client = findOriginalClientName(sanitized, m_clients);
            }
            if (client)
                Log::line(QStringLiteral("🔍 [ToolRequest] Mapped sanitized client '%1' to original client '%2'").arg(sanitized, *client));
            else
                Log::line(QStringLiteral("⚠️ [ToolRequest] Could not find original client name for sanitized name: '%1'").arg(sanitized));
        } else {
            Log::line(QStringLiteral("⚠️ [ToolRequest] Invalid tool name format: '%1'").arg(key));
        }
    } else {
        client = ToolRepository::shared().clientNameNow(key);
        Log::line(QStringLiteral("🔍 [ToolRequest] No client suffix found, using repository lookup"));
    }

    std::optional<mcp::Arguments> arguments;
    if (call.contains(QStringLiteral("args"))) {
        const QVariant raw = call.value(QStringLiteral("args"));
        Log::debug(QStringLiteral("🧪 [ToolRequest] Raw args: %1").arg(Log::content(describe(raw))));
        const QJsonValue json = QJsonValue::fromVariant(raw);
        if (json.isObject()) {
            arguments = json.toObject();
            Log::line(QStringLiteral("✅ [ToolRequest] Decoded args: %1 keys").arg(arguments->size()));
        } else {
            Log::line(QStringLiteral("⚠️ [ToolRequest] Failed to decode args"));
        }
    }

    if (!client) {
        Log::line(QStringLiteral("🧨 [ToolRequest] No client mapping found for tool '%1'").arg(toolName));
        done(ToolResponse{id, notFound(toolName), std::nullopt});
        return;
    }
    const QString clientName = *client;
    Log::line(QStringLiteral("🔄 [ToolRequest] Starting lazy initialization for client '%1'").arg(clientName));
    QPointer<MCPClientManager> self(this);
    ensureClientInitializedOnRuntime(clientName, [self, id, clientName, toolName, arguments, done](McpResult<void> init) {
        if (!self) {
            done(ToolResponse{id, notFound(toolName), std::nullopt});
            return;
        }
        if (!init.ok()) {
            Log::line(QStringLiteral("❌ [ToolRequest] Failed to initialize client '%1': %2").arg(clientName, init.error().message()));
            done(ToolResponse{id, QStringLiteral("Failed to initialize client: %1").arg(init.error().message()), std::nullopt});
            return;
        }
        Log::line(QStringLiteral("✅ [ToolRequest] Lazy initialization completed for client '%1'").arg(clientName));
        const MCPClientPtr c = self->m_clients.value(clientName);
        if (!c) {
            Log::line(QStringLiteral("❌ [ToolRequest] Client '%1' not found after initialization for tool '%2'").arg(clientName, toolName));
            done(ToolResponse{id, notFound(toolName), std::nullopt});
            return;
        }
        Log::line(QStringLiteral("✅ [ToolRequest] Client '%1' is ready, dispatching tool '%2'").arg(clientName, toolName));
        self->callClientTool(c, clientName, toolName, arguments, [id, clientName, toolName, done](McpResult<mcp::CallToolResult> r) {
            if (!r.ok()) {
                Log::line(QStringLiteral("❌ [ToolRequest] Tool '%1' failed on client '%2': %3").arg(toolName, clientName, r.error().message()));
                done(ToolResponse{id, QStringLiteral("Error: %1").arg(r.error().message()), std::nullopt});
                return;
            }
            done(assembleResponse(id, r.value()));
        });
    });
}

void MCPClientManager::closeAllClientsOnRuntime(std::function<void()> done)
{
    Log::line(QStringLiteral("🤖 [MCPClientManager] Closing all clients, count = %1").arg(m_clients.size() + m_initializingClients.size()));
    const auto ready = m_clients;
    const auto initializing = m_initializingClients;
    // Empty the tables first: a start that is under way sees the new generation and stops
    // its own client, and nothing is dropped while still connected.
    m_clients.clear();
    m_initializingClients.clear();
    m_toolsByClient.clear();
    m_lazyClientConfigs.clear();
    m_tools.clear();
    m_lazyInitializedClients.clear();
    ++m_generation;
    QList<std::pair<QString, MCPClientPtr>> order;
    for (auto it = ready.begin(); it != ready.end(); ++it)
        order.append({it.key(), it.value()});
    const qsizetype readyCount = order.size();
    for (auto it = initializing.begin(); it != initializing.end(); ++it)
        order.append({it.key(), it.value()});
    auto next = std::make_shared<std::function<void(qsizetype)>>();
    *next = [order, readyCount, done, next](qsizetype i) {
        if (i >= order.size()) {
            Log::line(QStringLiteral("🧹 [MCPClientManager] Cleaned up all client references"));
            auto finish = done;
            *next = nullptr; // breaks the cycle; this closure is gone after it
            finish();
            return;
        }
        const QString &name = order[i].first;
        const bool isReady = i < readyCount;
        Log::line(isReady ? QStringLiteral("🔄 [MCPClientManager] Closing client: %1").arg(name)
                          : QStringLiteral("🔄 [MCPClientManager] Closing initializing client: %1").arg(name));
        auto step = *next;
        order[i].second->disconnect([name, isReady, step, i] {
            Log::line(isReady ? QStringLiteral("✅ [MCPClientManager] Closed client: %1").arg(name)
                              : QStringLiteral("✅ [MCPClientManager] Closed initializing client: %1").arg(name));
            step(i + 1);
        });
    };
    (*next)(0);
}

QFuture<void> MCPClientManager::initialize(bool forceReset)
{
    return runOnToolRuntime<void>([this, forceReset](McpCallback<void> done) { initializeOnRuntime(forceReset, done); });
}

QFuture<void> MCPClientManager::ensureClientInitialized(const QString &name)
{
    return runOnToolRuntime<void>([this, name](McpCallback<void> done) { ensureClientInitializedOnRuntime(name, done); });
}

QFuture<void> MCPClientManager::reloadConfiguration()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(reloadConfigurationOnRuntime()); });
}

QFuture<QMap<QString, QList<mcp::Tool>>> MCPClientManager::getTools(const QStringList &clientNames)
{
    using Result = QMap<QString, QList<mcp::Tool>>;
    return runOnToolRuntime<Result>([this, clientNames](McpCallback<Result> done) {
        Log::line(QStringLiteral("📋 [MCPClientManager] Requesting tools for clients: %1").arg(mcp::quotedList(clientNames)));
        auto result = std::make_shared<Result>();
        auto next = std::make_shared<std::function<void(qsizetype)>>();
        QPointer<MCPClientManager> self(this);
        *next = [self, clientNames, result, done, next](qsizetype i) {
            if (!self || i >= clientNames.size()) {
                auto finish = done;
                auto answer = *result;
                const bool gone = !self;
                *next = nullptr; // breaks the cycle; this closure is gone after it
                if (gone)
                    finish(MCPError(QStringLiteral("The client manager is gone")));
                else
                    finish(answer);
                return;
            }
            const QString name = clientNames[i];
            auto step = *next;
            self->ensureClientInitializedOnRuntime(name, [self, name, result, done, step, next, i](McpResult<void> r) {
                if (!self)
                    return;
                if (!r.ok()) {
                    Log::line(QStringLiteral("❌ [MCPClientManager] Failed to get tools for '%1': %2").arg(name, r.error().message()));
                    auto finish = done;
                    *next = nullptr;
                    finish(r.error());
                    return;
                }
                if (self->m_toolsByClient.contains(name)) {
                    const auto tools = self->m_toolsByClient.value(name);
                    result->insert(name, tools);
                    Log::line(QStringLiteral("✅ [MCPClientManager] Retrieved %1 tools for '%2'").arg(tools.size()).arg(name));
                } else {
                    Log::line(QStringLiteral("⚠️ [MCPClientManager] No tools found for '%1' after initialization").arg(name));
                    result->insert(name, {});
                }
                step(i + 1);
            });
        };
        (*next)(0);
    });
}

QFuture<ToolResponse> MCPClientManager::handleToolRequest(const QVariantMap &call)
{
    return runOnToolRuntime<ToolResponse>([this, call](McpCallback<ToolResponse> done) {
        handleToolRequestOnRuntime(call, [done](ToolResponse r) { done(std::move(r)); });
    });
}

QFuture<QString> MCPClientManager::callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments)
{
    return runOnToolRuntime<QString>([this, toolName, arguments](McpCallback<QString> done) {
        const auto clientName = ToolRepository::shared().clientNameNow(toolName);
        if (!clientName) {
            done(MCPError(QStringLiteral("No client found for tool: %1").arg(toolName)));
            return;
        }
        const QString name = *clientName;
        QPointer<MCPClientManager> self(this);
        ensureClientInitializedOnRuntime(name, [self, name, toolName, arguments, done](McpResult<void> init) {
            if (!init.ok()) {
                done(init.error());
                return;
            }
            const MCPClientPtr client = self ? self->m_clients.value(name) : MCPClientPtr();
            if (!client) {
                done(MCPError(QStringLiteral("Client '%1' not available for tool: %2").arg(name, toolName)));
                return;
            }
            self->callClientTool(client, name, toolName, arguments, [done](McpResult<mcp::CallToolResult> r) {
                if (r.ok())
                    done(resultText(r.value()));
                else
                    done(r.error());
            });
        });
    });
}

QFuture<void> MCPClientManager::closeAllClients()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { closeAllClientsOnRuntime([done] { done({}); }); });
}

QFuture<QStringList> MCPClientManager::getClientNames()
{
    return runOnToolRuntime<QStringList>([this](McpCallback<QStringList> done) {
        auto answer = [this, done] {
            QStringList names = m_lazyClientConfigs.keys();
            std::sort(names.begin(), names.end());
            done(names);
        };
        if (!m_lazyClientConfigs.isEmpty()) {
            answer();
            return;
        }
        initializeOnRuntime(false, [answer, done](McpResult<void> r) {
            if (!r.ok())
                done(r.error());
            else
                answer();
        });
    });
}
