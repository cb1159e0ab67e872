#include "canvas/ScalableContainer.h"

#include <QWidget>

ScalableContainer::ScalableContainer(QWidget *content, std::shared_ptr<QObject> modelContext, QObject *mainViewModel,
                                     qreal width, qreal height, QGraphicsItem *parent)
    : QGraphicsProxyWidget(parent)
    , m_baseSize(width, height)
    , m_modelContext(std::move(modelContext))
    , m_mainViewModel(mainViewModel)
{
    setWidget(content);
    setCanvasFrame(QRectF(0, 0, width, height));
}

void ScalableContainer::setCanvasFrame(const QRectF &frame)
{
    setPos(frame.topLeft());
    resize(frame.size());
}

void ScalableContainer::updateScale(qreal scale)
{
    m_currentScale = scale;
    update();
}
