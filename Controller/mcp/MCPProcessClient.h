#pragma once
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "Controller/mcp/McpResult.h"
#include "Controller/mcp/StdioTransport.h"
#include "Controller/mcp/McpTypes.h"

#include <QObject>
#include <QPointer>
#include <QStringList>


// Runs the MCP proxy (the Node.js runtime with the mcp-remote script from the Scripts
// resource folder) as a child process and speaks MCP with it over its standard input and
// output. It owns the process: a failed handshake, shutdown() and its own end stop it.
class MCPProcessClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kHandshakeTimeoutMs = 120000;
    static constexpr int kShutdownGraceMs = 5000;

    MCPProcessClient(const QString &command, QStringList arguments, QObject *parent = nullptr);
    ~MCPProcessClient() override;

    // The two files the proxy needs, below the Scripts folder.
    static QString nodePath();
    static QString proxyPath();
    // The proxy keeps its tokens here: a private folder of the application.
    static QString proxyConfigDir();

    // Variables of the configuration entry, added to the proxy's environment.
    void setExtraEnvironment(const std::optional<QMap<QString, QString>> &env) { m_extraEnvironment = env; }
    void start(McpCallback<void> done);
    void listTools(std::optional<QString> cursor, McpCallback<QList<mcp::Tool>> done);
    void callTool(const QString &name, const std::optional<mcp::Arguments> &arguments,
                  McpCallback<mcp::CallToolResult> done);
    void shutdown(std::function<void()> done);

    const QStringList &arguments() const { return m_arguments; }
    ManagedProcess *process() const { return m_process; }
    bool isConnected() const { return m_client && m_client->isConnected(); }

private:
    QStringList m_arguments;
    std::optional<QMap<QString, QString>> m_extraEnvironment;
    QPointer<ManagedProcess> m_process;
    QPointer<McpClient> m_client;
    QPointer<StdioTransport> m_transport;
};
