#include "theme/Gradients.h"
#include "theme/Appearance.h"
#include "theme/Color.h"

QLinearGradient LinearGradient::in(const QRectF &rect) const
{
    const auto at = [&](QPointF unit) {
        return QPointF(rect.left() + unit.x() * rect.width(), rect.top() + unit.y() * rect.height());
    };
    QLinearGradient g(at(startPoint), at(endPoint));
    g.setStops(stops);
    return g;
}

namespace {
LinearGradient twoColour(const QColor &a, const QColor &b, QPointF start, QPointF end)
{
    return LinearGradient{QGradientStops{{0.0, a}, {1.0, b}}, start, end};
}
}

const Gradients::PaletteEntry (&Gradients::taskCardPalette())[4]
{
    static const PaletteEntry palette[4] = {
        {{Color::hex(u"#24B9A5", 0.4), Color::hex(u"#FB8E3A", 0.4)}, {Color::hex(u"#C1ECCF", 0.4), Color::hex(u"#B8DAE4", 0.4)}},
        {{Color::hex(u"#F7F8F8", 0.4), Color::hex(u"#ACBB78", 0.4)}, {Color::hex(u"#81EDFD", 0.4), Color::hex(u"#E1D8B0", 0.4)}},
        {{Color::hex(u"#FF8F6B", 0.2), Color::hex(u"#D35230", 0.2)}, {Color::hex(u"#ECDDD1", 0.2), Color::hex(u"#E3C89A", 0.2)}},
        {{Color::hex(u"#D8DBE9", 0.4), Color::hex(u"#727A9A", 0.4)}, {Color::hex(u"#FFF0D3", 0.4), Color::hex(u"#62E1CE", 0.4)}},
    };
    return palette;
}

LinearGradient Gradients::taskCardGradient(int index)
{
    const bool dark = Appearance::isDark();
    // |index| mod 4 taken as the magnitude of the truncating remainder: no abs() of INT_MIN.
    int entry = index % 4;
    if (entry < 0)
        entry = -entry;
    const PaletteEntry &e = taskCardPalette()[entry];
    const QColor *pair = dark ? e.dark : e.light;
    return twoColour(pair[0], pair[1], LinearGradient::topLeading, LinearGradient::bottomTrailing);
}

LinearGradient Gradients::petalGradient(int layer)
{
    const double a = layer == 0 ? 0.6 : 0.9;
    const double b = layer == 0 ? 0.3 : 0.9;
    return twoColour(Color::hex(u"#FFFFFF", a), Color::hex(u"#FFFFFF", b), LinearGradient::topLeading,
                     LinearGradient::bottomTrailing);
}

const LinearGradient &Gradients::promptGlowGradient()
{
    static const LinearGradient g = [] {
        const char16_t *hexes[] = {u"#F8A071", u"#FDC66C", u"#74BAF4", u"#799FEE", u"#9E91F7"};
        QGradientStops stops;
        for (int i = 0; i < 5; ++i)
            stops.append({i / 4.0, Color::hex(hexes[i])});
        return LinearGradient{stops, LinearGradient::leading, LinearGradient::trailing};
    }();
    return g;
}

QList<QColor> Gradients::progressGradientColors()
{
    if (Appearance::isDark())
        return {Color::hex(u"#3F96F9"), Color::hex(u"#3F96F9", 0.3)};
    return {Color::hex(u"#D35230", 0.4), Color::hex(u"#1381FF", 0.8)};
}
