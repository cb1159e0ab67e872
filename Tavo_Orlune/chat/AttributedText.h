#pragma once
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

// One run of styled text: what the rich copy of an answer is built from.
struct AttributedRun {
    QString text;
    QFont font;
    QColor foreground;
    QColor background; // invalid: none
    bool underline = false;
    std::optional<QUrl> link; // set for link runs; an empty URL when the target did not parse
};

// Styled text as a list of runs.
class AttributedText {
public:
    void append(const AttributedRun &run);
    void append(const AttributedText &other);
    const QList<AttributedRun> &runs() const { return m_runs; }
    QString plainText() const;
    bool isEmpty() const { return m_runs.isEmpty(); }

    // The base style of a copy: the 13 px regular system font in the label colour.
    static AttributedRun baseRun(const QString &text = QString());
    static QColor labelColor();
    static QColor linkColor();
    static QColor codeColor();
    static QColor codeBackground();
    // Whether a link keeps its target in a copy (HTML and RTF alike): only the schemes the
    // application itself opens; any other run is copied as its text alone.
    static bool isCopyableLink(const QUrl &url);

private:
    QList<AttributedRun> m_runs;
};

// A small line-by-line Markdown renderer for rich copies: headings, code-fence lines, and
// bold, inline code, links and italics inside a line.
AttributedText markdownToAttributedString(const QString &markdown);
AttributedText renderMarkdownLine(const QString &line, const AttributedRun &base);
// HTML (UTF-8) of the styled text, or nothing when it cannot be produced.
std::optional<QByteArray> attributedStringToHTMLData(const AttributedText &text);
