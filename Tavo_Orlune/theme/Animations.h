#pragma once
#include "Platform/SpringEasing.h"

#include <QEasingCurve>

// The animation tokens and the timing shapes the controls share.
struct Animations {
    // Response 0.3 s, damping fraction 0.8.
    static const Spring &standardSpring()
    {
        static const Spring s{0.3, 0.8};
        return s;
    }
    // "Ease in and out" of the design, for fades and colour changes.
    static QEasingCurve easeInOut() { return QEasingCurve(QEasingCurve::InOutQuad); }
    static QEasingCurve easeOut() { return QEasingCurve(QEasingCurve::OutQuad); }
};
