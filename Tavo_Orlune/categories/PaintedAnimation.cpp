#include "categories/PaintedAnimation.h"

#include <QVariantAnimation>

PaintedAnimation::PaintedAnimation(qreal value, QObject *parent)
    : QObject(parent)
    , m_value(value)
    , m_target(value)
    , m_animation(new QVariantAnimation(this))
{
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        const qreal next = v.toReal();
        if (next == m_value)
            return;
        m_value = next;
        Q_EMIT valueChanged(m_value);
    });
    // A spring may overshoot on its way; it always rests exactly on its target.
    connect(m_animation, &QVariantAnimation::finished, this, [this] { setValue(m_target); });
}

bool PaintedAnimation::isRunning() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void PaintedAnimation::setValue(qreal value)
{
    m_animation->stop();
    m_target = value;
    if (value == m_value)
        return;
    m_value = value;
    Q_EMIT valueChanged(m_value);
}

void PaintedAnimation::start(qreal target)
{
    m_animation->stop();
    m_target = target;
    m_animation->setStartValue(m_value);
    m_animation->setEndValue(target);
}

void PaintedAnimation::animateTo(qreal target, const Spring &spring)
{
    if (target == m_target && (isRunning() || target == m_value))
        return;
    start(target);
    spring.apply(m_animation);
    m_animation->start();
}

void PaintedAnimation::animateTo(qreal target, int durationMs, const QEasingCurve &curve)
{
    if (target == m_target && (isRunning() || target == m_value))
        return;
    start(target);
    m_animation->setKeyValues({});
    m_animation->setStartValue(m_value);
    m_animation->setEndValue(target);
    m_animation->setEasingCurve(curve);
    m_animation->setDuration(durationMs);
    m_animation->start();
}
