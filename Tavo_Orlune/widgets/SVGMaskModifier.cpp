#include "widgets/SVGMaskModifier.h"
#include "Platform/Assets.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace {
// The mask fitted into a frame of device pixels, transparent around it; made once per
// name and frame (icon tiles share a handful of sizes).
QImage maskFor(const QString &name, const QSize &device)
{
    static QHash<QString, QImage> cache;
    const QString key = name + u'|' + QString::number(device.width()) + u'x' + QString::number(device.height());
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QImage mask;
    const QPixmap natural = Assets::pixmap(name, QSize());
    if (!natural.isNull() && !natural.size().isEmpty()) {
        const QSize fitted = natural.size().scaled(device, Qt::KeepAspectRatio);
        const QPixmap drawn = Assets::pixmap(name, fitted);
        mask = QImage(device, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        QPainter p(&mask);
        p.drawPixmap((device.width() - fitted.width()) / 2, (device.height() - fitted.height()) / 2, drawn);
    }
    cache.insert(key, mask);
    return mask;
}
} // namespace

QImage SVGMaskModifier::apply(const QImage &content) const
{
    if (content.isNull())
        return content;
    const QImage mask = maskFor(m_svgName, content.size());
    if (mask.isNull())
        return content;
    QImage out = content.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    // Device pixels on both sides: the mask was made at the content's own pixel size.
    QImage plain = mask;
    plain.setDevicePixelRatio(out.devicePixelRatio());
    p.drawImage(QPointF(0, 0), plain);
    p.end();
    return out;
}
