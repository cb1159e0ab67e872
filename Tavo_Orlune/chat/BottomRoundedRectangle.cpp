#include "chat/BottomRoundedRectangle.h"

#include <algorithm>

QPainterPath BottomRoundedRectangle::path(const QRectF &r) const
{
    // A radius larger than the rectangle allows would fold the outline over itself.
    const qreal rho = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
    QPainterPath p;
    p.moveTo(r.left(), r.top());
    p.lineTo(r.right(), r.top());
    p.lineTo(r.right(), r.bottom() - rho);
    // Qt's arc angles run counter-clockwise on screen: -90 turns the short way down and round.
    p.arcTo(QRectF(r.right() - 2 * rho, r.bottom() - 2 * rho, 2 * rho, 2 * rho), 0, -90);
    p.lineTo(r.left() + rho, r.bottom());
    p.arcTo(QRectF(r.left(), r.bottom() - 2 * rho, 2 * rho, 2 * rho), -90, -90);
    p.closeSubpath();
    return p;
}
