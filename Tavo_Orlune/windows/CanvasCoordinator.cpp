#include "windows/CanvasCoordinator.h"

#include <QObject>

CanvasCoordinator::~CanvasCoordinator() = default;

CanvasCoordinator *CanvasCoordinator::from(QObject *coordinator)
{
    return dynamic_cast<CanvasCoordinator *>(coordinator);
}
