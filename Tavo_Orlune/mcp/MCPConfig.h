#pragma once
#include "Controller/mcp/McpResult.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// The application's view of one server entry of the MCP configuration file. "env" is kept as
// it was written (by hand, usually) so that rewriting the file never drops it.
struct MCPServerConfig {
    QString command;
    QStringList args;
    std::optional<QJsonObject> env;

    bool operator==(const MCPServerConfig &o) const { return command == o.command && args == o.args && env == o.env; }
};

// The whole file: {"McpServers": {name: entry}}.
struct MCPConfig {
    QMap<QString, MCPServerConfig> mcpServers;

    // Strict: "McpServers" and each entry's "command" and "args" must be there and typed.
    static McpResult<MCPConfig> decode(const QByteArray &json);
    // Pretty-printed (four-space indent), keys sorted, slashes bare, no trailing newline.
    QByteArray encode() const;
};
