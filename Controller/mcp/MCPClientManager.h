#pragma once
#include "Controller/mcp/MCPClientProtocol.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "Controller/mcp/ToolResponse.h"

#include <QFuture>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QVariantMap>

// The one client manager of the process: it knows the MCP servers of the configuration file
// and owns their clients, starting each server on the first tool operation that needs it.
//
// Threads: the manager lives on the tool runtime's one worker thread (ToolRuntime), like an
// actor: its tables are touched only there. The public operations below may be called from
// any thread; each posts its work to the runtime and answers through a QFuture. Attach the
// continuation with future.then(context, ...) (and onFailed(context, [](const MCPError &) {...}))
// to receive the answer on the context's thread, the main thread for the user interface.
// Notifications ("MCPClientInitEvent", "MCPConfigReloadEvent", "MCPClientToolsDiscovered") are
// posted on the NotificationCenter from the runtime's thread; observers receive them on their
// own context's thread.
//
// The operations marked "runtime thread" are for the tool runtime's own classes (the tool
// repository) and must be called on that thread.
class MCPClientManager : public QObject {
    Q_OBJECT
public:
    // Bounds of the waits: connecting to a local server, and one tool call.
    static constexpr int kLocalConnectTimeoutMs = 10000;
    static constexpr quint16 kLocalPort = 4000;
    static constexpr int kLocalStartDelayMs = 2000;

    static MCPClientManager &shared();

    // Reads the configuration file and records every server for a start on first use (starts
    // none). Without forceReset a second call only logs. Fails with the file's error.
    QFuture<void> initialize(bool forceReset = false);
    // The tools of the named servers, starting each that is not running; the first failing
    // start fails the whole call.
    QFuture<QMap<QString, QList<mcp::Tool>>> getTools(const QStringList &clientNames);
    // Runs one tool call {"id", "name" (tool key), "args"}. Never fails: every failure is the
    // answer's content text.
    QFuture<ToolResponse> handleToolRequest(const QVariantMap &call);
    QFuture<ToolResponse> processToolRequest(const QVariantMap &call) { return handleToolRequest(call); }
    // Calls a tool by its plain name (the repository says which server has it); answers the
    // result as text.
    QFuture<QString> callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments);
    // Disconnects every client (stopping its process) and forgets them all; each server starts
    // again on its next use. Never fails.
    QFuture<void> closeAllClients();
    // The configured server names, sorted.
    QFuture<QStringList> getClientNames();
    QFuture<void> ensureClientInitialized(const QString &name);
    QFuture<void> reloadConfiguration();

    // Reads the configuration file (any thread; no state is touched).
    McpResult<QMap<QString, McpServerConfiguration>> loadConfiguration() const;

    // The tool key's client part: spaces and then every code point other than an ASCII
    // letter, digit, "_" or "-" become "_".
    static QString sanitizedClientName(const QString &name);
    static QString toolKey(const QString &toolName, const QString &clientName);
    // The answer for a tool result: text items joined as content, image markers as data.
    static ToolResponse assembleResponse(const QString &id, const mcp::CallToolResult &result);
    // The text answer of callTool: one line per content item.
    static QString resultText(const mcp::CallToolResult &result);

    // --- runtime thread ---
    void initializeOnRuntime(bool forceReset, McpCallback<void> done);
    void ensureClientInitializedOnRuntime(const QString &name, McpCallback<void> done);
    McpResult<void> reloadConfigurationOnRuntime();
    void closeAllClientsOnRuntime(std::function<void()> done);
    std::optional<QString> findOriginalClientName(const QString &sanitizedName, const QMap<QString, MCPClientPtr> &clients) const;
    const QMap<QString, MCPClientPtr> &getClients() const { return m_clients; }
    const QList<mcp::Tool> &getAllTools() const { return m_tools; }
    const QMap<QString, QList<mcp::Tool>> &toolsByClient() const { return m_toolsByClient; }
    const QMap<QString, McpServerConfiguration> &lazyClientConfigs() const { return m_lazyClientConfigs; }
    bool isManagerInitialized() const { return m_isManagerInitialized; }

private:
    explicit MCPClientManager(bool warn = false);
    void createClient(const QString &name, const McpServerConfiguration &config, McpCallback<MCPClientPtr> done);
    void finishStart(const QString &name);
    // Forgets a client whose connection has ended, so that its next use starts it again.
    void dropDeadClient(const QString &name);
    void postInitEvent(const QString &kind, const QString &clientName, const QString &message = {});
    void postReloadEvent(const QString &kind, const QString &clientName, const QString &message = {});
    void handleToolRequestOnRuntime(const QVariantMap &call, std::function<void(ToolResponse)> done);
    void callClientTool(const MCPClientPtr &client, const QString &clientName, const QString &toolName,
                        const std::optional<mcp::Arguments> &arguments, McpCallback<mcp::CallToolResult> done);

    QMap<QString, MCPClientPtr> m_clients;
    QMap<QString, MCPClientPtr> m_initializingClients;
    QList<mcp::Tool> m_tools;
    QMap<QString, QList<mcp::Tool>> m_toolsByClient;
    QMap<QString, McpServerConfiguration> m_lazyClientConfigs;
    QSet<QString> m_lazyInitializedClients;
    bool m_isManagerInitialized = false;
    // Names whose start is under way (from before the client is created), with the requests
    // that wait for it.
    QMap<QString, QList<std::function<void()>>> m_starting;
    // Bumped by closeAllClients: a start that began before it does not outlive it.
    quint64 m_generation = 0;
};
