#include "Controller/mcp/RemoteMCPClient.h"

#include "Controller/mcp/MCPProcessClient.h"

const QString RemoteMCPClient::kClientName = QStringLiteral("mcp-remote-client");
const QString RemoteMCPClient::kClientVersion = QStringLiteral("0.1.0");

void RemoteMCPClient::create(const QString &command, const QStringList &args, const std::optional<QMap<QString, QString>> &env,
                             McpCallback<std::shared_ptr<RemoteMCPClient>> done)
{
    auto *process = new MCPProcessClient(command, args);
    process->setExtraEnvironment(env);
    process->start([process, done](McpResult<void> r) {
        if (!r.ok()) {
            process->deleteLater();
            done(r.error());
            return;
        }
        done(std::shared_ptr<RemoteMCPClient>(new RemoteMCPClient(process)));
    });
}

RemoteMCPClient::~RemoteMCPClient()
{
    m_process->deleteLater();
}

void RemoteMCPClient::listTools(McpCallback<QList<mcp::Tool>> done)
{
    m_process->listTools(std::nullopt, std::move(done));
}

void RemoteMCPClient::callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments,
                               McpCallback<mcp::CallToolResult> done)
{
    m_process->callTool(toolName, arguments, std::move(done));
}

bool RemoteMCPClient::isAlive() const
{
    return m_process->isConnected();
}

void RemoteMCPClient::disconnect(std::function<void()> done)
{
    m_process->shutdown(std::move(done));
}
