#include "workspace/DockTile.h"

#include "Platform/Assets.h"
#include "theme/Color.h"
#include "widgets/SVGMaskModifier.h"

#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace DockTile {

QSize buttonSize()
{
    return {tileEdge, tileEdge + spacing + indicatorHeight};
}

namespace {
void drawFitted(QPainter &p, const QString &name, const QRectF &rect)
{
    const QString path = Assets::path(name);
    if (path.isEmpty())
        return;
    if (path.endsWith(u".svg")) {
        QSvgRenderer svg(path);
        const QSizeF fitted = QSizeF(svg.defaultSize()).scaled(rect.size(), Qt::KeepAspectRatio);
        svg.render(&p, QRectF(rect.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted));
    } else {
        const QImage img(path);
        const QSizeF fitted = QSizeF(img.size()).scaled(rect.size(), Qt::KeepAspectRatio);
        p.drawImage(QRectF(rect.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), img);
    }
}

const QColor &indicatorColor()
{
    static const QColor c = Color::adaptiveColor(Color::hex(u"#272524"), Color::hex(u"#EAE9E3"));
    return c;
}
} // namespace

void paintTile(QPainter &painter, const QString &pictureName, const QColor &ground, int pictureEdge, qreal dpr)
{
    QImage tile(QSize(tileEdge, tileEdge) * dpr, QImage::Format_ARGB32_Premultiplied);
    tile.setDevicePixelRatio(dpr);
    tile.fill(Qt::transparent);
    {
        QPainter p(&tile);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF bounds(0, 0, tileEdge, tileEdge);
        p.fillRect(bounds, ground);
        const qreal edge = pictureEdge > 0 ? pictureEdge : tileEdge;
        drawFitted(p, pictureName, QRectF(bounds.center() - QPointF(edge / 2, edge / 2), QSizeF(edge, edge)));
    }
    painter.drawImage(QPointF(0, 0), SVGMaskModifier(QStringLiteral("app_icon_mask")).apply(tile));
}

void paintIndicator(QPainter &painter, qreal opacity)
{
    if (opacity <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(indicatorColor());
    const QRectF bar((tileEdge - indicatorWidth) / 2.0, tileEdge + spacing, indicatorWidth, indicatorHeight);
    painter.drawRoundedRect(bar, 1, 1);
    painter.restore();
}

} // namespace DockTile
