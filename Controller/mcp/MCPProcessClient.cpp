#include "Controller/mcp/MCPProcessClient.h"

#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"
#include "Controller/mcp/ChildProcesses.h"
#include "Controller/mcp/ControllerPaths.h"
#include "Platform/Log.h"
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "Controller/mcp/StdioTransport.h"
#include "Controller/mcp/ToolRuntime.h"

#include <QFileInfo>
#include <QProcessEnvironment>

MCPProcessClient::MCPProcessClient(const QString &, QStringList arguments, QObject *parent)
    : QObject(parent), m_arguments(std::move(arguments))
{
}

MCPProcessClient::~MCPProcessClient() = default; // a running proxy is stopped by its ManagedProcess

QString MCPProcessClient::nodePath()
{
    return ControllerPaths::scriptsDir() + QStringLiteral("/node");
}

QString MCPProcessClient::proxyPath()
{
    return ControllerPaths::scriptsDir() + QStringLiteral("/mcp-remote-0.1.16/dist/proxy.js");
}

QString MCPProcessClient::proxyConfigDir()
{
    const QString dir = AppPaths::appDataDir() + QStringLiteral("/mcp-remote");
    AppPaths::ensurePrivateDir(dir);
    return dir;
}

void MCPProcessClient::start(McpCallback<void> done)
{
    const QString node = nodePath();
    const QString proxy = proxyPath();
    if (!QFileInfo::exists(node) || !QFileInfo::exists(proxy)) {
        done(MCPError(QStringLiteral("Missing Node.js binary or proxy.js")));
        return;
    }

    auto *process = new ManagedProcess(this);
    QProcessEnvironment env = ChildProcesses::environment(m_extraEnvironment);
    env.insert(QStringLiteral("MCP_REMOTE_CONFIG_DIR"), proxyConfigDir());
    process->setEnvironment(env);
    ChildProcesses::forwardOutput(process, QStringLiteral("[mcp-remote]"), false);
    QPointer<MCPProcessClient> self(this);
    connect(process, &ManagedProcess::finished, this, [self, process](int code, QProcess::ExitStatus) {
        Log::line(QStringLiteral("[MCP_DEBUG] ❌ mcp-remote process exited with code: %1").arg(code));
        if (self && self->m_process == process)
            self->m_process.clear();
        process->deleteLater();
    });
    ToolRuntime::instance().track(process);
    process->start(node, QStringList{proxy} + m_arguments);
    if (!process->waitForStarted(10000)) {
        const QString reason = process->process()->errorString();
        process->disconnect(this);
        delete process;
        done(MCPError(reason));
        return;
    }

    auto *transport = new StdioTransport(process->process());
    AppInfo &info = AppInfo::instance();
    QString clientName = info.string(QStringLiteral("CFBundleDisplayName"));
    if (clientName.isEmpty())
        clientName = info.string(QStringLiteral("CFBundleName"));
    if (clientName.isEmpty())
        clientName = QStringLiteral("Tavo Orlune");
    QString clientVersion = info.version();
    if (clientVersion.isEmpty())
        clientVersion = QStringLiteral("1.0.0");
    Log::line(QStringLiteral("[MCP_DEBUG] 📱 Creating MCP client with name: '%1', version: '%2'").arg(clientName, clientVersion));

    auto *client = new McpClient(clientName, clientVersion, this);
    QPointer<ManagedProcess> proc(process);
    client->connectTransport(transport, [self, client, transport, proc, done](McpResult<QJsonObject> r) {
        if (!self) {
            done(MCPError(QStringLiteral("Client disconnected")));
            return;
        }
        if (!r.ok()) {
            // A proxy that could not complete the handshake is of no use: never leave it running.
            client->deleteLater();
            ChildProcesses::stop(proc, kShutdownGraceMs, [done, error = r.error()] { done(error); });
            return;
        }
        self->m_process = proc;
        self->m_client = client;
        self->m_transport = transport;
        done({});
    }, kHandshakeTimeoutMs);
}

void MCPProcessClient::listTools(std::optional<QString> cursor, McpCallback<QList<mcp::Tool>> done)
{
    if (!m_client) {
        done(MCPError(QStringLiteral("Client not connected")));
        return;
    }
    m_client->listTools(cursor, [done](McpResult<mcp::ListToolsResult> r) {
        if (r.ok())
            done(r.value().tools);
        else
            done(r.error());
    });
}

void MCPProcessClient::callTool(const QString &name, const std::optional<mcp::Arguments> &arguments,
                                McpCallback<mcp::CallToolResult> done)
{
    if (!m_client) {
        done(MCPError(QStringLiteral("Client not connected")));
        return;
    }
    m_client->callTool(name, arguments, std::move(done));
}

void MCPProcessClient::shutdown(std::function<void()> done)
{
    Log::line(QStringLiteral("[MCP_DEBUG] 🔄 Shutting down MCP process client"));
    if (m_client)
        m_client->disconnect();
    QPointer<MCPProcessClient> self(this);
    auto finish = [self, done] {
        if (self) {
            if (self->m_client)
                self->m_client->deleteLater();
            self->m_client.clear();
            self->m_transport.clear();
            self->m_process.clear();
        }
        Log::line(QStringLiteral("[MCP_DEBUG] ✅ MCP process client shutdown complete"));
        if (done)
            done();
    };
    ChildProcesses::stop(m_process, kShutdownGraceMs, finish);
}
