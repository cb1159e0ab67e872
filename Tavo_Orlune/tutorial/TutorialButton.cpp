#include "tutorial/TutorialButton.h"
#include "tutorial/TutorialHoverFlag.h"

#include "Platform/Scheduler.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ImageBlur.h"
#include "theme/ScaleEffect.h"
#include "theme/TemplateImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <cmath>

namespace {
const QString kChannel = QStringLiteral("tutorialButtonHover");
}

TutorialButton::TutorialButton(const QString &text, const Style &style, TutorialHoverFlag *hovered, std::function<void()> action,
                               QWidget *parent)
    : QAbstractButton(parent)
    , m_style(style)
    , m_hovered(hovered)
    , m_action(std::move(action))
    , m_animation(new QVariantAnimation(this))
{
    setText(text);
    setAccessibleName(text);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(style.icon.isEmpty() ? Fonts::tutorialButtonFont() : Fonts::emphasisFont());
    setSizePolicy(style.expanding ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(hoverMs);
    m_animation->setEasingCurve(Animations::easeInOut());
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_hover = v.toReal();
        ScaleEffect::of(this)->setScale(kChannel, 1.0 + (hoverScale - 1.0) * m_hover);
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this] { ScaleEffect::releaseIfIdle(this); });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!m_action)
            return;
        const std::function<void()> action = m_action;
        MainQueue::post(this, action);
    });
    TutorialHoverFlag::track(this, hovered);
    if (hovered) {
        connect(hovered, &TutorialHoverFlag::changed, this, &TutorialButton::applyHover);
        if (hovered->value()) {
            m_hover = 1;
            ScaleEffect::of(this)->setScale(kChannel, hoverScale);
        }
    }
}

void TutorialButton::applyHover(bool hovered)
{
    m_animation->stop();
    m_animation->setStartValue(m_hover);
    m_animation->setEndValue(hovered ? 1.0 : 0.0);
    m_animation->start();
}

QSizeF TutorialButton::labelSize() const
{
    const QFontMetricsF metrics(font());
    qreal width = metrics.horizontalAdvance(text());
    qreal height = metrics.height();
    if (!m_style.icon.isEmpty()) {
        width += m_style.iconSize.width() + contentSpacing;
        height = std::max(height, m_style.iconSize.height());
    }
    return {width + 2 * m_style.horizontalPadding, height + 2 * m_style.verticalPadding};
}

QSize TutorialButton::sizeHint() const
{
    const QSizeF label = labelSize();
    const qreal m = shadowMargin();
    return QSize(int(std::ceil(label.width() + 2 * m)), int(std::ceil(label.height() + 2 * m)));
}

QSize TutorialButton::minimumSizeHint() const
{
    return sizeHint();
}

QRectF TutorialButton::labelRect() const
{
    const qreal m = shadowMargin();
    return QRectF(rect()).adjusted(m, m, -m, -m);
}

bool TutorialButton::hitButton(const QPoint &pos) const
{
    return labelRect().contains(pos);
}

void TutorialButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF label = labelRect();
    QPainterPath shape;
    shape.addRoundedRect(label, m_style.cornerRadius, m_style.cornerRadius);
    if (m_style.shadow) {
        // Opacity 0.05, blur 4, drop 2 at rest; 0.1, 8 and 4 while hovered.
        const qreal blur = 4 + 4 * m_hover;
        const qreal drop = 2 + 2 * m_hover;
        QColor shade(0, 0, 0);
        shade.setAlphaF(0.05 + 0.05 * m_hover);
        QImage source((size() * devicePixelRatioF()), QImage::Format_ARGB32_Premultiplied);
        source.setDevicePixelRatio(devicePixelRatioF());
        source.fill(Qt::transparent);
        QPainter s(&source);
        s.setRenderHint(QPainter::Antialiasing);
        s.fillPath(shape.translated(0, drop), shade);
        s.end();
        p.drawImage(QPointF(0, 0), ImageBlur::blurred(source, blur / 2));
    }
    QColor fill = Color::plainWhite();
    fill.setAlphaF(fill.alphaF() * (1.0 - 0.1 * m_hover));
    p.fillPath(shape, fill);

    QRectF content = label.adjusted(m_style.horizontalPadding, m_style.verticalPadding, -m_style.horizontalPadding,
                                    -m_style.verticalPadding);
    const QFontMetricsF metrics(font());
    qreal used = metrics.horizontalAdvance(text());
    if (!m_style.icon.isEmpty())
        used += m_style.iconSize.width() + contentSpacing;
    qreal x = content.center().x() - used / 2;
    if (!m_style.icon.isEmpty()) {
        const QRectF icon(QPointF(x, content.center().y() - m_style.iconSize.height() / 2), m_style.iconSize);
        TemplateImage::draw(p, m_style.icon, icon, Color::textPrimary());
        x += m_style.iconSize.width() + contentSpacing;
    }
    p.setFont(font());
    p.setPen(Color::textPrimary());
    p.drawText(QRectF(x, content.top(), content.right() - x, content.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
