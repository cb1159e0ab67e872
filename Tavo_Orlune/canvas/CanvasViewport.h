#pragma once
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>
#include <optional>

// The viewport of the canvas: a scale (how large one canvas unit is drawn) and an offset (the
// view point at which the canvas origin is drawn). A canvas point p is drawn at
// offset + p × scale. Pure arithmetic; the screen size comes from the caller.
class CanvasViewport {
public:
    static constexpr qreal defaultScale = 0.75;
    static constexpr qreal minimumScale = 0.2;
    static constexpr qreal maximumScale = 1.0;
    static constexpr qreal zoomInFactor = 1.1;
    static constexpr qreal zoomOutFactor = 0.9090909090909091;
    static constexpr qreal detailScale = 0.8;

    CanvasViewport() = default;
    CanvasViewport(qreal scale, const QPointF &offset) : m_scale(clampScale(scale)), m_offset(offset) {}

    qreal scale() const { return m_scale; }
    void setScale(qreal scale) { m_scale = clampScale(scale); }
    const QPointF &offset() const { return m_offset; }
    void setOffset(const QPointF &offset) { m_offset = offset; }

    // First the upper limit, then the lower one.
    static qreal clampScale(qreal scale);
    // One zoom step from a scale, clamped.
    static qreal zoomStep(qreal scale, bool zoomIn);
    // The toolbar's zoom text: the integer part of scale × 100 and "%".
    static QString zoomLabel(qreal scale);

    // The offset that shows the canvas point 100 units below the welcome component's centre at
    // the centre of a screen of that size, at the default scale. Without a screen, 1920 × 1080.
    static QPointF defaultOffset(std::optional<QSizeF> screenSize);
    // The primary screen's size, or none without a screen.
    static std::optional<QSizeF> primaryScreenSize();

    QPointF toView(const QPointF &canvasPoint) const { return m_offset + canvasPoint * m_scale; }
    QPointF toCanvas(const QPointF &viewPoint) const { return (viewPoint - m_offset) / m_scale; }
    QRectF viewRect(const QRectF &canvasFrame) const;
    // The view's transform for scene coordinates in canvas units.
    QTransform transform() const { return QTransform(m_scale, 0, 0, m_scale, m_offset.x(), m_offset.y()); }

    // The offset that keeps the canvas point under the view point anchor in place while the
    // scale goes from oldScale to newScale (the scale itself is not touched).
    static QPointF anchoredOffset(const QPointF &offset, const QPointF &anchor, qreal oldScale, qreal newScale);
    // Shows canvas point (x, y) at the view centre, shifted by (dx, dy) canvas units.
    QPointF scrolledOffset(const QSizeF &viewSize, qreal x, qreal y, qreal dx, qreal dy) const;

    friend bool operator==(const CanvasViewport &a, const CanvasViewport &b) { return a.m_scale == b.m_scale && a.m_offset == b.m_offset; }

private:
    qreal m_scale = defaultScale;
    QPointF m_offset;
};
