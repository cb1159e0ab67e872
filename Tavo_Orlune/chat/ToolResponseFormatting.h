#pragma once
#include <QString>

// Turns raw tool output (escaped Unicode and line breaks, one-line JSON, "Label: value" lines,
// bare web addresses) into Markdown. Applied to the text of every message the chat shows.
// Pure; code blocks and inline code are never rewritten.
QString formatToolResponse(const QString &text);

// Which JSON object the formatting fences: the first one found decides for the whole text.
struct ToolResponseJsonDecision {
    bool decided = false;
    QString matched; // the object's text as written
    QString block;   // its fenced form; empty when it did not parse
};
// Formats a text that continues one already formatted with the same decision.
QString formatToolResponse(const QString &text, ToolResponseJsonDecision &decision);

// Formats a text that grows at its end (a streaming answer) without formatting its finished
// paragraphs again: the text is cut at paragraph breaks where no rule reaches across, and the
// parts before the last such cut are kept formatted. The result equals formatToolResponse.
class StreamingToolResponseFormatter {
public:
    QString format(const QString &text);
    // The result of the last call. The result grows in place when nobody else holds it, so a
    // caller that drops its copy before the next call costs no copy of the whole text.
    const QString &result() const { return m_result; }
    // How much of the text is kept formatted (not formatted again on the next call).
    qsizetype keptLength() const { return m_prefixSource.size(); }

private:
    QString m_prefixSource;          // grows by appending the newly kept part
    QString m_result;                // the kept part formatted, then the rest formatted
    qsizetype m_prefixFormattedLength = 0;
    ToolResponseJsonDecision m_decision;
};

// "\uXXXX" escapes to characters: a surrogate pair of escapes becomes one character, a lone
// surrogate half stays as written.
QString unescapeUnicodeSequences(const QString &text);
