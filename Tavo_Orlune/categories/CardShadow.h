#pragma once
#include <QColor>
#include <QRectF>

class QPainter;

// Soft shadows under rounded shapes for views that paint themselves (no graphics effects inside
// canvas proxies). Each shadow picture is made once per shape size, corner radius, colour, blur
// and pixel ratio and then reused from a process-wide cache. Main thread only.
namespace CardShadow {
// Paints the shadow of a rounded rectangle shape, moved by offset and blurred by radius.
void paint(QPainter &painter, const QRectF &shape, qreal cornerRadius, const QColor &color, qreal radius, const QPointF &offset);
}
