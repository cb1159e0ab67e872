#include "store/AuthenticationPopupButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ScaleEffect.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
constexpr int kHoverMs = 200;
constexpr qreal kHoverScale = 1.02;
constexpr qreal kRestFill = 0.8;
constexpr qreal kBorderOpacity = 0.8;
const QString kChannel = QStringLiteral("hover");

QColor withOpacity(QColor c, qreal opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}
} // namespace

AuthenticationPopupButton::AuthenticationPopupButton(const QString &text, qreal textOpacity, QWidget *parent)
    : QAbstractButton(parent)
    , m_textOpacity(textOpacity)
    , m_animation(new QVariantAnimation(this))
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_animation->setDuration(kHoverMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_progress = v.toReal();
        ScaleEffect::of(this)->setScale(kChannel, 1.0 + (kHoverScale - 1.0) * m_progress);
        update();
    });
}

void AuthenticationPopupButton::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(hovered ? 1.0 : 0.0);
    m_animation->start();
}

QColor AuthenticationPopupButton::fillColor() const
{
    return withOpacity(Color::controlFill(), kRestFill + (1.0 - kRestFill) * m_progress);
}

QColor AuthenticationPopupButton::textColor() const
{
    return withOpacity(Color::textPrimary(), m_textOpacity);
}

QSize AuthenticationPopupButton::sizeHint() const
{
    return QSize(QFontMetrics(Fonts::emphasisFont()).horizontalAdvance(text()) + 32, height);
}

QSize AuthenticationPopupButton::minimumSizeHint() const
{
    return QSize(0, height);
}

void AuthenticationPopupButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void AuthenticationPopupButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void AuthenticationPopupButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // A pill at this height.
    const qreal radius = qMin<qreal>(100, r.height() / 2);
    QPainterPath pill;
    pill.addRoundedRect(r, radius, radius);
    p.fillPath(pill, fillColor());
    p.strokePath(pill, QPen(withOpacity(Color::cardBorder(), kBorderOpacity), 1));
    p.setFont(Fonts::emphasisFont());
    p.setPen(textColor());
    p.drawText(rect(), Qt::AlignCenter, text());
}
