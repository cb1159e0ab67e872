#include "theme/ImageBlur.h"

#include <cmath>
#include <vector>

namespace {

// One box pass of half-width r along rows (horizontal) of premultiplied ARGB32 pixels;
// pixels beyond the ends count as transparent.
void boxPass(QImage &img, int r, bool horizontal)
{
    const int w = img.width(), h = img.height();
    const int lines = horizontal ? h : w;
    const int len = horizontal ? w : h;
    const int window = 2 * r + 1;
    std::vector<quint32> line(static_cast<size_t>(len));
    for (int l = 0; l < lines; ++l) {
        auto px = [&](int i) -> quint32 & {
            return horizontal ? reinterpret_cast<quint32 *>(img.scanLine(l))[i]
                              : reinterpret_cast<quint32 *>(img.scanLine(i))[l];
        };
        for (int i = 0; i < len; ++i)
            line[size_t(i)] = px(i);
        quint32 sa = 0, sr = 0, sg = 0, sb = 0;
        auto add = [&](int i, int sign) {
            if (i < 0 || i >= len)
                return;
            const quint32 p = line[size_t(i)];
            if (sign > 0) {
                sa += p >> 24; sr += (p >> 16) & 255; sg += (p >> 8) & 255; sb += p & 255;
            } else {
                sa -= p >> 24; sr -= (p >> 16) & 255; sg -= (p >> 8) & 255; sb -= p & 255;
            }
        };
        for (int i = -r; i < r; ++i)
            add(i, 1);
        for (int i = 0; i < len; ++i) {
            add(i + r, 1);
            px(i) = ((sa / window) << 24) | ((sr / window) << 16) | ((sg / window) << 8) | (sb / window);
            add(i - r, -1);
        }
    }
}

} // namespace

namespace ImageBlur {

QImage blurred(const QImage &image, qreal radius)
{
    QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (src.isNull() || radius <= 0.5)
        return src;
    const qreal dpr = src.devicePixelRatio();
    const qreal sigma = radius * dpr; // in device pixels
    // Work at a scale where the blur is about 4 px wide: enough for a smooth result.
    const qreal factor = std::max<qreal>(1.0, sigma / 4.0);
    const QSize small(std::max(1, int(std::ceil(src.width() / factor))), std::max(1, int(std::ceil(src.height() / factor))));
    QImage work = factor > 1.0 ? src.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : src;
    work = work.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const qreal s = sigma / factor;
    // Three box passes of width w have the variance (w^2 - 1) / 4 of a gaussian.
    const int r = std::max(1, int(std::lround((std::sqrt(4.0 * s * s + 1.0) - 1.0) / 2.0)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(work, r, true);
        boxPass(work, r, false);
    }
    QImage out = factor > 1.0 ? work.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : work;
    out = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(dpr);
    return out;
}

}
