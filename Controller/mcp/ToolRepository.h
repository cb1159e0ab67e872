#pragma once
#include "McpResult.h"

#include <QFuture>
#include <QObject>

// The process-wide tool repository of the tool runtime; it lives on the runtime's thread.
class ToolRepository : public QObject {
    Q_OBJECT
public:
    static ToolRepository &shared();

    // Creates the MCP configuration file when it is missing: the shipped default text byte
    // for byte, or the empty default. An existing file is left as it is.
    QFuture<void> ensureConfigExists();
    McpResult<void> ensureConfigExistsNow();

private:
    ToolRepository();
};
