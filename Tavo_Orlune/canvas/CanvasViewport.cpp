#include "canvas/CanvasViewport.h"
#include "canvas/CanvasConstants.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

qreal CanvasViewport::clampScale(qreal scale)
{
    return std::max(std::min(scale, maximumScale), minimumScale);
}

qreal CanvasViewport::zoomStep(qreal scale, bool zoomIn)
{
    return clampScale(scale * (zoomIn ? zoomInFactor : zoomOutFactor));
}

QString CanvasViewport::zoomLabel(qreal scale)
{
    return QString::number(static_cast<long long>(std::trunc(scale * 100))) + QLatin1Char('%');
}

QPointF CanvasViewport::defaultOffset(std::optional<QSizeF> screenSize)
{
    const QSizeF screen = screenSize.value_or(QSizeF(1920, 1080));
    const QPointF half(screen.width() / 2, screen.height() / 2);
    const QSizeF welcome = CanvasConstants::defaultWelcomeViewSize;
    const QPointF focus(CanvasConstants::welcomeViewX + welcome.width() * 0.5,
                        CanvasConstants::welcomeViewY + welcome.height() * 0.5 + 100);
    return half - defaultScale * focus;
}

std::optional<QSizeF> CanvasViewport::primaryScreenSize()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return QSizeF(screen->geometry().size());
    return std::nullopt;
}

QRectF CanvasViewport::viewRect(const QRectF &frame) const
{
    return QRectF(m_offset.x() + frame.x() * m_scale, m_offset.y() + frame.y() * m_scale, frame.width() * m_scale,
                  frame.height() * m_scale);
}

QPointF CanvasViewport::anchoredOffset(const QPointF &offset, const QPointF &anchor, qreal oldScale, qreal newScale)
{
    return anchor - newScale * ((anchor - offset) / oldScale);
}

QPointF CanvasViewport::scrolledOffset(const QSizeF &viewSize, qreal x, qreal y, qreal dx, qreal dy) const
{
    const QPointF centre(viewSize.width() / 2, viewSize.height() / 2);
    return centre - QPointF(x, y) * m_scale + QPointF(dx, dy) * m_scale;
}
