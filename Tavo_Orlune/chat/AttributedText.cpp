#include "chat/AttributedText.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QRegularExpression>

void AttributedText::append(const AttributedRun &run)
{
    m_runs.append(run);
}

void AttributedText::append(const AttributedText &other)
{
    m_runs.append(other.m_runs);
}

QString AttributedText::plainText() const
{
    QString s;
    for (const AttributedRun &r : m_runs)
        s += r.text;
    return s;
}

// Colours of the light appearance, which the application always uses.
QColor AttributedText::labelColor() { return QColor(0, 0, 0, 217); }
QColor AttributedText::linkColor() { return QColor(0, 122, 255); }
QColor AttributedText::codeColor() { return QColor(175, 82, 222); }
QColor AttributedText::codeBackground() { return QColor(255, 255, 255); }

namespace {

QFont systemFont(int pixelSize, QFont::Weight weight)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QFont monospacedFont(int pixelSize, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

AttributedRun styled(const QString &text, const QFont &font, const QColor &fg)
{
    AttributedRun r;
    r.text = text;
    r.font = font;
    r.foreground = fg;
    return r;
}

struct Span {
    qsizetype open = -1;      // where the opening mark starts
    qsizetype textStart = 0;  // span text
    qsizetype textEnd = 0;
    qsizetype after = 0;      // where the remainder starts
    QString target;           // links only
};

std::optional<Span> delimited(QStringView s, QStringView mark)
{
    const qsizetype open = s.indexOf(mark);
    if (open < 0)
        return std::nullopt;
    const qsizetype close = s.indexOf(mark, open + mark.size());
    if (close < 0)
        return std::nullopt;
    return Span{open, open + mark.size(), close, close + mark.size(), {}};
}

// "[text](target)": the first "[" that forms a whole link, its "(" right after the "]".
std::optional<Span> link(QStringView s)
{
    for (qsizetype open = s.indexOf(u'['); open >= 0; open = s.indexOf(u'[', open + 1)) {
        const qsizetype close = s.indexOf(u']', open + 1);
        if (close < 0)
            return std::nullopt;
        if (close + 1 >= s.size() || s[close + 1] != u'(')
            continue;
        const qsizetype end = s.indexOf(u')', close + 2);
        if (end < 0)
            return std::nullopt;
        return Span{open, open + 1, close, end + 1, s.mid(close + 2, end - close - 2).toString()};
    }
    return std::nullopt;
}

}

AttributedRun AttributedText::baseRun(const QString &text)
{
    return styled(text, systemFont(13, QFont::Normal), labelColor());
}

AttributedText renderMarkdownLine(const QString &line, const AttributedRun &base)
{
    AttributedText out;
    auto whole = [&](const QString &text, const QFont &font, const QColor &fg) {
        if (!text.isEmpty())
            out.append(styled(text, font, fg));
        return out;
    };
    if (line.startsWith(QLatin1String("### ")))
        return whole(line.mid(4), systemFont(15, QFont::DemiBold), AttributedText::labelColor());
    if (line.startsWith(QLatin1String("## ")))
        return whole(line.mid(3), systemFont(18, QFont::DemiBold), AttributedText::labelColor());
    if (line.startsWith(QLatin1String("# ")))
        return whole(line.mid(2), systemFont(22, QFont::Bold), AttributedText::labelColor());
    if (line.startsWith(QLatin1String("```"))) {
        const QString text = line.size() < 4 ? QString() : line.mid(3);
        if (!text.isEmpty()) {
            AttributedRun r = styled(text, monospacedFont(12, QFont::Normal), AttributedText::codeColor());
            r.background = AttributedText::codeBackground();
            out.append(r);
        }
        return out;
    }

    auto plain = [&](QStringView text) {
        if (!text.isEmpty()) {
            AttributedRun r = base;
            r.text = text.toString();
            out.append(r);
        }
    };

    QStringView rest(line);
    while (!rest.isEmpty()) {
        // The span that opens first wins; at the same place bold goes before italic.
        enum Kind { Bold, Code, Link, Italic };
        std::optional<Span> spans[4] = {delimited(rest, u"**"), delimited(rest, u"`"), link(rest), delimited(rest, u"*")};
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (spans[k] && (best < 0 || spans[k]->open < spans[best]->open))
                best = k;
        }
        if (best < 0) {
            plain(rest);
            break;
        }
        const Span &sp = *spans[best];
        plain(rest.left(sp.open));
        const QString text = rest.mid(sp.textStart, sp.textEnd - sp.textStart).toString();
        if (!text.isEmpty()) {
            AttributedRun r;
            switch (best) {
            case Bold:
                r = styled(text, systemFont(13, QFont::Bold), AttributedText::labelColor());
                break;
            case Code:
                r = styled(text, monospacedFont(12, QFont::Medium), AttributedText::codeColor());
                r.background = AttributedText::codeBackground();
                break;
            case Link: {
                r = styled(text, systemFont(13, QFont::Medium), AttributedText::linkColor());
                r.underline = true;
                const QUrl url(sp.target, QUrl::StrictMode);
                r.link = url.isValid() ? url : QUrl();
                break;
            }
            case Italic: {
                QFont f = systemFont(13, QFont::Normal);
                f.setItalic(true);
                r = styled(text, f, AttributedText::labelColor());
                break;
            }
            }
            out.append(r);
        }
        rest = rest.mid(sp.after);
    }
    return out;
}

AttributedText markdownToAttributedString(const QString &markdown)
{
    static const QRegularExpression newline(QStringLiteral("\r\n|[\n\r\x0B\x0C\u0085\u2028\u2029]"));
    const AttributedRun base = AttributedText::baseRun();
    const QStringList lines = markdown.split(newline);
    AttributedText out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        out.append(renderMarkdownLine(lines[i], base));
        if (i + 1 < lines.size())
            out.append(AttributedText::baseRun(QStringLiteral("\n")));
    }
    return out;
}

namespace {

QString cssColor(const QColor &c)
{
    if (c.alpha() == 255)
        return c.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF(), 0, 'g', 3);
}

QString cssString(const QString &s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return out.toHtmlEscaped();
}

}

bool AttributedText::isCopyableLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto"));
}

std::optional<QByteArray> attributedStringToHTMLData(const AttributedText &text)
{
    QString html = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"></head>"
                                  "<body style=\"white-space: pre-wrap\">");
    for (const AttributedRun &r : text.runs()) {
        QString style = QStringLiteral("font-family: '%1'; font-size: %2px; font-weight: %3; font-style: %4; color: %5")
                            .arg(cssString(r.font.family()))
                            .arg(r.font.pixelSize() > 0 ? r.font.pixelSize() : 13)
                            .arg(int(r.font.weight()))
                            .arg(r.font.italic() ? QStringLiteral("italic") : QStringLiteral("normal"))
                            .arg(cssColor(r.foreground));
        if (r.background.isValid())
            style += QStringLiteral("; background-color: ") + cssColor(r.background);
        if (r.underline)
            style += QStringLiteral("; text-decoration: underline");
        QString body = r.text.toHtmlEscaped();
        body.replace(QLatin1Char('\n'), QLatin1String("<br>"));
        const QString span = QStringLiteral("<span style=\"%1\">%2</span>").arg(style, body);
        if (r.link && AttributedText::isCopyableLink(*r.link))
            html += QStringLiteral("<a href=\"%1\">%2</a>").arg(QString::fromUtf8(r.link->toEncoded()).toHtmlEscaped(), span);
        else
            html += span;
    }
    html += QStringLiteral("</body></html>\n");
    return html.toUtf8();
}
