#include "tutorial/FloatingAppIconsView.h"

#include "Platform/Assets.h"
#include "theme/ImageBlur.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

FloatingAppIconsView::FloatingAppIconsView(const QStringList &icons, const QList<FloatingIconPosition> &positions, QWidget *parent)
    : QWidget(parent), m_icons(icons), m_positions(positions)
{
    setObjectName(QStringLiteral("floatingAppIcons"));
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void FloatingAppIconsView::setPositions(const QList<FloatingIconPosition> &positions)
{
    if (positions == m_positions)
        return;
    m_positions = positions;
    update();
}

QImage FloatingAppIconsView::shadowFor(qreal size, qreal dpr)
{
    const int key = int(std::lround(size * 100));
    QImage image = m_shadows.value(key);
    if (!image.isNull() && qFuzzyCompare(image.devicePixelRatio(), dpr))
        return image;
    const qreal margin = std::ceil(shadowBlur(size) * 2);
    const QSizeF bounds(size + 2 * margin, size + 2 * margin);
    QImage source((bounds * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    source.setDevicePixelRatio(dpr);
    source.fill(Qt::transparent);
    QPainter p(&source);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(margin, margin, size, size), cornerRadius(size), cornerRadius(size));
    p.fillPath(path, QColor(0, 0, 0, qRound(0.12 * 255)));
    p.end();
    image = ImageBlur::blurred(source, shadowBlur(size) / 2);
    m_shadows.insert(key, image);
    return image;
}

void FloatingAppIconsView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal dpr = devicePixelRatioF();
    for (int i = 0; i < m_icons.size() && i < m_positions.size(); ++i) {
        const FloatingIconPosition &pos = m_positions[i];
        const qreal s = pos.size;
        if (s <= 0)
            continue;
        p.save();
        p.translate(center(pos, size()));
        p.rotate(pos.rotation);
        const QRectF frame(-s / 2, -s / 2, s, s);
        const QImage shadow = shadowFor(s, dpr);
        const qreal margin = (shadow.width() / dpr - s) / 2;
        p.drawImage(frame.topLeft() + QPointF(-margin, -margin + shadowDrop(s)), shadow);
        QPainterPath mask;
        mask.addRoundedRect(frame, cornerRadius(s), cornerRadius(s));
        p.setClipPath(mask);
        // Filling the square: the picture keeps its aspect ratio and overflows rather than
        // leaving bars.
        const QPixmap logo = Assets::pixmap(m_icons[i], QSize(qCeil(s), qCeil(s)), dpr);
        if (!logo.isNull()) {
            QSizeF picture = logo.deviceIndependentSize();
            picture.scale(frame.size(), Qt::KeepAspectRatioByExpanding);
            p.drawPixmap(QRectF(QPointF(-picture.width() / 2, -picture.height() / 2), picture), logo, QRectF(logo.rect()));
        }
        p.restore();
    }
}
