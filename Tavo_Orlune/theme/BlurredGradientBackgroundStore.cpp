#include "theme/BlurredGradientBackgroundStore.h"
#include "theme/Color.h"

#include <QRandomGenerator>
#include <limits>

namespace {
// Uniform in the closed range [low, high].
double closedUniform(double low, double high)
{
    const double u = double(QRandomGenerator::global()->generate()) / double(std::numeric_limits<quint32>::max());
    return low + (high - low) * u;
}
}

BlurredGradientBackgroundStore::BlurredGradientBackgroundStore(QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < m_maxGradients; ++i) {
        const QColor first = randomColor();
        const QColor second = randomColor();
        m_gradientColors.insert(i, {first, second});
    }
}

QColor BlurredGradientBackgroundStore::randomColor()
{
    const double hue = closedUniform(0, 1);
    const double saturation = closedUniform(0.3, 0.7);
    const double brightness = closedUniform(0.7, 0.9);
    // A hue of 1 is the same colour as 0.
    return QColor::fromHsvF(float(hue >= 1.0 ? 0.0 : hue), float(saturation), float(brightness), 1.0f);
}

BlurredGradientBackgroundStore::ColorPair BlurredGradientBackgroundStore::fallbackPair()
{
    return {Color::hex(u"86A6C1"), Color::hex(u"D6D6D7")};
}

BlurredGradientBackgroundStore::ColorPair BlurredGradientBackgroundStore::gradient(std::optional<int> index) const
{
    if (!index || m_gradientColors.isEmpty())
        return fallbackPair();
    // Truncating remainder: the sign follows the index (no overflow even for INT_MIN).
    const int key = *index % m_maxGradients;
    const auto it = m_gradientColors.constFind(key);
    return it != m_gradientColors.constEnd() ? it.value() : fallbackPair();
}
