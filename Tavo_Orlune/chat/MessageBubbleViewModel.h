#pragma once
#include <QString>

// Per-bubble state of the chat.
class MessageBubbleViewModel {
public:
    // The status line of a tool call after elapsed whole seconds. An empty client name reads
    // "the app".
    static QString statusMessage(int elapsedSeconds, const QString &clientName);
};
