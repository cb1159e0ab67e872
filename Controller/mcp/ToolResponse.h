#pragma once
#include "Controller/mcp/McpTypes.h"

#include <QString>
#include <optional>

// The answer to one tool call, sent back to the assistant service as its result.
struct ToolResponse {
    QString id;
    QString content;             // the text result, or the failure's text
    std::optional<QString> data; // image markers, one per line; absent without images
};

// One tool with the configured (unsanitised) name of the server that offers it.
struct ClientTool {
    mcp::Tool tool;
    QString clientName;
};

Q_DECLARE_METATYPE(ToolResponse)
Q_DECLARE_METATYPE(ClientTool)
