#pragma once
#include <QString>

// The console log: one line per event on standard output, written as the system's own
// lines are ("✅ [Type] ..."). Secrets never reach it; huge payloads are cut.
//
// The log carries names, ids, counts and lengths. Content (messages, answers, raw frames,
// tool arguments and results, configuration values) appears only with debug logging on:
// TAVO_DEBUG_LOG=1 in the environment, read once at start.
namespace Log {
void line(const QString &text);
// "present" or "absent": the most a log line may say about a token, key or password.
QString presence(const QString &secret);
// At most maxChars characters of text, with a note of how much was cut.
QString truncated(const QString &text, int maxChars = 1000);

// Whether debug logging is on (TAVO_DEBUG_LOG=1).
bool debugEnabled();
// Private content for a log line: with debug logging on, the text cut to maxChars; otherwise
// only its length ("<42 characters>").
QString content(const QString &text, int maxChars = 1000);
// A line that only debug logging writes; it is marked "[debug]".
void debug(const QString &text);

// Tests silence the console or capture it, and switch debug logging.
void setSink(void (*sink)(const QString &));
void setDebugEnabled(bool enabled);
}
