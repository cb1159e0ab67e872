#include "Platform/Graphemes.h"

#include <QTextBoundaryFinder>

namespace Graphemes {

namespace {
bool isPlainAscii(QStringView text)
{
    // Printable ASCII and tabs/line feeds: one code unit is one character, except CR LF.
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 0x80 || u == '\r')
            return false;
    }
    return true;
}
}

qsizetype count(QStringView text)
{
    if (isPlainAscii(text))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), int(text.size()));
    qsizetype n = 0;
    while (finder.toNextBoundary() != -1)
        ++n;
    return n;
}

bool exceeds(QStringView text, qsizetype limit)
{
    // A character is at least one code unit: a text this short cannot exceed the limit.
    if (text.size() <= limit)
        return false;
    if (isPlainAscii(text))
        return true;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), int(text.size()));
    qsizetype n = 0;
    while (finder.toNextBoundary() != -1) {
        if (++n > limit)
            return true;
    }
    return false;
}

qsizetype firstLength(QStringView text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), int(text.size()));
    const qsizetype next = finder.toNextBoundary();
    return next <= 0 ? text.size() : next;
}

}
