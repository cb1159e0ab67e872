#pragma once
#include <QPainterPath>
#include <QRectF>

// A rectangle with square top corners and its bottom corners rounded by `radius`: the input
// panel's outline, which continues the chat's rounded frame at the bottom only.
struct BottomRoundedRectangle {
    qreal radius = 0;

    QPainterPath path(const QRectF &rect) const;
};
