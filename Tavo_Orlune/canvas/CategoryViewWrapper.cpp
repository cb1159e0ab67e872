#include "canvas/CategoryViewWrapper.h"
#include "canvas/CategoryViewHeightObserver.h"

#include <QEvent>
#include <QVBoxLayout>

CategoryViewWrapper::CategoryViewWrapper(QWidget *content, CategoryViewHeightObserver *observer, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_observer(observer)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    observer->setParent(this);
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    // The canvas decides the wrapper's size (the column's frame); the content's wish reaches it
    // only through the height report.
    stack->setSizeConstraint(QLayout::SetNoConstraint);
    stack->addWidget(content, 0, Qt::AlignHCenter | Qt::AlignTop);
    stack->addStretch(1);
}

int CategoryViewWrapper::contentLayoutHeight() const
{
    QLayoutItem *item = layout()->itemAt(0);
    if (!item || !m_content)
        return -1;
    if (item->hasHeightForWidth())
        return item->heightForWidth(width());
    const int h = item->sizeHint().height();
    return h > 0 ? h : -1;
}

void CategoryViewWrapper::reportHeight()
{
    const int h = contentLayoutHeight();
    if (h >= 0)
        m_observer->updateHeight(h);
}

bool CategoryViewWrapper::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A child's geometry request (its content grew or shrank) arrives here as a layout request.
    if (event->type() == QEvent::LayoutRequest)
        reportHeight();
    return handled;
}

void CategoryViewWrapper::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    reportHeight();
}
