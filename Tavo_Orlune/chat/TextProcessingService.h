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
