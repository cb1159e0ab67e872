#include "onboarding/ProfileEntrance.h"
#include "theme/ScaleEffect.h"
#include "Platform/Scheduler.h"

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace {
const QString kChannel = QStringLiteral("profileEntrance");
const QString kAnimation = QStringLiteral("profileEntranceAnimation");

void stopRunning(QWidget *part)
{
    if (auto *running = part->findChild<QVariantAnimation *>(kAnimation, Qt::FindDirectChildrenOnly))
        running->stop(); // deletes it
}
}

void ProfileEntrance::hide(QWidget *part, double hiddenScale, double hiddenOpacity)
{
    stopRunning(part);
    ScaleEffect *effect = ScaleEffect::of(part);
    effect->setScale(kChannel, hiddenScale);
    effect->setOpacity(kChannel, hiddenOpacity);
}

void ProfileEntrance::show(QWidget *part, int delayMs, const Spring &spring, double hiddenScale, double hiddenOpacity)
{
    hide(part, hiddenScale, hiddenOpacity);
    QPointer<QWidget> guard(part);
    Scheduler::instance().singleShot(delayMs, part, [guard, spring, hiddenScale, hiddenOpacity] {
        if (!guard)
            return;
        auto *animation = new QVariantAnimation(guard);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        spring.apply(animation);
        animation->setObjectName(kAnimation);
        QObject::connect(animation, &QVariantAnimation::valueChanged, guard, [guard, hiddenScale, hiddenOpacity](const QVariant &v) {
            const double t = v.toDouble();
            ScaleEffect *effect = ScaleEffect::of(guard);
            effect->setScale(kChannel, hiddenScale + (1.0 - hiddenScale) * t);
            effect->setOpacity(kChannel, std::clamp(hiddenOpacity + (1.0 - hiddenOpacity) * t, 0.0, 1.0));
        });
        QObject::connect(animation, &QVariantAnimation::finished, guard, [guard] {
            ScaleEffect *effect = ScaleEffect::of(guard);
            effect->setScale(kChannel, 1.0);
            effect->setOpacity(kChannel, 1.0);
            ScaleEffect::releaseIfIdle(guard);
        });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

double ProfileEntrance::opacity(const QWidget *part)
{
    const auto *effect = qobject_cast<const ScaleEffect *>(part->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}
