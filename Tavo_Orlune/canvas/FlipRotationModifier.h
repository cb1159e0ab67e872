#pragma once
#include <QRectF>
#include <QTransform>

// The placeholder's flip: its content turned about the horizontal axis by `angle` degrees,
// hinged at the bottom centre of its rectangle, seen with a short perspective. -90 and 90 lay
// the text flat (invisible); 0 is upright.
class FlipRotationModifier {
public:
    explicit FlipRotationModifier(qreal angle) : m_angle(angle) {}

    qreal angle() const { return m_angle; }
    QTransform transform(const QRectF &rect) const;

private:
    qreal m_angle;
};
