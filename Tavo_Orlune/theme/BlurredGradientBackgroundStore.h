#pragma once
#include <QColor>
#include <QHash>
#include <QObject>
#include <QPair>
#include <optional>

// Thirty pairs of light random colours, drawn once when the store is made. Every background
// owns a store of its own, so two backgrounds on screen differ.
class BlurredGradientBackgroundStore : public QObject {
    Q_OBJECT
public:
    using ColorPair = QPair<QColor, QColor>;
    explicit BlurredGradientBackgroundStore(QObject *parent = nullptr);

    int maxGradients() const { return m_maxGradients; }
    const QHash<int, ColorPair> &gradientColors() const { return m_gradientColors; }

    // The pair under index mod 30 (truncating: a negative index has no pair), else the
    // fallback pair "86A6C1" over "D6D6D7".
    ColorPair gradient(std::optional<int> index) const;
    static ColorPair fallbackPair();

    // Hue 0...1, saturation 0.3...0.7, brightness 0.7...0.9, opaque.
    static QColor randomColor();

Q_SIGNALS:
    void gradientColorsChanged();

private:
    int m_maxGradients = 30;
    QHash<int, ColorPair> m_gradientColors;
};
