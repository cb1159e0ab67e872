#include "Platform/KeyMonitor/LocalKeyMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

LocalKeyMonitor::LocalKeyMonitor(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
    if (auto *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        m_active = true;
    }
}

LocalKeyMonitor::~LocalKeyMonitor()
{
    remove();
}

void LocalKeyMonitor::remove()
{
    if (!m_active)
        return;
    m_active = false;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool LocalKeyMonitor::isReturn(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Return;
}

bool LocalKeyMonitor::isEscape(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Escape;
}

bool LocalKeyMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // A key press from the window system arrives at its window first and is then handed to
    // the focus widget and on to its parents; looking only at the window's copy sees each
    // press once.
    if (m_active && m_handler && event->type() == QEvent::KeyPress && watched->isWindowType()) {
        // The handler may delete this monitor; it runs from a copy.
        const Handler handler = m_handler;
        return handler(*static_cast<QKeyEvent *>(event));
    }
    return QObject::eventFilter(watched, event);
}
