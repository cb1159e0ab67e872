#pragma once
#include <QString>

// Where the tool runtime finds its on-disk resources.
namespace ControllerPaths {
// The "Scripts" resource folder: the Node.js runtime link and the MCP proxy script.
QString scriptsDir();
}
