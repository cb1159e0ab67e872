#pragma once
#include <QString>
#include <functional>

// The four callbacks of one query, all called on the main thread, one at a time, in the order
// of the chunks that caused them (within one chunk: onThinkingComplete, onThinking, onOutput).
struct QueryCallbacks {
    // Answer text, "TOOL_CALL_START:" + tool key before each named tool call, and every
    // user-visible error text.
    std::function<void(const QString &text)> onOutput;
    std::function<void(const QString &text)> onThinking;
    std::function<void()> onThinkingComplete;
    // The end of the query: called exactly once per query.
    std::function<void()> onStreamEnd;
};
