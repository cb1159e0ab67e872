#include "theme/CircleButton.h"
#include "theme/Animations.h"
#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/ImageBlur.h"
#include "theme/ScaleEffect.h"
#include "theme/Sizes.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
constexpr qreal kShadowRadius = 15;
constexpr qreal kShadowOffsetY = 15;
const QString kChannel = QStringLiteral("circleHover");
}

CircleButton::CircleButton(const QString &buttonImage, QWidget *customImageView, const std::optional<QString> &label,
                           std::optional<qreal> size, std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_buttonImage(buttonImage)
    , m_customImageView(customImageView)
    , m_label(label)
    , m_size(size)
    , m_action(std::move(action))
    , m_hoverAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_Hover, true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    if (m_label)
        setAccessibleName(*m_label);
    else if (!m_buttonImage.isEmpty())
        setAccessibleName(m_buttonImage);
    if (m_customImageView) {
        m_customImageView->setParent(this);
        m_customImageView->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    }
    m_hoverAnimation->setDuration(300);
    m_hoverAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_hoverProgress = v.toReal();
        if (m_label)
            ScaleEffect::of(this)->setScale(kChannel, 0.98 + 0.02 * m_hoverProgress);
        update();
    });
    if (m_label)
        ScaleEffect::of(this)->setScale(kChannel, 0.98);
    else
        m_hoverModifier = HoverScaleEffectModifier::apply(this, 1.1);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
    resize(sizeHint());
}

qreal CircleButton::diameter() const
{
    if (m_size)
        return *m_size;
    return m_label ? Sizes::labeledIconButtonSize : Sizes::iconButtonSize;
}

QSizeF CircleButton::captionSize() const
{
    if (!m_label)
        return {};
    const QFontMetricsF fm(Fonts::emphasisFont());
    return QSizeF(fm.horizontalAdvance(*m_label) + 2 * Sizes::spacingM, fm.height() + 2 * Sizes::spacingS);
}

QSize CircleButton::sizeHint() const
{
    const qreal d = diameter();
    if (!m_label)
        return QSizeF(d, d).toSize();
    const QSizeF caption = captionSize();
    return QSizeF(std::max(d, caption.width()), d + Sizes::spacingL + caption.height()).toSize();
}

QRectF CircleButton::circleRect() const
{
    const qreal d = diameter();
    if (!m_label) {
        // The circle keeps an aspect ratio of 1 and fits the space it is given.
        const qreal s = std::min<qreal>({d, qreal(width()), qreal(height())});
        return QRectF((width() - s) / 2, (height() - s) / 2, s, s);
    }
    const QSizeF caption = captionSize();
    const qreal top = std::max<qreal>(0, (height() - (d + Sizes::spacingL + caption.height())) / 2);
    return QRectF((width() - d) / 2, top, d, d);
}

QRectF CircleButton::iconRect() const
{
    const QRectF c = circleRect();
    return QRectF(c.center() - QPointF(c.width() / 4, c.height() / 4), c.size() / 2);
}

QRectF CircleButton::captionRect() const
{
    if (!m_label)
        return {};
    const QSizeF caption = captionSize();
    const QRectF c = circleRect();
    return QRectF(width() / 2.0 - caption.width() / 2, c.bottom() + Sizes::spacingL, caption.width(), caption.height());
}

void CircleButton::resizeEvent(QResizeEvent *event)
{
    QAbstractButton::resizeEvent(event);
    if (m_customImageView) {
        const QRect r = circleRect().toAlignedRect();
        m_customImageView->setGeometry(r);
        m_customImageView->setMask(QRegion(QRect(QPoint(0, 0), r.size()), QRegion::Ellipse));
    }
    m_shadow = QImage();
}

bool CircleButton::hitButton(const QPoint &pos) const
{
    if (circleRect().contains(pos))
        return true;
    return m_label && captionRect().contains(pos);
}

void CircleButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void CircleButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void CircleButton::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_hoverProgress);
    m_hoverAnimation->setEndValue(hovered ? 1.0 : 0.0);
    m_hoverAnimation->start();
}

void CircleButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF circle = circleRect();
    const qreal dpr = devicePixelRatioF();

    if (m_label) {
        if (m_shadow.isNull()) {
            const int pad = int(kShadowRadius * 3);
            QImage img(((circle.size() + QSizeF(2 * pad, 2 * pad)) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(dpr);
            img.fill(Qt::transparent);
            QPainter ip(&img);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.setPen(Qt::NoPen);
            ip.setBrush(QColor(0, 0, 0, int(0.06 * 255)));
            ip.drawEllipse(QRectF(pad, pad, circle.width(), circle.height()));
            ip.end();
            m_shadow = ImageBlur::blurred(img, kShadowRadius / 2);
        }
        const qreal pad = kShadowRadius * 3;
        p.drawImage(circle.topLeft() + QPointF(-pad, -pad + kShadowOffsetY), m_shadow);
    }

    p.setPen(Qt::NoPen);
    p.setBrush(Color::controlFill());
    p.drawEllipse(circle);
    p.setPen(QPen(Color::glassBorder(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));

    if (!m_customImageView && !m_buttonImage.isEmpty()) {
        const QRectF icon = iconRect();
        const QSize px = (icon.size() * dpr).toSize();
        if (m_tintedIcon.size() != px) {
            const QPixmap src = Assets::pixmap(m_buttonImage, icon.size().toSize(), dpr);
            m_tintedIcon = QImage();
            if (!src.isNull()) {
                // Template image: only the picture's shape counts, in the foreground colour.
                QImage tinted = src.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
                QPainter tp(&tinted);
                tp.setCompositionMode(QPainter::CompositionMode_SourceIn);
                tp.fillRect(tinted.rect(), Color::controlForeground());
                tp.end();
                m_tintedIcon = tinted;
                m_tintedIcon.setDevicePixelRatio(src.devicePixelRatio());
            }
        }
        if (!m_tintedIcon.isNull()) {
            const QSizeF natural = QSizeF(m_tintedIcon.size()) / m_tintedIcon.devicePixelRatio();
            const QSizeF fitted = natural.scaled(icon.size(), Qt::KeepAspectRatio);
            p.drawImage(QRectF(icon.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), m_tintedIcon);
        }
    }

    if (m_label) {
        const QRectF caption = captionRect();
        const qreal s = 0.95 + 0.05 * m_hoverProgress;
        p.save();
        p.translate(caption.center());
        p.scale(s, s);
        p.translate(-caption.center());
        QPainterPath pill;
        pill.addRoundedRect(caption, Sizes::cornerRadiusSmall, Sizes::cornerRadiusSmall);
        QColor fill = Color::controlFill();
        fill.setAlphaF(fill.alphaF() * 0.8f);
        p.fillPath(pill, fill);
        QColor border = Color::glassBorder();
        border.setAlphaF(border.alphaF() * 0.3f);
        p.setPen(QPen(border, 1));
        p.drawPath(pill);
        p.setFont(Fonts::emphasisFont());
        p.setPen(Color::textPrimary());
        p.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, *m_label);
        p.restore();
    }
}
