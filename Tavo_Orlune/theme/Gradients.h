#pragma once
#include <QColor>
#include <QGradientStops>
#include <QLinearGradient>
#include <QPointF>
#include <QRectF>

// A linear gradient as the design gives it: colour stops between two points in unit
// coordinates of the rectangle it fills ((0,0) top-left, (1,1) bottom-right).
struct LinearGradient {
    QGradientStops stops;
    QPointF startPoint;
    QPointF endPoint;

    QLinearGradient in(const QRectF &rect) const;
    QColor firstColor() const { return stops.isEmpty() ? QColor() : stops.first().second; }
    QColor lastColor() const { return stops.isEmpty() ? QColor() : stops.last().second; }

    static constexpr QPointF topLeading{0, 0};
    static constexpr QPointF bottomTrailing{1, 1};
    static constexpr QPointF leading{0, 0.5};
    static constexpr QPointF trailing{1, 0.5};
    static constexpr QPointF top{0.5, 0};
    static constexpr QPointF bottom{0.5, 1};
};

struct Gradients {
    struct PaletteEntry {
        QColor light[2];
        QColor dark[2];
    };
    // The four task-card colour entries; built once.
    static const PaletteEntry (&taskCardPalette())[4];

    // The background of a task card: entry |index| mod 4, light or dark as the appearance is at
    // this call, top-leading to bottom-trailing.
    static LinearGradient taskCardGradient(int index);
    // The fill of a flower petal layer: white 0.6 -> 0.3 for layer 0, 0.9 -> 0.9 otherwise.
    static LinearGradient petalGradient(int layer);
    // Five opaque colours from the leading to the trailing edge; the same in both appearances.
    static const LinearGradient &promptGlowGradient();
    // The progress bar's two colours, asked of the appearance at every call.
    static QList<QColor> progressGradientColors();
};
