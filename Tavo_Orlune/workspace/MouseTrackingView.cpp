#include "workspace/MouseTrackingView.h"
#include "Platform/Scheduler.h"

#include <QMouseEvent>

MouseTrackingView::MouseTrackingView(Binding location, QWidget *parent)
    : QWidget(parent)
    , m_location(std::move(location))
{
    // Clicks pass through to the widget below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    parent->setMouseTracking(true);
    parent->installEventFilter(this);
    setGeometry(parent->rect());
}

bool MouseTrackingView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget()) {
        // The tracked area is always the view's current bounds: moves outside them are not its.
        if (event->type() == QEvent::MouseMove && m_location && isActiveWindow()) {
            const QPointF point = mapFromParent(static_cast<QMouseEvent *>(event)->position());
            if (rect().contains(point.toPoint())) {
                Binding location = m_location;
                MainQueue::post(this, [location, point] { location(point); });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
