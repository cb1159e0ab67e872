#include "theme/BlurredGradientBackground.h"
#include "theme/BlurredGradientBackgroundStore.h"
#include "theme/ImageBlur.h"

#include <QLinearGradient>
#include <QPainter>

BlurredGradientBackground::BlurredGradientBackground(std::optional<int> index, qreal blurRadius, double opacity, QWidget *parent)
    : QWidget(parent)
    , m_store(new BlurredGradientBackgroundStore(this))
    , m_index(index)
    , m_blurRadius(blurRadius)
    , m_opacity(opacity)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BlurredGradientBackground::paintBackground(QPainter &painter, const QRectF &rect)
{
    if (rect.isEmpty())
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (m_cache.isNull() || m_cacheSize != rect.size() || !qFuzzyCompare(m_cacheDpr, dpr)) {
        const auto [first, second] = m_store->gradient(m_index);
        QImage img((rect.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(dpr);
        QPainter ip(&img);
        QLinearGradient g(QPointF(rect.width() / 2, 0), QPointF(rect.width() / 2, rect.height()));
        g.setColorAt(0, first);
        g.setColorAt(1, second);
        ip.fillRect(QRectF(QPointF(0, 0), rect.size()), g);
        ip.end();
        m_cache = ImageBlur::blurred(img, m_blurRadius);
        m_cacheSize = rect.size();
        m_cacheDpr = dpr;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * m_opacity);
    painter.drawImage(rect.topLeft(), m_cache);
    painter.restore();
}

void BlurredGradientBackground::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintBackground(p, rect());
}
