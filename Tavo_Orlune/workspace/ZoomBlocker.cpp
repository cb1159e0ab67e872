#include "workspace/ZoomBlocker.h"

#include <QChildEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <QWidget>

ZoomBlocker::ZoomBlocker(QObject *parent)
    : QObject(parent)
{
}

void ZoomBlocker::install(QWidget *view)
{
    auto *blocker = new ZoomBlocker(view);
    blocker->watch(view);
}

void ZoomBlocker::watch(QObject *object)
{
    if (!object->isWidgetType())
        return;
    object->installEventFilter(this);
    for (QObject *child : object->children())
        watch(child);
}

bool ZoomBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildPolished: // a child widget, fully made
        watch(static_cast<QChildEvent *>(event)->child());
        break;
    case QEvent::Wheel:
        if (static_cast<QWheelEvent *>(event)->modifiers() & Qt::ControlModifier)
            return true;
        break;
    case QEvent::NativeGesture: {
        const auto type = static_cast<QNativeGestureEvent *>(event)->gestureType();
        if (type == Qt::ZoomNativeGesture || type == Qt::SmartZoomNativeGesture)
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
