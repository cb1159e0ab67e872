#pragma once
#include "Controller/mcp/MCPClientProtocol.h"
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/TcpTransport.h"

#include <QObject>
#include <QPointer>

class McpClient;

// The client of a local MCP server: a process that listens on a TCP port of the loopback
// address. It owns that process (when it is given one) and stops it on disconnect.
class StandardMCPClient : public QObject, public MCPClientProtocol {
    Q_OBJECT
public:
    static constexpr int kConnectTimeoutMs = 10000;
    static constexpr int kHandshakeTimeoutMs = 30000;

    // Made on the runtime's thread; the shared pointer deletes it there.
    static std::shared_ptr<StandardMCPClient> create(const QString &name, const QString &version, const QString &host,
                                                     quint16 port, ManagedProcess *serverProcess = nullptr);
    ~StandardMCPClient() override;

    QString name() const override { return m_name; }
    QString version() const override { return m_version; }
    void connect(McpCallback<void> done) override;
    void initialize(const QString &name, const QString &version, McpCallback<void> done) override;
    void listTools(McpCallback<QList<mcp::Tool>> done) override;
    void callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments,
                  McpCallback<mcp::CallToolResult> done) override;
    void disconnect(std::function<void()> done) override;
    bool isAlive() const override;

    ManagedProcess *serverProcess() const { return m_server; }

private:
    StandardMCPClient(const QString &name, const QString &version, const QString &host, quint16 port,
                      ManagedProcess *serverProcess);
    QString serverExitReason() const;
    // Empty when the connection's other end is held by the started server's process group;
    // otherwise why it is refused.
    QString checkPeer(const QHostAddress &localAddress, quint16 localPort) const;

    QString m_name;
    QString m_version;
    QString m_host;
    quint16 m_port;
    McpClient *m_client;
    QPointer<TcpTransport> m_transport;
    QPointer<ManagedProcess> m_server;
};
