#include "theme/BackgroundModifiers.h"
#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/Materials.h"
#include "theme/Sizes.h"

#include <QPainter>
#include <QPainterPath>

namespace {
QPainterPath rounded(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    const qreal r = std::min({radius, rect.width() / 2, rect.height() / 2});
    path.addRoundedRect(rect, r, r);
    return path;
}
}

void RoundedBackground::paint(QPainter &painter, const QRectF &rect) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = rounded(rect, cornerRadius);
    painter.fillPath(shape, Materials::regular());
    painter.fillPath(shape, fill);
    const qreal inset = borderInset + lineWidth / 2;
    painter.setPen(QPen(border, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rounded(rect.adjusted(inset, inset, -inset, -inset), cornerRadius - inset));
    painter.restore();
}

RoundedBackground CardBackgroundModifier::background()
{
    return {Sizes::cornerRadiusMedium, Color::cardFill(), Color::cardBorder(), 1, 0};
}

RoundedBackground PanelBackgroundModifier::background()
{
    return {Sizes::cornerRadiusLarge, Color::panelFill(), Color::glassBorder(), 1.5, 0.5};
}

RoundedBackground LoginInputFieldBackgroundModifier::background()
{
    return {Sizes::inputCornerRadius, Color::controlFill(), Color::cardBorder(), 1, 0};
}

RoundedBackground ButtonBackgroundModifier::background()
{
    return {Sizes::cornerRadiusMedium, Color::buttonFill(), Color::cardBorder(), 1, 0};
}

void LoginCardBackgroundModifier::paint(QPainter &painter, const QRectF &rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPainterPath shape = rounded(rect, cornerRadius());
    painter.setClipPath(shape);
    const QPixmap picture = Assets::pixmap(QStringLiteral("img_login_bg"), rect.size().toSize(), painter.device()->devicePixelRatioF());
    if (!picture.isNull()) {
        // Fit: the whole picture shows, centred, keeping its proportions.
        const QSizeF fitted = QSizeF(picture.size() / picture.devicePixelRatioF()).scaled(rect.size(), Qt::KeepAspectRatio);
        const QRectF target(rect.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
        painter.drawPixmap(target, picture, QRectF(picture.rect()));
    }
    painter.fillPath(shape, Materials::regular());
    painter.setClipping(false);
    painter.setPen(QPen(Color::cardBorder(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rounded(rect.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius() - 0.5));
    painter.restore();
}
