#include "ControllerPaths.h"
#include "AppPaths.h"

namespace ControllerPaths {

QString scriptsDir()
{
    return AppPaths::resourceDir() + QStringLiteral("/Scripts");
}

}
