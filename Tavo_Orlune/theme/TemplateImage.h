#pragma once
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// Image assets drawn as templates: only the picture's shape counts, filled with one colour.
namespace TemplateImage {
// The asset rendered at size (aspect ratio kept, centred) in color; null when it is missing.
QImage tinted(const QString &name, const QSizeF &size, const QColor &color, qreal devicePixelRatio = 1.0);
// Draws the tinted asset fitted into rect.
void draw(QPainter &painter, const QString &name, const QRectF &rect, const QColor &color);
}
