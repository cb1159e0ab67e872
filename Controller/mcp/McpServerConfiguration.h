#pragma once
#include "Controller/mcp/McpResult.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// The runtime's view of one entry of the MCP configuration file.
struct McpServerConfiguration {
    QString command;
    QStringList args;
    std::optional<QMap<QString, QString>> env; // absent or null in the file: none

    bool operator==(const McpServerConfiguration &o) const { return command == o.command && args == o.args && env == o.env; }
};

// The whole file as the runtime reads it: {"McpServers": {name: entry}}. Decoding is strict:
// a missing "McpServers", an entry without "command" or "args", or a member of the wrong
// type makes the whole file unreadable.
struct McpServerConfigurationCollection {
    QMap<QString, McpServerConfiguration> mcpServers;

    static McpResult<McpServerConfigurationCollection> decode(const QByteArray &json);
};

// Where the configuration file lives: <Application Support>/TavoOrlune/config.json.
namespace McpConfigLocation {
// Empty when the platform gives no Application Support folder.
QString applicationSupportDir();
QString configFilePath();
// The shipped default configuration (a resource of the tool runtime).
QString defaultResourcePath();
// What a new file holds when there is no default resource.
QByteArray emptyDefaultText();
}
