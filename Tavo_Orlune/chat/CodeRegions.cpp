#include "chat/CodeRegions.h"

#include <algorithm>

namespace {

// A fence line: up to three spaces, then three or more backticks or tildes. Returns the fence
// character and its run length, or a null character.
std::pair<QChar, qsizetype> fenceAt(const QString &text, qsizetype lineStart, qsizetype lineEnd)
{
    qsizetype i = lineStart;
    int spaces = 0;
    while (i < lineEnd && text[i] == QLatin1Char(' ') && spaces < 4) {
        ++i;
        ++spaces;
    }
    if (spaces > 3 || i >= lineEnd)
        return {QChar(), 0};
    const QChar c = text[i];
    if (c != QLatin1Char('`') && c != QLatin1Char('~'))
        return {QChar(), 0};
    qsizetype n = 0;
    while (i + n < lineEnd && text[i + n] == c)
        ++n;
    if (n < 3)
        return {QChar(), 0};
    return {c, n};
}

bool onlySpacesAfterFence(const QString &text, qsizetype lineStart, qsizetype lineEnd, QChar c)
{
    qsizetype i = lineStart;
    while (i < lineEnd && text[i] == QLatin1Char(' '))
        ++i;
    while (i < lineEnd && text[i] == c)
        ++i;
    while (i < lineEnd && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') || text[i] == QLatin1Char('\r')))
        ++i;
    return i == lineEnd;
}

void findInlineCode(const QString &text, qsizetype from, qsizetype to, QList<std::pair<qsizetype, qsizetype>> &out)
{
    qsizetype i = from;
    while (i < to) {
        const qsizetype open = text.indexOf(QLatin1Char('`'), i);
        if (open < 0 || open >= to)
            return;
        qsizetype n = 0;
        while (open + n < to && text[open + n] == QLatin1Char('`'))
            ++n;
        // The closing run has exactly the same length; a span does not cross a blank line.
        qsizetype j = open + n;
        qsizetype close = -1;
        while (j < to) {
            const QChar c = text[j];
            if (c == QLatin1Char('\n') && j + 1 < to && text[j + 1] == QLatin1Char('\n'))
                break;
            if (c == QLatin1Char('`')) {
                qsizetype m = 0;
                while (j + m < to && text[j + m] == QLatin1Char('`'))
                    ++m;
                if (m == n) {
                    close = j;
                    break;
                }
                j += m;
                continue;
            }
            ++j;
        }
        if (close >= 0) {
            out.append({open, close + n});
            i = close + n;
        } else {
            i = open + n;
        }
    }
}

}

CodeRegions CodeRegions::find(const QString &text)
{
    CodeRegions r;
    if (!text.contains(QLatin1Char('`')) && !text.contains(QLatin1String("~~~")))
        return r;

    qsizetype proseStart = 0;
    qsizetype lineStart = 0;
    const qsizetype size = text.size();
    while (lineStart <= size) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = size;
        const auto [c, n] = fenceAt(text, lineStart, lineEnd);
        if (!c.isNull()) {
            findInlineCode(text, proseStart, lineStart, r.m_regions);
            // Look for the closing fence: same character, at least as long.
            qsizetype blockEnd = size;
            qsizetype next = lineEnd + 1;
            while (next <= size) {
                qsizetype e = text.indexOf(QLatin1Char('\n'), next);
                if (e < 0)
                    e = size;
                const auto [c2, n2] = fenceAt(text, next, e);
                if (c2 == c && n2 >= n && onlySpacesAfterFence(text, next, e, c)) {
                    blockEnd = e;
                    break;
                }
                if (e >= size)
                    break;
                next = e + 1;
            }
            r.m_regions.append({lineStart, blockEnd});
            proseStart = std::min(blockEnd + 1, size);
            lineStart = blockEnd + 1;
            continue;
        }
        if (lineEnd >= size)
            break;
        lineStart = lineEnd + 1;
    }
    if (proseStart < size)
        findInlineCode(text, proseStart, size, r.m_regions);
    std::sort(r.m_regions.begin(), r.m_regions.end());
    return r;
}

bool CodeRegions::overlaps(qsizetype start, qsizetype end) const
{
    if (m_regions.isEmpty())
        return false;
    if (end <= start)
        end = start + 1;
    // First region whose end lies after start.
    auto it = std::upper_bound(m_regions.begin(), m_regions.end(), start,
                               [](qsizetype s, const std::pair<qsizetype, qsizetype> &r) { return s < r.second; });
    return it != m_regions.end() && it->first < end;
}
