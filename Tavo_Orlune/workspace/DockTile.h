#pragma once
#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

// The look the dock's buttons share: a 40-point tile in the app-icon shape with a picture on a
// ground colour, and a small selection bar 4 points under it.
namespace DockTile {
constexpr int tileEdge = 40;
constexpr int indicatorWidth = 8;
constexpr int indicatorHeight = 2;
constexpr int spacing = 4;
// The button's size: the tile over the indicator.
QSize buttonSize();
// Paints the tile at (0, 0): ground, then the picture fitted (aspect kept) into a centred
// square of pictureEdge points (the whole tile when 0), cut to the app-icon shape.
void paintTile(QPainter &painter, const QString &pictureName, const QColor &ground, int pictureEdge, qreal devicePixelRatio);
// Paints the selection bar under the tile at the given opacity.
void paintIndicator(QPainter &painter, qreal opacity);
} // namespace DockTile
