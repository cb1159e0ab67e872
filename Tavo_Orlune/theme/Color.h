#pragma once
#include <QColor>
#include <QStringView>

// The colour vocabulary of every screen: colours from hexadecimal text, the light/dark pair
// rule, and the named colour tokens (Color::textPrimary(), Color::controlFill() ...).
//
// Each token is resolved once, at its first read, to the member that matches the effective
// appearance at that moment (see Appearance), and keeps it for the life of the process.
// The token table itself is ColorTokens.inc.
class Color {
public:
    // "FFF", "#272524", "0x80FF0000" ...: 3 digits (RGB), 6 (RRGGBB) or 8 (AARRGGBB, alpha first).
    // Characters that are neither letters nor digits are trimmed from both ends; a leading
    // 0x/0X is accepted by the scan but counts towards the length. Never fails: text that
    // does not scan gives 0, and any other length gives opaque black.
    static QColor hex(QStringView text);
    // The same, with a further opacity applied on top of the colour's own alpha.
    static QColor hex(QStringView text, double opacity);

    // The dark member when the effective appearance best matches dark, else the light one.
    static QColor adaptiveColor(const QColor &light, const QColor &dark);

#define TAVO_COLOR_TOKEN(name, light, lightOpacity, dark, darkOpacity) static const QColor &name();
#include "theme/ColorTokens.inc"
#undef TAVO_COLOR_TOKEN
};
