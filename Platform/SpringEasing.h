#pragma once
#include <QVariantAnimation>

// A damped spring described as the design gives it: a response (seconds per oscillation of
// the undamped spring) and a damping fraction (1 = critically damped).
struct Spring {
    double response = 0.55;
    double dampingFraction = 0.825;

    // Progress from 0 to 1 at time t seconds (may overshoot 1 when underdamped).
    double value(double t) const;
    // Time until the motion stays within 0.1 % of its end.
    int settleMs() const;
    // Sets the animation's duration and key values so it follows the spring from its start
    // value to its end value. Works for any interpolable type (numbers, points, rects, colours).
    void apply(QVariantAnimation *animation) const;
};
