#include "categories/BlurredIconCache.h"

#include "Platform/Assets.h"
#include "theme/ImageBlur.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {
struct Key {
    QString name;
    QSize frame;
    int blurCenti;
    int dprCenti;
    bool operator==(const Key &) const = default;
};
size_t qHash(const Key &k, size_t seed = 0)
{
    return qHashMulti(seed, k.name, k.frame.width(), k.frame.height(), k.blurCenti, k.dprCenti);
}

QHash<Key, QImage> &cache()
{
    static QHash<Key, QImage> images;
    return images;
}
int g_builds = 0;

// The asset scaled to cover the frame, centred and cut to it.
QImage aspectFilled(const QString &name, const QSize &frame, qreal dpr)
{
    const QString path = Assets::path(name);
    if (path.isEmpty())
        return {};
    QImage out((QSizeF(frame) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    QSizeF natural;
    QSvgRenderer svg;
    QImage raster;
    if (path.endsWith(u".svg")) {
        svg.load(path);
        natural = svg.defaultSize();
    } else {
        raster.load(path);
        natural = raster.size();
    }
    if (natural.isEmpty())
        return {};
    const QSizeF covered = natural.scaled(QSizeF(frame), Qt::KeepAspectRatioByExpanding);
    const QRectF target(QPointF((frame.width() - covered.width()) / 2, (frame.height() - covered.height()) / 2), covered);
    if (svg.isValid())
        svg.render(&p, target);
    else
        p.drawImage(target, raster);
    p.end();
    return out;
}
} // namespace

namespace BlurredIconCache {

QImage image(const QString &iconName, const QSize &frame, qreal blurRadius, qreal dpr)
{
    if (frame.isEmpty())
        return {};
    const Key key{iconName, frame, qRound(blurRadius * 100), qRound(dpr * 100)};
    auto it = cache().constFind(key);
    if (it != cache().constEnd())
        return *it;
    ++g_builds;
    const QImage filled = aspectFilled(iconName, frame, dpr);
    const QImage result = filled.isNull() ? QImage() : ImageBlur::blurred(filled, blurRadius);
    cache().insert(key, result);
    return result;
}

int buildCount()
{
    return g_builds;
}

void clear()
{
    cache().clear();
}

} // namespace BlurredIconCache
