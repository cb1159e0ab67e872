#include "categories/ScaleTransition.h"

#include "theme/ScaleEffect.h"

#include <QVariantAnimation>
#include <QWidget>

namespace ScaleTransition {

void reset(QWidget *widget, const QString &channel, double fromScale)
{
    ScaleEffect *effect = ScaleEffect::of(widget);
    effect->setScale(channel, fromScale);
    effect->setOpacity(channel, 0);
}

void enter(QWidget *widget, const QString &channel, double fromScale, const Spring &spring)
{
    reset(widget, channel, fromScale);
    ScaleEffect *effect = ScaleEffect::of(widget);
    auto *animation = new QVariantAnimation(widget);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    spring.apply(animation);
    QObject::connect(animation, &QVariantAnimation::valueChanged, widget, [effect, channel, fromScale](const QVariant &v) {
        const double t = v.toDouble();
        effect->setScale(channel, std::max(nearlyZero, fromScale + (1.0 - fromScale) * t));
        effect->setOpacity(channel, std::clamp(t, 0.0, 1.0));
    });
    // A spring may overshoot on its way: it always comes to rest exactly at full size.
    QObject::connect(animation, &QVariantAnimation::finished, widget, [effect, channel] {
        effect->setScale(channel, 1.0);
        effect->setOpacity(channel, 1.0);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}
