#include "TextProcessingService.h"

#include "CodeRegions.h"

#include <QList>
#include <QRegularExpression>

namespace {

struct Edit {
    qsizetype start;
    qsizetype length;
    QString replacement;
};

QString replaceOutsideCode(const QString &text, const QRegularExpression &re, const QString &replacement)
{
    const CodeRegions code = CodeRegions::find(text);
    QList<Edit> edits;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (!code.overlaps(m.capturedStart(0), m.capturedEnd(0)))
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
    s = replaceOutsideCode(s, lineBreaks, QStringLiteral("\n\n"));
    qsizetype b = 0;
    qsizetype e = s.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
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
