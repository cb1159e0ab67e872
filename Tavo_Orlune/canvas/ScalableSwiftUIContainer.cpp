#include "canvas/ScalableSwiftUIContainer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {
qreal screenBackingFactor()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return 2;
}
}

ScalableSwiftUIContainer::ScalableSwiftUIContainer(QWidget *content, std::shared_ptr<QObject> modelContext, QObject *mainViewModel,
                                                   qreal width, qreal height, QGraphicsItem *parent)
    : QGraphicsProxyWidget(parent)
    , m_baseSize(width, height)
    , m_backingScaleFactor(screenBackingFactor())
    , m_modelContext(std::move(modelContext))
    , m_mainViewModel(mainViewModel)
{
    setAcceptHoverEvents(true);
    setWidget(content);
    setCanvasFrame(QRectF(0, 0, width, height));
}

qreal ScalableSwiftUIContainer::contentsScaleTarget(qreal x, qreal b)
{
    if (x <= 0.5)
        return b * 0.5;
    if (x <= 1)
        return b;
    if (x <= 2)
        return b * 1.5;
    return b * 2;
}

void ScalableSwiftUIContainer::setCanvasFrame(const QRectF &frame)
{
    setPos(frame.topLeft());
    if (size() != frame.size())
        resize(frame.size());
}

void ScalableSwiftUIContainer::updateScale(qreal scale)
{
    // A pan asks every container to draw at the current scale: when that is what it shows
    // already, nothing may be invalidated, or every pan step would repaint every column.
    if (m_drawn && m_uiDrawScale == scale && m_currentScale == scale && m_displayScale == 1)
        return;
    m_drawn = true;
    m_currentScale = scale;
    m_uiDrawScale = scale;
    m_displayScale = 1;
    ++m_renderCount;
    applyCacheMode();
    update();
    updateContentsScale(scale);
}

void ScalableSwiftUIContainer::applyFrameAndScale(const QRectF &canvasFrame, qreal scale)
{
    if (std::abs(m_uiDrawScale - scale) > 0.6) {
        setCanvasFrame(canvasFrame);
        updateScale(scale);
        return;
    }
    setPos(canvasFrame.topLeft()); // keeps its size: nothing is laid out during a gesture
    showAtScale(scale);
}

void ScalableSwiftUIContainer::showAtScale(qreal scale)
{
    m_currentScale = scale;
    m_displayScale = scale / m_uiDrawScale;
    applyCacheMode();
    updateContentsScale(m_displayScale);
}

bool ScalableSwiftUIContainer::updateContentsScale(qreal x)
{
    const qreal target = contentsScaleTarget(x, m_backingScaleFactor);
    if (std::abs(target - m_lastContentScale) <= 0.2)
        return false;
    m_lastContentScale = target;
    applyCacheMode();
    return true;
}

void ScalableSwiftUIContainer::applyCacheMode()
{
    if (m_displayScale == 1) {
        if (cacheMode() != DeviceCoordinateCache)
            setCacheMode(DeviceCoordinateCache);
        m_itemCacheSize = QSize();
        return;
    }
    // The kept rendering: as many pixels per canvas unit as the drawn scale times the tier.
    const qreal density = m_uiDrawScale * std::max<qreal>(m_lastContentScale, 0.5);
    const QSize cacheSize(std::max(1, int(std::ceil(size().width() * density))), std::max(1, int(std::ceil(size().height() * density))));
    if (cacheMode() == ItemCoordinateCache && m_itemCacheSize == cacheSize)
        return;
    m_itemCacheSize = cacheSize;
    setCacheMode(ItemCoordinateCache, cacheSize);
}
