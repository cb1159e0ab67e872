#pragma once
#include "Platform/SpringEasing.h"

#include <QEasingCurve>
#include <QObject>

class QVariantAnimation;

// A number that a custom-painted view animates and then draws with its own painter (a hover
// lift, a fade, an entrance). Views hosted in canvas proxies cannot carry graphics effects, so
// their scales and opacities are painted from values like this one.
class PaintedAnimation : public QObject {
    Q_OBJECT
public:
    explicit PaintedAnimation(qreal value, QObject *parent = nullptr);

    qreal value() const { return m_value; }
    // Where the value is heading (the value itself when nothing runs).
    qreal target() const { return m_target; }
    bool isRunning() const;

    // Jumps to value, stopping a running animation.
    void setValue(qreal value);
    void animateTo(qreal target, const Spring &spring);
    void animateTo(qreal target, int durationMs, const QEasingCurve &curve);

Q_SIGNALS:
    void valueChanged(qreal value);

private:
    void start(qreal target);

    qreal m_value;
    qreal m_target;
    QVariantAnimation *m_animation;
};
