#include "theme/Color.h"
#include "theme/Appearance.h"

#include <QTextBoundaryFinder>

namespace {

bool isAlphanumeric(char32_t c)
{
    // Letters, marks and numbers: what the design's trim keeps.
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

QString trimmed(QStringView text)
{
    const QList<uint> cps = text.toUcs4();
    qsizetype first = 0, last = cps.size();
    while (first < last && !isAlphanumeric(cps[first]))
        ++first;
    while (last > first && !isAlphanumeric(cps[last - 1]))
        --last;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()) + first, last - first);
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// An unsigned 64-bit hexadecimal scan: optional 0x/0X, then digits up to the first non-digit;
// saturates on overflow. Nothing read gives 0.
quint64 scanHex(const QString &s)
{
    qsizetype i = 0;
    if (s.size() >= 3 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X') && hexDigit(s[2]) >= 0)
        i = 2;
    quint64 v = 0;
    bool overflow = false;
    for (; i < s.size(); ++i) {
        const int d = hexDigit(s[i]);
        if (d < 0)
            break;
        if (v > (std::numeric_limits<quint64>::max() >> 4))
            overflow = true;
        v = (v << 4) | quint64(d);
    }
    return overflow ? std::numeric_limits<quint64>::max() : v;
}

int characterCount(const QString &s)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    int n = 0;
    while (finder.toNextBoundary() > 0)
        ++n;
    return n;
}

} // namespace

QColor Color::hex(QStringView text)
{
    const QString t = trimmed(text);
    const quint64 v = scanHex(t);
    quint64 a = 255, r = 0, g = 0, b = 0;
    switch (characterCount(t)) {
    case 3:
        r = ((v >> 8) & 15) * 17;
        g = ((v >> 4) & 15) * 17;
        b = (v & 15) * 17;
        break;
    case 6:
        r = (v >> 16) & 255;
        g = (v >> 8) & 255;
        b = v & 255;
        break;
    case 8:
        a = (v >> 24) & 255;
        r = (v >> 16) & 255;
        g = (v >> 8) & 255;
        b = v & 255;
        break;
    default:
        break;
    }
    return QColor(int(r), int(g), int(b), int(a));
}

QColor Color::hex(QStringView text, double opacity)
{
    QColor c = hex(text);
    c.setAlphaF(float(c.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return c;
}

QColor Color::adaptiveColor(const QColor &light, const QColor &dark)
{
    return Appearance::bestMatch() == Appearance::Match::Dark ? dark : light;
}

// Function-local statics: built once on first read, also when several threads read first.
#define TAVO_COLOR_TOKEN(name, light, lightOpacity, dark, darkOpacity)                           \
    const QColor &Color::name()                                                                  \
    {                                                                                            \
        static const QColor c = adaptiveColor(hex(u"" light, lightOpacity), hex(u"" dark, darkOpacity)); \
        return c;                                                                                \
    }
#include "theme/ColorTokens.inc"
#undef TAVO_COLOR_TOKEN
