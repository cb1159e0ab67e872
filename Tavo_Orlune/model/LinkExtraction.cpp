#include "model/LinkExtraction.h"
#include "model/WebURL.h"

#include <QRegularExpression>

namespace {
// \s must cover every Unicode space (a no-break space ends an address too).
constexpr auto kOptions = QRegularExpression::UseUnicodePropertiesOption;

const QRegularExpression &joinExpression()
{
    static const QRegularExpression re(QStringLiteral(R"((https?://[^\s\r\n]+)\n([^\s\r\n\)\]\}\,\;\"\'<>\|\\]+))"), kOptions);
    return re;
}

const QRegularExpression &extractExpression()
{
    static const QRegularExpression re(QStringLiteral(R"(https?://[^\s\)\]\}\,\;\!\"\'<>\|\\\r\n]+)"), kOptions);
    return re;
}
}

QString cleanExtractedURL(const QString &candidate)
{
    QString text = candidate;
    if (text.startsWith(QLatin1Char('@')))
        text.remove(0, 1);
    static const QRegularExpression openLinkTarget(QStringLiteral(R"(\]\([^)]*$)"), kOptions);
    const QRegularExpressionMatch open = openLinkTarget.match(text);
    if (open.hasMatch())
        text.truncate(open.capturedStart());
    while (!text.isEmpty() && QStringLiteral("]},;").contains(text.back()))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')) && !text.contains(QLatin1Char('?')) && !text.contains(QLatin1Char('#'))) {
        const QString shorter = text.left(text.size() - 1);
        if (isValidWebURL(shorter))
            text = shorter;
    }
    if (text.endsWith(QLatin1Char(')')) && text.count(QLatin1Char('(')) < text.count(QLatin1Char(')')))
        text.chop(1);
    static const QRegularExpression spaces(QStringLiteral("[ \\t]"), kOptions);
    text.remove(spaces);
    return text;
}

QStringList extractURLs(const QString &text)
{
    // Join addresses broken by a line feed; every match of the unchanged text is joined once.
    QString joined;
    joined.reserve(text.size());
    qsizetype last = 0;
    auto joins = joinExpression().globalMatch(text);
    while (joins.hasNext()) {
        const QRegularExpressionMatch m = joins.next();
        joined += QStringView(text).mid(last, m.capturedStart() - last);
        joined += m.capturedView(1);
        joined += m.capturedView(2);
        last = m.capturedEnd();
    }
    joined += QStringView(text).mid(last);

    QStringList found;
    auto matches = extractExpression().globalMatch(joined);
    while (matches.hasNext()) {
        const QString cleaned = cleanExtractedURL(matches.next().captured(0));
        if (!cleaned.isEmpty() && isValidWebURL(cleaned))
            found.append(cleaned);
    }
    return found;
}
