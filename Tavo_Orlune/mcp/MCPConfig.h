#pragma once
#include "Controller/mcp/McpResult.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// The application's view of one server entry of the MCP configuration file. "env" (written by
// hand, usually) is kept so that rewriting the file never drops it.
struct MCPServerConfig {
    QString command;
    QStringList args;
    std::optional<QJsonObject> env;

    bool operator==(const MCPServerConfig &o) const { return command == o.command && args == o.args && env == o.env; }
};

// The whole file: {"McpServers": {name: entry}}.
struct MCPConfig {
    QMap<QString, MCPServerConfig> mcpServers;

    // Read by the tool runtime's decoder (McpServerConfigurationCollection::decode), so both
    // sides accept and refuse the same files.
    static McpResult<MCPConfig> decode(const QByteArray &json);
    // Pretty-printed (four-space indent), keys sorted, slashes bare, no trailing newline.
    QByteArray encode() const;
};
