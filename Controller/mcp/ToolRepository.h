#pragma once
#include "Controller/mcp/MCPClientProtocol.h"
#include "Controller/mcp/McpResult.h"
#include "Controller/mcp/ToolResponse.h"

#include <QFuture>
#include <QMap>
#include <QObject>
#include <optional>

// The one tool repository of the process: which MCP servers exist and which server offers a
// tool. It starts no server itself; it copies the client manager's tables when the manager
// announces discovered tools ("MCPClientToolsDiscovered") and follows "MCPConfigChanged".
//
// Threads: like MCPClientManager it lives on the tool runtime's worker thread (ToolRuntime);
// its fields are touched only there. The public operations may be called from any thread and
// answer through a QFuture: attach future.then(context, ...) to get the answer on the
// context's thread (the main thread for the user interface). The operations marked "runtime
// thread" are synchronous and must be called on the runtime's thread.
class ToolRepository : public QObject {
    Q_OBJECT
public:
    static ToolRepository &shared();

    // Registers the observers, makes sure the configuration file exists and has the manager
    // record every configured server for a start on first use. Fails with the manager's error.
    QFuture<void> initialize();
    QFuture<void> refreshTools();
    QFuture<void> updateClientsAfterConfigChange();
    // The server that offers the tool of exactly this plain name, or none.
    QFuture<std::optional<QString>> clientName(const QString &toolName);
    // The configured server names, sorted; on an unreadable file, the servers known here.
    QFuture<QStringList> availableClientNames();
    QFuture<QList<ClientTool>> getClientTools(const QStringList &clientNames);
    QFuture<QList<mcp::Tool>> getToolsForClients(const QStringList &clientNames);
    QFuture<bool> isInitialized();
    QFuture<void> reset();

    // Creates the MCP configuration file when it is missing: the shipped default text byte
    // for byte, or the empty default. An existing file is left as it is.
    QFuture<void> ensureConfigExists();
    McpResult<void> ensureConfigExistsNow();

    // --- runtime thread ---
    void initializeOnRuntime(McpCallback<void> done);
    McpResult<void> refreshToolsOnRuntime();
    McpResult<void> updateClientsAfterConfigChangeOnRuntime();
    void buildToolClientMap();
    std::optional<QString> clientNameNow(const QString &toolName) const;
    QStringList availableClientNamesNow() const;
    QList<ClientTool> getClientToolsNow(const QStringList &clientNames) const;
    QList<mcp::Tool> getToolsForClientsNow(const QStringList &clientNames) const;
    QList<mcp::Tool> getToolsForClient(const QString &clientName) const { return m_toolsByClient.value(clientName); }
    void updateTools(const QString &clientName, const QList<mcp::Tool> &tools);
    void updateToolsAfterLazyInitialization(const QString &clientName);
    void resetNow();
    const QMap<QString, MCPClientPtr> &getClients() const { return m_clients; }
    const QList<mcp::Tool> &getAllTools() const { return m_tools; }
    const QMap<QString, QList<mcp::Tool>> &getToolsByClient() const { return m_toolsByClient; }
    const QMap<QString, QString> &toolClientMap() const { return m_toolClientMap; }
    bool isInitializedNow() const { return m_isInitializedInternal; }
    const std::optional<MCPError> &initializationError() const { return m_initializationError; }

private:
    ToolRepository();
    void setupConfigChangeObserver();
    void setupToolsDiscoveredObserver();
    void joinTools();

    QMap<QString, MCPClientPtr> m_clients;
    QList<mcp::Tool> m_tools;
    QMap<QString, QList<mcp::Tool>> m_toolsByClient;
    QMap<QString, QString> m_toolClientMap;
    bool m_isInitializedInternal = false;
    std::optional<MCPError> m_initializationError;
    quint64 m_configChangeObserver = 0;
    quint64 m_toolsDiscoveredObserver = 0;
};
