#include "canvas/FlipRotationModifier.h"

QTransform FlipRotationModifier::transform(const QRectF &rect) const
{
    // QTransform::rotate about the x axis projects with a fixed eye distance of 1024; a hinge
    // at the bottom centre keeps the text's baseline where it is while it turns.
    const QPointF hinge(rect.center().x(), rect.bottom());
    QTransform t;
    t.translate(hinge.x(), hinge.y());
    t.rotate(m_angle, Qt::XAxis);
    t.translate(-hinge.x(), -hinge.y());
    return t;
}
