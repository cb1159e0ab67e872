#include "theme/TemplateImage.h"

#include "Platform/Assets.h"

#include <QPaintDevice>
#include <QPainter>

namespace TemplateImage {

QImage tinted(const QString &name, const QSizeF &size, const QColor &color, qreal dpr)
{
    const QPixmap source = Assets::pixmap(name, size.toSize(), dpr);
    if (source.isNull())
        return {};
    QImage shape = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF natural = QSizeF(shape.size()) / dpr;
    const QSizeF fitted = natural.scaled(size, Qt::KeepAspectRatio);
    p.drawImage(QRectF(QPointF((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted), shape);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), size), color);
    p.end();
    return out;
}

void draw(QPainter &painter, const QString &name, const QRectF &rect, const QColor &color)
{
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage image = tinted(name, rect.size(), color, dpr);
    if (!image.isNull())
        painter.drawImage(rect.topLeft(), image);
}

}
