#include "Controller/mcp/ControllerPaths.h"
#include "Platform/AppPaths.h"

namespace ControllerPaths {

QString scriptsDir()
{
    return AppPaths::resourceDir() + QStringLiteral("/Scripts");
}

}
