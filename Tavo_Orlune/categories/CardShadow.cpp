#include "categories/CardShadow.h"

#include "theme/ImageBlur.h"

#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
QHash<QString, QImage> &cache()
{
    static QHash<QString, QImage> images;
    return images;
}

int marginFor(qreal radius)
{
    return int(std::ceil(radius * 1.5));
}
} // namespace

namespace CardShadow {

void paint(QPainter &painter, const QRectF &shape, qreal cornerRadius, const QColor &color, qreal radius, const QPointF &offset)
{
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    const qreal dpr = std::max<qreal>(1.0, painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    const int margin = marginFor(radius);
    const QSize size = shape.size().toSize();
    const QString key = QStringLiteral("%1x%2/%3/%4/%5/%6")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(cornerRadius)
                            .arg(color.name(QColor::HexArgb))
                            .arg(radius)
                            .arg(dpr);
    QImage image = cache().value(key);
    if (image.isNull()) {
        const QSize bounds = size + QSize(2 * margin, 2 * margin);
        QImage source((QSizeF(bounds) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        source.setDevicePixelRatio(dpr);
        source.fill(Qt::transparent);
        QPainter p(&source);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(margin, margin), QSizeF(size)), cornerRadius, cornerRadius);
        p.fillPath(path, color);
        p.end();
        // The design's shadow radius spreads about twice the blur's standard deviation.
        image = ImageBlur::blurred(source, radius / 2);
        cache().insert(key, image);
    }
    painter.drawImage(shape.topLeft() + offset - QPointF(margin, margin), image);
}

} // namespace CardShadow
