#include "theme/TavoButtonStyle.h"
#include "theme/ScaleEffect.h"
#include "Platform/SpringEasing.h"

#include <QAbstractButton>
#include <QVariantAnimation>

namespace {
const QString kChannel = QStringLiteral("press");
}

TavoButtonStyle::TavoButtonStyle(QAbstractButton *button)
    : QObject(button)
    , m_button(button)
    , m_animation(new QVariantAnimation(this))
{
    connect(button, &QAbstractButton::pressed, this, [this] { setPressed(true); });
    connect(button, &QAbstractButton::released, this, [this] { setPressed(false); });
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_progress = v.toReal();
        if (!m_button)
            return;
        ScaleEffect *effect = ScaleEffect::of(m_button);
        effect->setScale(kChannel, 1.0 + (pressedScale - 1.0) * m_progress);
        effect->setOpacity(kChannel, 1.0 + (pressedOpacity - 1.0) * m_progress);
    });
}

void TavoButtonStyle::setPressed(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(pressed ? 1.0 : 0.0);
    Spring{0.2, 0.7}.apply(m_animation);
    m_animation->start();
}
