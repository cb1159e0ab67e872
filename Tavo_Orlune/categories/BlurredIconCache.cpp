#include "categories/BlurredIconCache.h"

#include "Platform/Assets.h"
#include "theme/ImageBlur.h"

#include <QHash>
#include <cmath>
#include <QPainter>
#include <QSvgRenderer>

namespace {
struct Key {
    QString name;
    QSize frame;
    int blurCenti;
    int dprCenti;
    bool extend;
    bool operator==(const Key &) const = default;
};
size_t qHash(const Key &k, size_t seed = 0)
{
    return qHashMulti(seed, k.name, k.frame.width(), k.frame.height(), k.blurCenti, k.dprCenti, k.extend);
}

QHash<Key, QImage> &cache()
{
    static QHash<Key, QImage> images;
    return images;
}
int g_builds = 0;

// The asset scaled to cover the frame and centred on it, drawn into the frame grown by margin on
// every side (what lies beyond that is cut).
QImage aspectFilled(const QString &name, const QSize &frame, int margin, qreal dpr)
{
    const QString path = Assets::path(name);
    if (path.isEmpty())
        return {};
    const QSize canvas = frame.grownBy(QMargins(margin, margin, margin, margin));
    QImage out((QSizeF(canvas) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
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
    const QRectF target(QPointF((canvas.width() - covered.width()) / 2, (canvas.height() - covered.height()) / 2), covered);
    if (svg.isValid())
        svg.render(&p, target);
    else
        p.drawImage(target, raster);
    p.end();
    return out;
}
} // namespace

namespace BlurredIconCache {

QImage image(const QString &iconName, const QSize &frame, qreal blurRadius, qreal dpr, Edges edges)
{
    if (frame.isEmpty())
        return {};
    const bool extend = edges == Edges::Extend;
    const Key key{iconName, frame, qRound(blurRadius * 100), qRound(dpr * 100), extend};
    auto it = cache().constFind(key);
    if (it != cache().constEnd())
        return *it;
    ++g_builds;
    // Three radii of overflow carry practically all that the blur draws into the frame.
    const int margin = extend ? int(std::ceil(blurRadius * 3)) : 0;
    const QImage filled = aspectFilled(iconName, frame, margin, dpr);
    QImage result;
    if (!filled.isNull()) {
        result = ImageBlur::blurred(filled, blurRadius);
        if (margin > 0) {
            const QRect inner(QPoint(qRound(margin * dpr), qRound(margin * dpr)), (QSizeF(frame) * dpr).toSize());
            result = result.copy(inner);
            result.setDevicePixelRatio(dpr);
        }
    }
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
