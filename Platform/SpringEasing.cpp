#include "Platform/SpringEasing.h"

#include <QEasingCurve>
#include <cmath>

namespace {
double omega(double response)
{
    return 2.0 * M_PI / std::max(response, 0.001);
}
}

double Spring::value(double t) const
{
    if (t <= 0)
        return 0;
    const double w = omega(response);
    const double z = std::max(dampingFraction, 0.0);
    if (z < 1.0) {
        const double wd = w * std::sqrt(1.0 - z * z);
        return 1.0 - std::exp(-z * w * t) * (std::cos(wd * t) + (z * w / wd) * std::sin(wd * t));
    }
    if (z == 1.0)
        return 1.0 - std::exp(-w * t) * (1.0 + w * t);
    const double r = std::sqrt(z * z - 1.0);
    const double s1 = -w * (z - r), s2 = -w * (z + r);
    // x(t) = 1 + A e^{s1 t} + B e^{s2 t} with x(0)=0, x'(0)=0
    const double a = s2 / (s1 - s2), b = -s1 / (s1 - s2);
    return 1.0 + a * std::exp(s1 * t) + b * std::exp(s2 * t);
}

int Spring::settleMs() const
{
    const double w = omega(response);
    const double z = std::max(dampingFraction, 0.05);
    const double decay = z < 1.0 ? z * w : w * (z - std::sqrt(z * z - 1.0));
    const double t = std::log(1000.0) / std::max(decay, 1e-3);
    return int(std::clamp(t, 0.05, 5.0) * 1000.0);
}

void Spring::apply(QVariantAnimation *animation) const
{
    const int ms = settleMs();
    animation->setDuration(ms);
    animation->setEasingCurve(QEasingCurve::Linear);
    const QVariant from = animation->startValue();
    const QVariant to = animation->endValue();
    // Key values are progress samples; Qt interpolates between them with the value type's own
    // interpolator, so "from + (to - from) * p" is expressed by keyframes at step p.
    constexpr int samples = 48;
    QVariantAnimation probe;
    probe.setStartValue(from);
    probe.setEndValue(to);
    probe.setDuration(1000000);
    for (int i = 1; i < samples; ++i) {
        const double step = double(i) / samples;
        const double p = value(step * ms / 1000.0);
        // Overshoot beyond [0,1] is clamped: Qt cannot extrapolate arbitrary types.
        probe.setCurrentTime(int(std::clamp(p, 0.0, 1.0) * 1000000));
        animation->setKeyValueAt(step, probe.currentValue());
    }
    animation->setKeyValueAt(0.0, from);
    animation->setKeyValueAt(1.0, to);
}
