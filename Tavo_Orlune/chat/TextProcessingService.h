#pragma once
#include <QString>

// Text preparation for answers: paragraph breaks for the Markdown view, and plain text for copies.
class TextProcessingService {
public:
    // Bullets become list marks and every run of line breaks becomes one blank line, so each
    // line of an answer is a paragraph. Code blocks and inline code keep their text as written.
    static QString formatForMarkdown(const QString &text);
    // Markdown reduced to plain text (emphasis, code marks, headings, links, quotes, fences).
    static QString stripMarkdown(const QString &text);
};

// formatForMarkdown for a text that grows at its end (a streamed answer): the paragraphs before
// the last blank line that no code block spans are kept formatted, so each call formats only the
// end. The result equals formatForMarkdown.
class StreamingMarkdownFormatter {
public:
    QString format(const QString &text);
    // The result of the last call; it grows in place when nobody else holds it.
    const QString &result() const { return m_result; }
    qsizetype keptLength() const { return m_prefixSource.size(); }

private:
    QString m_prefixSource;  // grows by appending the newly kept part
    QString m_result;        // the kept part formatted, then the rest formatted
    qsizetype m_prefixFormattedLength = 0;
};
