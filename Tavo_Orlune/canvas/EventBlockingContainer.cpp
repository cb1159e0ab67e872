#include "canvas/EventBlockingContainer.h"

#include <QMouseEvent>
#include <QPainter>

EventBlockingContainer::EventBlockingContainer(QWidget *content, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
{
    content->setParent(this);
    if (parent)
        setGeometry(parent->rect());
    content->setGeometry(rect());
}

void EventBlockingContainer::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 255, qRound(0.1 * 255)));
}

void EventBlockingContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
}

void EventBlockingContainer::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_onClick) {
        auto onClick = m_onClick; // the call may delete this layer
        onClick();
    }
}

void EventBlockingContainer::wheelEvent(QWheelEvent *event)
{
    event->accept();
}
