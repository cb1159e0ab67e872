#include "chat/ToolResponseFormatting.h"

#include "chat/CodeRegions.h"

#include <QJsonDocument>
#include <QList>
#include <QRegularExpression>
#include <functional>
#include <optional>

namespace {

struct Edit {
    qsizetype start;
    qsizetype length;
    QString replacement;
};

// Edits are collected in text order and applied last to first, so earlier ranges stay valid.
QString applyEdits(QString text, const QList<Edit> &edits)
{
    for (auto it = edits.crbegin(); it != edits.crend(); ++it)
        text.replace(it->start, it->length, it->replacement);
    return text;
}

// Replaces the matches of re outside code. edit() gives the edit for one match (or none);
// the edited range must not touch code.
QString replaceOutsideCode(const QString &text, const QRegularExpression &re,
                           const std::function<std::optional<Edit>(const QRegularExpressionMatch &)> &edit)
{
    if (!re.isValid())
        return text;
    const CodeRegions code = CodeRegions::find(text);
    QList<Edit> edits;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        std::optional<Edit> e = edit(m);
        if (!e || code.overlaps(e->start, e->start + e->length))
            continue;
        edits.append(*e);
    }
    return edits.isEmpty() ? text : applyEdits(text, edits);
}

QString replaceLiteralOutsideCode(const QString &text, const QString &from, const QString &to)
{
    if (!text.contains(from))
        return text;
    const CodeRegions code = CodeRegions::find(text);
    QList<Edit> edits;
    for (qsizetype at = text.indexOf(from); at >= 0; at = text.indexOf(from, at + from.size())) {
        if (!code.overlaps(at, at + from.size()))
            edits.append({at, from.size(), to});
    }
    return applyEdits(text, edits);
}

Edit wholeMatch(const QRegularExpressionMatch &m, const QString &replacement)
{
    return {m.capturedStart(0), m.capturedLength(0), replacement};
}

uint hex(QStringView digits) { return digits.toUInt(nullptr, 16); }

// The JSON step: the first brace pair without inner braces (outside code) decides, and every
// occurrence of that text is fenced when it parses. A decision taken on an earlier part of a text
// is passed in to format the rest of it alike.
QString formatJson(const QString &text, ToolResponseJsonDecision &decision)
{
    if (!decision.decided) {
        if (!text.contains(QLatin1Char('{')) || !text.contains(QLatin1Char('}')))
            return text;
        static const QRegularExpression flatObject(QStringLiteral("\\{[^{}]*\\}"));
        const CodeRegions code = CodeRegions::find(text);
        auto it = flatObject.globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (!code.overlaps(m.capturedStart(0), m.capturedEnd(0))) {
                decision.decided = true;
                decision.matched = m.captured(0);
                break;
            }
        }
        if (!decision.decided)
            return text;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(decision.matched.toUtf8(), &error);
        if (error.error == QJsonParseError::NoError && doc.isObject()) {
            QString pretty = QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
            while (pretty.endsWith(QLatin1Char('\n')))
                pretty.chop(1);
            decision.block = QStringLiteral("\n```json\n") + pretty + QStringLiteral("\n```\n");
        }
    }
    if (decision.block.isEmpty())
        return text;
    return replaceLiteralOutsideCode(text, decision.matched, decision.block);
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c.category() == QChar::Mark_NonSpacing; }

bool isSpace(QChar c) { return c.isSpace(); }

// A bare address is left alone when it already stands as a Markdown link target: directly after
// "](" (spaces allowed around the parenthesis), anywhere inside an open "](" target, or followed
// by optional spaces and ")".
bool insideLinkTarget(const QString &text, qsizetype start, qsizetype end)
{
    // Back over characters other than ")" looking for a "(" that follows "]" and optional spaces.
    for (qsizetype i = start - 1; i >= 0; --i) {
        const QChar c = text[i];
        if (c == QLatin1Char(')'))
            break;
        if (c == QLatin1Char('(')) {
            qsizetype j = i - 1;
            while (j >= 0 && isSpace(text[j]))
                --j;
            if (j >= 0 && text[j] == QLatin1Char(']'))
                return true;
        }
    }
    qsizetype k = end;
    while (k < text.size() && isSpace(text[k]))
        ++k;
    return k < text.size() && text[k] == QLatin1Char(')');
}

QString linkBareAddresses(const QString &text)
{
    if (!text.contains(QLatin1String("http")))
        return text;
    const CodeRegions code = CodeRegions::find(text);
    QList<Edit> edits;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(QLatin1String("http"), from);
        if (at < 0)
            break;
        from = at + 4;
        if (at > 0 && isWordChar(text[at - 1]))
            continue;
        qsizetype p = at + 4;
        if (p < text.size() && text[p] == QLatin1Char('s'))
            ++p;
        if (!QStringView(text).mid(p).startsWith(QLatin1String("://")))
            continue;
        p += 3;
        qsizetype end = p;
        while (end < text.size() && !isSpace(text[end]) && text[end] != QLatin1Char(')'))
            ++end;
        if (end == p)
            continue;
        from = end;
        if (code.overlaps(at, end) || insideLinkTarget(text, at, end))
            continue;
        const QString address = text.mid(at, end - at);
        QString label = address;
        for (const QString &piece : address.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (piece.contains(QLatin1Char('.'))) {
                label = piece;
                break;
            }
        }
        edits.append({at, end - at, QLatin1Char('[') + label + QStringLiteral("](") + address + QLatin1Char(')')});
    }
    return edits.isEmpty() ? text : applyEdits(text, edits);
}

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

}

QString unescapeUnicodeSequences(const QString &text)
{
    if (!text.contains(QLatin1String("\\u")))
        return text;
    static const QRegularExpression pair(
        QStringLiteral("\\\\u([dD][89aAbB][0-9a-fA-F]{2})\\\\u([dD][c-fC-F][0-9a-fA-F]{2})"));
    QString s = replaceOutsideCode(text, pair, [](const QRegularExpressionMatch &m) -> std::optional<Edit> {
        const uint hi = hex(m.capturedView(1));
        const uint lo = hex(m.capturedView(2));
        const char32_t cp = char32_t(0x10000 + (hi - 0xD800) * 0x400 + (lo - 0xDC00));
        return wholeMatch(m, QString::fromUcs4(&cp, 1));
    });
    static const QRegularExpression single(QStringLiteral("\\\\u([0-9a-fA-F]{4})"));
    return replaceOutsideCode(s, single, [](const QRegularExpressionMatch &m) -> std::optional<Edit> {
        const uint v = hex(m.capturedView(1));
        if (v >= 0xD800 && v <= 0xDFFF)
            return std::nullopt; // a lone surrogate half stays as written
        return wholeMatch(m, QString(QChar(ushort(v))));
    });
}

QString formatToolResponse(const QString &input)
{
    ToolResponseJsonDecision decision;
    return formatToolResponse(input, decision);
}

QString formatToolResponse(const QString &input, ToolResponseJsonDecision &decision)
{
    QString s = unescapeUnicodeSequences(input);
    s = replaceLiteralOutsideCode(s, QStringLiteral("\\n"), QStringLiteral("\n"));
    s = formatJson(s, decision);

    // "Label: value" lines. Horizontal white space only, so a label never spans lines; a colon
    // that begins "//" is an address, not a label.
    static const QRegularExpression labelValue(QStringLiteral("^([A-Za-z][A-Za-z \\t]*?):(?!//)[ \\t]*(.+)$"),
                                               QRegularExpression::MultilineOption);
    s = replaceOutsideCode(s, labelValue, [](const QRegularExpressionMatch &m) -> std::optional<Edit> {
        return Edit{m.capturedStart(0), m.capturedStart(2) - m.capturedStart(0),
                    QStringLiteral("**") + m.captured(1) + QStringLiteral(":** ")};
    });
    static const QRegularExpression labelAlone(QStringLiteral("^([A-Za-z][A-Za-z \\t]*?):[ \\t]*$"),
                                               QRegularExpression::MultilineOption);
    s = replaceOutsideCode(s, labelAlone, [](const QRegularExpressionMatch &m) -> std::optional<Edit> {
        return wholeMatch(m, QStringLiteral("\n## ") + m.captured(1) + QStringLiteral("\n"));
    });

    s = linkBareAddresses(s);

    static const QRegularExpression blankLines(QStringLiteral("\n\n\n+"));
    s = replaceOutsideCode(s, blankLines,
                           [](const QRegularExpressionMatch &m) { return std::optional<Edit>(wholeMatch(m, QStringLiteral("\n\n"))); });
    static const QRegularExpression lineThenHeading(QStringLiteral("\n##"));
    s = replaceOutsideCode(s, lineThenHeading, [](const QRegularExpressionMatch &m) {
        return std::optional<Edit>(Edit{m.capturedStart(0), 1, QStringLiteral("\n\n")});
    });
    // A blank line after a heading line: both the "##" and the line's end must be prose.
    static const QRegularExpression headingLine(QStringLiteral("##(.+)\n"));
    {
        const CodeRegions code = CodeRegions::find(s);
        QList<Edit> edits;
        auto it = headingLine.globalMatch(s);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const qsizetype nl = m.capturedEnd(0) - 1;
            if (code.overlaps(m.capturedStart(0), m.capturedStart(0) + 2) || code.overlaps(nl, nl + 1))
                continue;
            edits.append({nl, 1, QStringLiteral("\n\n")});
        }
        s = applyEdits(s, edits);
    }
    return trimSpacesAndTabs(s);
}

namespace {

// A cut at position p (the start of a paragraph) is safe when formatting the parts on either side
// apart gives the same text as formatting them together: no newline run, heading spacing,
// trimming, JSON object, link target or code block reaches across it. `from` is the previous safe
// cut (or 0), so the state before it is clean.
bool safeCut(const QString &text, qsizetype from, qsizetype p, const ToolResponseJsonDecision &decision)
{
    if (p < 2 || p >= text.size() || text[p - 1] != QLatin1Char('\n') || text[p - 2] != QLatin1Char('\n'))
        return false;
    static const QString unsafeFirst = QStringLiteral("\n\r \t#{)\\`~");
    if (unsafeFirst.contains(text[p]))
        return false;
    // The later rules see the text with its escapes decoded and its JSON fenced: both can make new
    // lines, and so fence lines and headings.
    auto decoded = [](const QString &raw) {
        QString out = unescapeUnicodeSequences(raw);
        out.replace(QLatin1String("\\n"), QLatin1String("\n"));
        return out;
    };
    const QString decodedPart = decoded(text.mid(from, p - from));
    // No brace left open before the cut, so no JSON object spans it.
    for (qsizetype i = decodedPart.size() - 1; i >= 0; --i) {
        const QChar c = decodedPart[i];
        if (c == QLatin1Char('{'))
            return false;
        if (c == QLatin1Char('}'))
            break;
    }
    ToolResponseJsonDecision after = decision;
    const QString part = formatJson(decodedPart, after);
    // The first line after the cut must not become a heading (it would gain a line break before it).
    static const QRegularExpression labelAlone(QStringLiteral("^[A-Za-z][A-Za-z \\t]*?:[ \\t]*$"));
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), p);
    if (lineEnd < 0)
        return false; // the line may still grow
    const QString decodedLine = decoded(text.mid(p, lineEnd - p));
    // A brace on that line may open an object that closes on a later line; fencing it would
    // break the line and could leave a label alone on it.
    if (!after.decided && decodedLine.contains(QLatin1Char('{')))
        return false;
    QString firstLine = formatJson(decodedLine, after);
    if (firstLine.indexOf(QLatin1Char('\n')) >= 0)
        firstLine.truncate(firstLine.indexOf(QLatin1Char('\n')));
    if (labelAlone.match(firstLine).hasMatch())
        return false;
    // No parenthesis left open before the cut, so no link target spans it.
    for (qsizetype i = part.size() - 1; i >= 0; --i) {
        const QChar c = part[i];
        if (c == QLatin1Char('('))
            return false;
        if (c == QLatin1Char(')'))
            break;
    }
    // Every code block before the cut is closed before it, as the text reads at each step of the
    // formatting (decoded escapes and fenced JSON can make fence lines). The cut then lies in prose
    // at a line start, where the code regions of the whole text are those of the two parts. The
    // later rules only add marks and line breaks around prose, which make no fence lines.
    auto allClosed = [](const QString &s) {
        const CodeRegions code = CodeRegions::find(s);
        for (const auto &region : code.regions()) {
            if (region.second >= s.size())
                return false; // an open fence runs to the end
        }
        return true;
    };
    const QString raw = text.mid(from, p - from);
    return allClosed(raw) && allClosed(unescapeUnicodeSequences(raw)) && allClosed(decodedPart) && allClosed(part);
}

}

QString StreamingToolResponseFormatter::format(const QString &text)
{
    if (!text.startsWith(m_prefixSource)) {
        m_prefixSource.clear();
        m_result.clear();
        m_prefixFormattedLength = 0;
        m_decision = {};
    }
    m_result.truncate(m_prefixFormattedLength);
    const qsizetype from = m_prefixSource.size();
    // The last safe cut in the new part: everything before it is formatted once and kept.
    qsizetype cut = -1;
    int tries = 0;
    for (qsizetype at = text.lastIndexOf(QLatin1String("\n\n")); at >= from && tries < 8;
         at = at > 0 ? text.lastIndexOf(QLatin1String("\n\n"), at - 1) : -1, ++tries) {
        qsizetype p = at + 2;
        while (p < text.size() && text[p] == QLatin1Char('\n'))
            ++p;
        if (p > from && safeCut(text, from, p, m_decision)) {
            cut = p;
            break;
        }
    }
    if (cut > from) {
        const QString part = text.mid(from, cut - from);
        m_result += formatToolResponse(part, m_decision);
        m_prefixFormattedLength = m_result.size();
        m_prefixSource += part;
    }
    ToolResponseJsonDecision restDecision = m_decision;
    m_result += formatToolResponse(text.mid(m_prefixSource.size()), restDecision);
    return m_result;
}
