#pragma once
#include <QString>

// Turns raw tool output (escaped Unicode and line breaks, one-line JSON, "Label: value" lines,
// bare web addresses) into Markdown. Applied to the text of every message the chat shows.
// Pure; code blocks and inline code are never rewritten.
QString formatToolResponse(const QString &text);

// "\uXXXX" escapes to characters: a surrogate pair of escapes becomes one character, a lone
// surrogate half stays as written.
QString unescapeUnicodeSequences(const QString &text);
