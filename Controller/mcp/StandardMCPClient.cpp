#include "Controller/mcp/StandardMCPClient.h"

#include "Controller/mcp/ChildProcesses.h"
#include "Controller/mcp/LocalSockets.h"
#include "Platform/Log.h"
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "Controller/mcp/TcpTransport.h"

std::shared_ptr<StandardMCPClient> StandardMCPClient::create(const QString &name, const QString &version,
                                                             const QString &host, quint16 port,
                                                             ManagedProcess *serverProcess)
{
    return std::shared_ptr<StandardMCPClient>(new StandardMCPClient(name, version, host, port, serverProcess),
                                              [](StandardMCPClient *c) { c->deleteLater(); });
}

StandardMCPClient::StandardMCPClient(const QString &name, const QString &version, const QString &host, quint16 port,
                                     ManagedProcess *serverProcess)
    : m_name(name), m_version(version), m_host(host), m_port(port),
      m_client(new McpClient(name, version, this)),
      m_transport(new TcpTransport(host, port, kConnectTimeoutMs)),
      m_server(serverProcess)
{
    if (serverProcess)
        serverProcess->setParent(this);
    m_transport->setAbortCheck([this] { return serverExitReason(); });
}

StandardMCPClient::~StandardMCPClient()
{
    // ManagedProcess stops its process when it goes, as a last resort.
    delete m_transport;
}

QString StandardMCPClient::serverExitReason() const
{
    if (!m_server || m_server->isRunning())
        return {};
    return QStringLiteral("the server process exited with code %1").arg(m_server->process()->exitCode());
}

void StandardMCPClient::connect(McpCallback<void> done)
{
    // Only proves that something listens; initialize() opens the connection it uses.
    auto probe = new TcpTransport(m_host, m_port, kConnectTimeoutMs, this);
    QObject::connect(probe, &McpTransport::opened, this, [probe, done] {
        probe->close();
        probe->deleteLater();
        done({});
    });
    QObject::connect(probe, &McpTransport::openFailed, this, [probe, done](const QString &reason) {
        probe->deleteLater();
        done(MCPError(reason));
    });
    probe->open();
}

void StandardMCPClient::initialize(const QString &, const QString &, McpCallback<void> done)
{
    if (!m_transport) {
        done(MCPError(QStringLiteral("Client '%1' is already connected").arg(m_name)));
        return;
    }
    QPointer<StandardMCPClient> self(this);
    QPointer<TcpTransport> transport = m_transport;
    m_transport.clear(); // the library client owns it from here
    m_client->connectTransport(transport, [self, transport, done](McpResult<QJsonObject> r) {
        if (!self) {
            done(MCPError(QStringLiteral("Client disconnected")));
            return;
        }
        if (!r.ok()) {
            done(MCPError(QStringLiteral("Could not connect to MCP server '%1': %2").arg(self->m_name, r.error().message())));
            return;
        }
        // Anything may listen on a loopback port: tool calls go only to the server we started.
        const QString refused = transport ? self->checkPeer(transport->localAddress(), transport->localPort())
                                          : QStringLiteral("the connection is gone");
        if (!refused.isEmpty()) {
            self->m_client->disconnect();
            done(MCPError(QStringLiteral("Could not connect to MCP server '%1': %2").arg(self->m_name, refused)));
            return;
        }
        // A second opening request, as the handshake of this client has always sent; its
        // answer is not needed.
        self->m_client->initialize([done](McpResult<QJsonObject> again) {
            if (again.ok())
                done({});
            else
                done(again.error());
        }, kHandshakeTimeoutMs);
    }, kHandshakeTimeoutMs);
}

QString StandardMCPClient::checkPeer(const QHostAddress &localAddress, quint16 localPort) const
{
    if (!m_server)
        return {}; // a server this client did not start: nothing to compare with
    const qint64 group = m_server->pid();
    const auto serverEnd = LocalSockets::serverEndOf(localAddress, localPort, m_port);
    const QList<qint64> owners = serverEnd ? LocalSockets::owners(serverEnd->inode) : QList<qint64>();
    const bool ours = !owners.isEmpty() && std::all_of(owners.begin(), owners.end(), [group](qint64 pid) {
        return pid == group || LocalSockets::processGroup(pid) == group;
    });
    if (!ours)
        return QStringLiteral("the program answering on port %1 is not the started server").arg(m_port);
    for (const LocalSockets::Entry &listener : LocalSockets::listeners(m_port)) {
        if (!listener.localAddress.isLoopback())
            Log::line(QStringLiteral("⚠️ [%1] The MCP server listens on %2 port %3, beyond the loopback address")
                          .arg(m_name, listener.localAddress.toString()).arg(m_port));
    }
    return {};
}

void StandardMCPClient::listTools(McpCallback<QList<mcp::Tool>> done)
{
    m_client->listTools(std::nullopt, [done](McpResult<mcp::ListToolsResult> r) {
        if (r.ok())
            done(r.value().tools);
        else
            done(r.error());
    });
}

void StandardMCPClient::callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments,
                                 McpCallback<mcp::CallToolResult> done)
{
    m_client->callTool(toolName, arguments, std::move(done));
}

bool StandardMCPClient::isAlive() const
{
    return m_client->isConnected();
}

void StandardMCPClient::disconnect(std::function<void()> done)
{
    m_client->disconnect();
    ChildProcesses::stop(m_server, 2000, std::move(done));
}
