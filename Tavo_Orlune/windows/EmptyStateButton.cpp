#include "windows/EmptyStateButton.h"

#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/Sizes.h"
#include "theme/TemplateImage.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kBadge = 16;
constexpr int kGap = 8;
constexpr int kLeading = 8;
constexpr int kTrailing = 12;
constexpr int kVertical = 8;
}

EmptyStateButton::EmptyStateButton(const QString &label, Glyph glyph, QWidget *parent)
    : QAbstractButton(parent)
    , m_glyph(glyph)
{
    setText(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    HoverScaleEffectModifier::apply(this, 1.05);
}

QSize EmptyStateButton::sizeHint() const
{
    const QFontMetrics fm(Fonts::captionBoldFont());
    const int textWidth = fm.horizontalAdvance(text());
    const int height = std::max(kBadge, fm.height());
    return QSize(kLeading + kBadge + kGap + textWidth + kTrailing + 1, kVertical + height + kVertical);
}

void EmptyStateButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath pill;
    const qreal radius = std::min(Sizes::pillCornerRadius, r.height() / 2);
    pill.addRoundedRect(r, radius, radius);
    p.fillPath(pill, Color::controlFill());
    p.setPen(QPen(Color::cardBorder(), 1));
    p.drawPath(pill);

    const QRectF badge(kLeading, (height() - kBadge) / 2.0, kBadge, kBadge);
    p.setPen(Qt::NoPen);
    p.setBrush(Color::controlForeground());
    p.drawEllipse(badge);
    if (m_glyph == Glyph::Plus) {
        // The plus sign, as thick as a 10 pt medium glyph.
        const QPointF c = badge.center();
        p.setPen(QPen(Color::controlFill(), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c - QPointF(3.5, 0), c + QPointF(3.5, 0));
        p.drawLine(c - QPointF(0, 3.5), c + QPointF(0, 3.5));
    } else {
        const QRectF glyph(badge.center() - QPointF(5, 5), QSizeF(10, 10));
        TemplateImage::draw(p, QStringLiteral("btn_canvas"), glyph, Color::controlFill());
    }

    p.setFont(Fonts::captionBoldFont());
    p.setPen(Color::textPrimary());
    p.drawText(QRectF(badge.right() + kGap, 0, width() - badge.right() - kGap - kTrailing + 1, height()),
               Qt::AlignLeft | Qt::AlignVCenter, text());
}
