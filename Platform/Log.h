#pragma once
#include <QString>

// The console log: one line per event on standard output, written as the system's own
// lines are ("✅ [Type] ..."). Secrets never reach it; huge payloads are cut.
namespace Log {
void line(const QString &text);
// "present" or "absent": the most a log line may say about a token, key or password.
QString presence(const QString &secret);
// At most maxChars characters of text, with a note of how much was cut.
QString truncated(const QString &text, int maxChars = 1000);
// Tests silence the console or capture it.
void setSink(void (*sink)(const QString &));
}
