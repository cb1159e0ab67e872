#pragma once
#include "Controller/mcp/MCPClientProtocol.h"

#include <QMap>
#include <QStringList>

class MCPProcessClient;

// A remote MCP server reached through the proxy process. The connection is made when the
// client is created; connect and initialize have nothing left to do.
class RemoteMCPClient : public MCPClientProtocol {
public:
    static const QString kClientName;
    static const QString kClientVersion;

    // Starts the proxy with args and connects to it; the command of the entry is not used, its
    // env is added to the proxy's environment.
    static void create(const QString &command, const QStringList &args, const std::optional<QMap<QString, QString>> &env,
                       McpCallback<std::shared_ptr<RemoteMCPClient>> done);
    ~RemoteMCPClient() override;

    QString name() const override { return kClientName; }
    QString version() const override { return kClientVersion; }
    void connect(McpCallback<void> done) override { done({}); }
    void initialize(const QString &, const QString &, McpCallback<void> done) override { done({}); }
    void listTools(McpCallback<QList<mcp::Tool>> done) override;
    void callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments,
                  McpCallback<mcp::CallToolResult> done) override;
    void disconnect(std::function<void()> done) override;
    bool isAlive() const override;

    MCPProcessClient *processClient() const { return m_process; }

private:
    explicit RemoteMCPClient(MCPProcessClient *process) : m_process(process) {}
    MCPProcessClient *m_process;
};
