#pragma once
#include "Controller/mcp/McpResult.h"
#include "Controller/mcp/McpTypes.h"

#include <QString>
#include <memory>

// What the client manager needs of any MCP client: a local server reached over TCP
// (StandardMCPClient) or a remote one through the proxy process (RemoteMCPClient).
// Clients live on the tool runtime's thread; every callback runs there. The tables hold them
// as shared pointers, so copies share one connection.
class MCPClientProtocol {
public:
    virtual ~MCPClientProtocol() = default;
    virtual QString name() const = 0;
    virtual QString version() const = 0;
    virtual void connect(McpCallback<void> done) = 0;
    virtual void initialize(const QString &name, const QString &version, McpCallback<void> done) = 0;
    virtual void listTools(McpCallback<QList<mcp::Tool>> done) = 0;
    virtual void callTool(const QString &toolName, const std::optional<mcp::Arguments> &arguments,
                          McpCallback<mcp::CallToolResult> done) = 0;
    // Never fails: ends the connection and stops whatever process the client owns.
    virtual void disconnect(std::function<void()> done) = 0;
    // False once the connection has ended (the server died or closed it): the client is of no
    // further use and is replaced on its next use.
    virtual bool isAlive() const = 0;
};

using MCPClientPtr = std::shared_ptr<MCPClientProtocol>;
