#include "theme/HoverScaleEffectModifier.h"
#include "theme/ScaleEffect.h"
#include "Platform/SpringEasing.h"

#include <QEvent>
#include <QVariantAnimation>
#include <QWidget>

namespace {
const QString kChannel = QStringLiteral("hover");
}

HoverScaleEffectModifier::HoverScaleEffectModifier(QWidget *target, qreal scale)
    : QObject(target)
    , m_target(target)
    , m_scale(scale)
    , m_animation(new QVariantAnimation(this))
{
    target->setAttribute(Qt::WA_Hover, true);
    target->installEventFilter(this);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_current = v.toReal();
        if (m_target)
            ScaleEffect::of(m_target)->setScale(kChannel, m_current);
    });
}

void HoverScaleEffectModifier::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_animation->stop();
    m_animation->setStartValue(m_current);
    m_animation->setEndValue(targetScale());
    Spring{0.4, 1.0}.apply(m_animation);
    m_animation->start();
}

bool HoverScaleEffectModifier::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_target) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter)
            setHovered(true);
        else if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave)
            setHovered(false);
    }
    return QObject::eventFilter(watched, event);
}
