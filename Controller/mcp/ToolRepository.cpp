#include "Controller/mcp/ToolRepository.h"

#include "Platform/AppPaths.h"
#include "Controller/mcp/MCPClientManager.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Log.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "Controller/mcp/ToolRuntime.h"

#include <QFile>
#include <QFileInfo>

ToolRepository &ToolRepository::shared()
{
    static ToolRepository *repository = [] {
        auto *r = new ToolRepository;
        r->moveToThread(ToolRuntime::instance().thread());
        return r;
    }();
    return *repository;
}

ToolRepository::ToolRepository() = default;

McpResult<void> ToolRepository::ensureConfigExistsNow()
{
    const QString base = McpConfigLocation::applicationSupportDir();
    if (base.isEmpty())
        return MCPError(QStringLiteral("Could not access Application Support directory"), QStringLiteral("ToolRepository"), 1);
    const QString folder = base + QStringLiteral("/TavoOrlune");
    const QString file = folder + QStringLiteral("/config.json");
    if (QFileInfo::exists(file)) {
        Log::line(QStringLiteral("[ToolRepository] MCP config already exists in Application Support"));
        return {};
    }
    Log::line(QStringLiteral("[ToolRepository] Creating MCP config in Application Support directory"));
    if (!AppPaths::ensurePrivateDir(folder))
        return MCPError(QStringLiteral("Could not create the folder %1").arg(folder), QStringLiteral("FileError"), 513);
    QByteArray text;
    QFile resource(McpConfigLocation::defaultResourcePath());
    if (resource.open(QIODevice::ReadOnly))
        text = resource.readAll();
    if (!text.isEmpty()) {
        Log::line(QStringLiteral("[ToolRepository] Copying initial config from bundle"));
    } else {
        Log::line(QStringLiteral("[ToolRepository] Creating default empty config"));
        text = McpConfigLocation::emptyDefaultText();
    }
    QString error;
    if (!AppPaths::writePrivateFile(file, text, &error))
        return MCPError(QStringLiteral("Could not write %1: %2").arg(file, error), QStringLiteral("FileError"), 512);
    Log::line(QStringLiteral("✅ [ToolRepository] MCP config initialized in Application Support: %1").arg(file));
    return {};
}

QFuture<void> ToolRepository::ensureConfigExists()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(ensureConfigExistsNow()); });
}

void ToolRepository::setupConfigChangeObserver()
{
    QPointer<ToolRepository> self(this);
    m_configChangeObserver = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("MCPConfigChanged"), this, [self](const Notification &) {
            if (!self)
                return;
            Log::line(QStringLiteral("[ToolRepository] Received MCPConfigChanged notification, adding new MCP clients..."));
            auto r = self->updateClientsAfterConfigChangeOnRuntime();
            if (r.ok())
                Log::line(QStringLiteral("[ToolRepository] Successfully updated MCP clients after config change"));
            else
                Log::line(QStringLiteral("[ToolRepository] Failed to update MCP clients after config change: %1").arg(r.error().message()));
        });
}

void ToolRepository::setupToolsDiscoveredObserver()
{
    QPointer<ToolRepository> self(this);
    m_toolsDiscoveredObserver = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("MCPClientToolsDiscovered"), this, [self](const Notification &n) {
            const QVariant name = n.userInfo.value(QStringLiteral("clientName"));
            if (self && name.typeId() == QMetaType::QString)
                self->updateToolsAfterLazyInitialization(name.toString());
        });
}

void ToolRepository::initializeOnRuntime(McpCallback<void> done)
{
    if (m_isInitializedInternal) {
        done({});
        return;
    }
    Log::line(QStringLiteral("🚀 [ToolRepository] Initializing..."));
    // Observers are registered once, however often a failed initialisation is retried.
    if (!m_configChangeObserver)
        setupConfigChangeObserver();
    if (!m_toolsDiscoveredObserver)
        setupToolsDiscoveredObserver();
    auto ensured = ensureConfigExistsNow();
    if (!ensured.ok())
        Log::line(QStringLiteral("[ToolRepository] Failed to ensure MCP config exists: %1").arg(ensured.error().message()));
    QPointer<ToolRepository> self(this);
    MCPClientManager::shared().initializeOnRuntime(false, [self, done](McpResult<void> r) {
        if (!r.ok() || !self) {
            done(r);
            return;
        }
        self->m_clients = MCPClientManager::shared().getClients();
        Log::line(QStringLiteral("🔧 [ToolRepository] Registered %1 clients (lazy loading enabled)").arg(self->m_clients.size()));
        self->m_toolsByClient.clear();
        self->m_tools.clear();
        self->m_isInitializedInternal = true;
        self->buildToolClientMap();
        Log::line(QStringLiteral("📦 [ToolRepository] Ready for lazy tool discovery"));
        done({});
    });
}

McpResult<void> ToolRepository::refreshToolsOnRuntime()
{
    Log::line(QStringLiteral("🔄 [ToolRepository] Refreshing tools from MCP..."));
    std::optional<McpResult<void>> result;
    // The manager's initialisation is synchronous on this thread.
    MCPClientManager::shared().initializeOnRuntime(false, [&result](McpResult<void> r) { result = r; });
    if (!result || !result->ok()) {
        const MCPError error = result ? result->error() : MCPError(QStringLiteral("The client manager did not answer"));
        Log::line(QStringLiteral("[ToolRepository] Refresh failed: %1").arg(error.message()));
        m_initializationError = error;
        return error;
    }
    m_clients = MCPClientManager::shared().getClients();
    m_toolsByClient = MCPClientManager::shared().toolsByClient();
    joinTools();
    m_isInitializedInternal = true;
    buildToolClientMap();
    Log::line(QStringLiteral("[ToolRepository] Refreshed %1 tools").arg(m_tools.size()));
    return {};
}

void ToolRepository::joinTools()
{
    m_tools.clear();
    for (const auto &list : std::as_const(m_toolsByClient))
        m_tools.append(list);
}

McpResult<void> ToolRepository::updateClientsAfterConfigChangeOnRuntime()
{
    Log::line(QStringLiteral("[ToolRepository] Checking for new MCP clients..."));
    auto loaded = MCPClientManager::shared().loadConfiguration();
    if (!loaded.ok())
        return loaded.error();
    // Servers started on first use are known here only by their tools; they count as current
    // too, so that removing one from the file removes its tools from the map.
    QSet<QString> current(m_clients.keyBegin(), m_clients.keyEnd());
    for (auto it = m_toolsByClient.keyBegin(); it != m_toolsByClient.keyEnd(); ++it)
        current.insert(*it);
    const QSet<QString> configured(loaded.value().keyBegin(), loaded.value().keyEnd());
    const QSet<QString> added = configured - current;
    const QSet<QString> removed = current - configured;
    if (added.isEmpty() && removed.isEmpty()) {
        Log::line(QStringLiteral("[ToolRepository] No changes in MCP clients"));
        return {};
    }
    for (const QString &name : removed) {
        if (MCPClientPtr client = m_clients.value(name))
            client->disconnect([] {});
        m_clients.remove(name);
        m_toolsByClient.remove(name);
        Log::line(QStringLiteral("[ToolRepository] Removed client: %1").arg(name));
    }
    if (!added.isEmpty()) {
        QStringList names(added.begin(), added.end());
        Log::line(QStringLiteral("[ToolRepository] New clients detected: %1 - will be initialized on demand").arg(mcp::quotedList(names)));
        auto reloaded = MCPClientManager::shared().reloadConfigurationOnRuntime();
        if (!reloaded.ok())
            Log::line(QStringLiteral("[ToolRepository] Failed to reload MCPClientManager configuration: %1").arg(reloaded.error().message()));
    }
    joinTools();
    buildToolClientMap();
    Log::line(QStringLiteral("[ToolRepository] Updated tool count: %1").arg(m_tools.size()));
    return {};
}

void ToolRepository::buildToolClientMap()
{
    m_toolClientMap.clear();
    QMap<QString, QStringList> duplicates;
    for (auto it = m_toolsByClient.begin(); it != m_toolsByClient.end(); ++it) {
        for (const mcp::Tool &tool : it.value()) {
            if (m_toolClientMap.contains(tool.name)) {
                if (!duplicates.contains(tool.name))
                    duplicates.insert(tool.name, {m_toolClientMap.value(tool.name)});
                duplicates[tool.name].append(it.key());
                Log::line(QStringLiteral("⚠️ [ToolRepository] Duplicate tool name '%1' found in clients: %2").arg(tool.name, mcp::quotedList(duplicates[tool.name])));
            }
            m_toolClientMap.insert(tool.name, it.key());
            Log::line(QStringLiteral("🔗 [ToolRepository] Mapped tool '%1' -> client '%2'").arg(tool.name, it.key()));
        }
    }
    if (duplicates.isEmpty())
        return;
    Log::line(QStringLiteral("⚠️ [ToolRepository] Summary of duplicate tools:"));
    for (auto it = duplicates.begin(); it != duplicates.end(); ++it) {
        Log::line(QStringLiteral("   • '%1' exists in: %2").arg(it.key(), mcp::quotedList(it.value())));
        Log::line(QStringLiteral("   • Final mapping: '%1' -> '%2'").arg(it.key(), m_toolClientMap.value(it.key(), QStringLiteral("unknown"))));
    }
}

std::optional<QString> ToolRepository::clientNameNow(const QString &toolName) const
{
    const auto it = m_toolClientMap.find(toolName);
    if (it == m_toolClientMap.end())
        return std::nullopt;
    return it.value();
}

QList<ClientTool> ToolRepository::getClientToolsNow(const QStringList &clientNames) const
{
    Log::line(QStringLiteral("📋 [ToolRepository] Requested clients: %1").arg(mcp::quotedList(clientNames)));
    Log::line(QStringLiteral("📋 [ToolRepository] Available clients: %1").arg(mcp::quotedList(m_toolsByClient.keys())));
    QStringList matched;
    for (auto it = m_toolsByClient.begin(); it != m_toolsByClient.end(); ++it) {
        const bool match = clientNames.contains(it.key());
        Log::line(QStringLiteral("📋 [ToolRepository] Client '%1' exact match: %2").arg(it.key(), match ? QStringLiteral("true") : QStringLiteral("false")));
        if (match)
            matched << it.key();
    }
    Log::line(QStringLiteral("📋 [ToolRepository] Matched clients: %1").arg(mcp::quotedList(matched)));
    QList<ClientTool> out;
    for (const QString &name : matched) {
        for (const mcp::Tool &tool : m_toolsByClient.value(name)) {
            out.append(ClientTool{tool, name});
            Log::line(QStringLiteral("📋 [ToolRepository] Tool '%1' -> Client '%2' (preserved)").arg(tool.name, name));
        }
    }
    Log::line(QStringLiteral("📋 [ToolRepository] Returning %1 client-tools for clients: %2").arg(out.size()).arg(mcp::quotedList(clientNames)));
    return out;
}

QList<mcp::Tool> ToolRepository::getToolsForClientsNow(const QStringList &clientNames) const
{
    QList<mcp::Tool> out;
    for (const ClientTool &ct : getClientToolsNow(clientNames))
        out.append(ct.tool);
    return out;
}

QStringList ToolRepository::availableClientNamesNow() const
{
    auto loaded = MCPClientManager::shared().loadConfiguration();
    QStringList names;
    if (loaded.ok()) {
        names = loaded.value().keys();
    } else {
        Log::line(QStringLiteral("[ToolRepository] Failed to load configuration for client names: %1").arg(loaded.error().message()));
        names = m_toolsByClient.keys();
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ToolRepository::updateTools(const QString &clientName, const QList<mcp::Tool> &tools)
{
    m_toolsByClient.insert(clientName, tools);
    joinTools();
    buildToolClientMap();
    Log::line(QStringLiteral("🔄 [ToolRepository] Updated tools for client '%1': %2 tools").arg(clientName).arg(tools.size()));
}

void ToolRepository::updateToolsAfterLazyInitialization(const QString &clientName)
{
    m_toolsByClient.insert(clientName, MCPClientManager::shared().toolsByClient().value(clientName));
    joinTools();
    buildToolClientMap();
    Log::line(QStringLiteral("[ToolRepository] Updated tools for client '%1' after lazy initialization").arg(clientName));
}

void ToolRepository::resetNow()
{
    m_tools.clear();
    m_toolsByClient.clear();
    m_isInitializedInternal = false;
    m_initializationError.reset();
    if (m_configChangeObserver) {
        NotificationCenter::defaultCenter().removeObserver(m_configChangeObserver);
        m_configChangeObserver = 0;
    }
}

QFuture<void> ToolRepository::initialize()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { initializeOnRuntime(done); });
}

QFuture<void> ToolRepository::refreshTools()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(refreshToolsOnRuntime()); });
}

QFuture<void> ToolRepository::updateClientsAfterConfigChange()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(updateClientsAfterConfigChangeOnRuntime()); });
}

QFuture<std::optional<QString>> ToolRepository::clientName(const QString &toolName)
{
    return runOnToolRuntime<std::optional<QString>>([this, toolName](McpCallback<std::optional<QString>> done) { done(clientNameNow(toolName)); });
}

QFuture<QStringList> ToolRepository::availableClientNames()
{
    return runOnToolRuntime<QStringList>([this](McpCallback<QStringList> done) { done(availableClientNamesNow()); });
}

QFuture<QList<ClientTool>> ToolRepository::getClientTools(const QStringList &clientNames)
{
    return runOnToolRuntime<QList<ClientTool>>([this, clientNames](McpCallback<QList<ClientTool>> done) { done(getClientToolsNow(clientNames)); });
}

QFuture<QList<mcp::Tool>> ToolRepository::getToolsForClients(const QStringList &clientNames)
{
    return runOnToolRuntime<QList<mcp::Tool>>([this, clientNames](McpCallback<QList<mcp::Tool>> done) { done(getToolsForClientsNow(clientNames)); });
}

QFuture<bool> ToolRepository::isInitialized()
{
    return runOnToolRuntime<bool>([this](McpCallback<bool> done) { done(m_isInitializedInternal); });
}

QFuture<void> ToolRepository::reset()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) {
        resetNow();
        done({});
    });
}
