#include "chat/TextProcessingService.h"

#include "chat/CodeRegions.h"

#include <QList>
#include <algorithm>
#include <QRegularExpression>

namespace {

struct Edit {
    qsizetype start;
    qsizetype length;
    QString replacement;
};

// The rows of each table (a row with a bar, a delimiter row under it, then the rows with a bar
// that follow), from the header's start to the last row's end, outside code.
QList<std::pair<qsizetype, qsizetype>> tableRegions(const QString &text, const CodeRegions &code)
{
    QList<std::pair<qsizetype, qsizetype>> out;
    if (!text.contains(QLatin1Char('|')))
        return out;
    static const QRegularExpression delimiterRow(
        QStringLiteral("^[ \\t]*\\|?[ \\t]*:?-+:?[ \\t]*(\\|[ \\t]*:?-+:?[ \\t]*)*\\|?[ \\t]*$"));
    QList<std::pair<qsizetype, qsizetype>> lines; // [start, end) without the line feed
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        lines.append({start, end});
        start = end + 1;
    }
    auto hasBar = [&](const std::pair<qsizetype, qsizetype> &l) {
        return QStringView(text).mid(l.first, l.second - l.first).contains(QLatin1Char('|')) && !code.overlaps(l.first, l.second);
    };
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const auto &header = lines[i];
        const auto &delimiter = lines[i + 1];
        if (!hasBar(header) || !hasBar(delimiter)
            || !delimiterRow.match(QStringView(text).mid(delimiter.first, delimiter.second - delimiter.first)).hasMatch())
            continue;
        qsizetype last = i + 1;
        while (last + 1 < lines.size() && hasBar(lines[last + 1]))
            ++last;
        out.append({header.first, lines[last].second});
        i = last;
    }
    return out;
}

QString replaceOutsideCode(const QString &text, const QRegularExpression &re, const QString &replacement,
                           bool keepTables = false)
{
    const CodeRegions code = CodeRegions::find(text);
    const QList<std::pair<qsizetype, qsizetype>> tables = keepTables ? tableRegions(text, code) : decltype(tables)();
    auto inTable = [&](qsizetype start, qsizetype end) {
        return std::any_of(tables.cbegin(), tables.cend(), [&](const auto &t) { return start < t.second && end > t.first; });
    };
    QList<Edit> edits;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (!code.overlaps(m.capturedStart(0), m.capturedEnd(0)) && !inTable(m.capturedStart(0), m.capturedEnd(0)))
            edits.append({m.capturedStart(0), m.capturedLength(0), replacement});
    }
    QString out = text;
    for (auto e = edits.crbegin(); e != edits.crend(); ++e)
        out.replace(e->start, e->length, e->replacement);
    return out;
}

}

QString TextProcessingService::formatForMarkdown(const QString &text)
{
    static const QRegularExpression bullet(QStringLiteral("•"));
    static const QRegularExpression lineBreaks(QStringLiteral("\n+"));
    QString s = replaceOutsideCode(text, bullet, QStringLiteral("-"));
    // A table's rows stay on consecutive lines, or it would fall apart into paragraphs.
    s = replaceOutsideCode(s, lineBreaks, QStringLiteral("\n\n"), true);
    qsizetype b = 0;
    qsizetype e = s.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

namespace {

// A cut at p (after a blank line, before a line that starts with neither a blank nor a bar) is
// safe when every code block in [from, p) closes before p: no rule then reaches across it, and
// tables, bullets and line-break runs stay on their own side.
bool safeMarkdownCut(const QString &text, qsizetype from, qsizetype p)
{
    if (p <= from || p >= text.size())
        return false;
    const QChar c = text[p];
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('|'))
        return false;
    const QString part = text.mid(from, p - from);
    const CodeRegions code = CodeRegions::find(part);
    for (const auto &region : code.regions()) {
        if (region.second >= part.size())
            return false; // an open fence runs to the end
    }
    return true;
}

}

QString StreamingMarkdownFormatter::format(const QString &text)
{
    // The kept part stands only while the text after it still starts as a cut requires: the text
    // this formats (tool output already formatted) may change behind its end, and a line break
    // run continued across the cut would be collapsed apart.
    const qsizetype kept = m_prefixSource.size();
    const bool cutHolds = text.size() == kept
        || (text.size() > kept && !QStringView(u" \t\n|").contains(text[kept]));
    if (!text.startsWith(m_prefixSource) || !cutHolds) {
        m_prefixSource.clear();
        m_result.clear();
        m_prefixFormattedLength = 0;
    }
    m_result.truncate(m_prefixFormattedLength);
    const qsizetype from = m_prefixSource.size();
    int tries = 0;
    for (qsizetype at = text.lastIndexOf(QLatin1String("\n\n")); at >= from && tries < 8;
         at = at > 0 ? text.lastIndexOf(QLatin1String("\n\n"), at - 1) : -1, ++tries) {
        qsizetype p = at + 2;
        while (p < text.size() && text[p] == QLatin1Char('\n'))
            ++p;
        if (safeMarkdownCut(text, from, p)) {
            m_result += TextProcessingService::formatForMarkdown(text.mid(from, p - from));
            m_prefixFormattedLength = m_result.size();
            m_prefixSource += QStringView(text).mid(from, p - from);
            break;
        }
    }
    m_result += TextProcessingService::formatForMarkdown(text.mid(m_prefixSource.size()));
    return m_result;
}

QString TextProcessingService::stripMarkdown(const QString &text)
{
    using RE = QRegularExpression;
    // Bold before single-mark emphasis, a fence's language line before the remaining fences.
    // Heading and quote marks are removed at the start of every line, never with the line break.
    static const QList<std::pair<RE, QString>> steps = {
        {RE(QStringLiteral("\\*\\*([^*]+)\\*\\*")), QStringLiteral("\\1")},
        {RE(QStringLiteral("__([^_]+)__")), QStringLiteral("\\1")},
        {RE(QStringLiteral("(?<!\\*)\\*([^*]+)\\*(?!\\*)")), QStringLiteral("\\1")},
        {RE(QStringLiteral("(?<!_)_([^_]+)_(?!_)")), QStringLiteral("\\1")},
        // Fences go before inline code, or a fence's backticks would pair up as inline code.
        {RE(QStringLiteral("```[a-zA-Z]*\n")), QString()},
        {RE(QStringLiteral("```")), QString()},
        {RE(QStringLiteral("`([^`]+)`")), QStringLiteral("\\1")},
        {RE(QStringLiteral("^#{1,6}[ \\t]+"), RE::MultilineOption), QString()},
        {RE(QStringLiteral("~~([^~]+)~~")), QStringLiteral("\\1")},
        {RE(QStringLiteral("\\[([^\\]]+)\\]\\([^)]+\\)")), QStringLiteral("\\1")},
        {RE(QStringLiteral("^>[ \\t]*"), RE::MultilineOption), QString()},
        {RE(QStringLiteral("\n\n\n+")), QStringLiteral("\n\n")},
    };
    QString s = text;
    for (const auto &[re, templ] : steps)
        s.replace(re, templ);
    return s.trimmed();
}
