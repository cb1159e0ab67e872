#pragma once
#include "model/ChatMessageTypes.h"

#include <QWidget>
#include <optional>

class QLabel;
class LoadingCheckmark;

// The status line above a chat message: the step or thinking capsule of an answer, or the
// progress capsule of a tool call, each followed by the loading ring.
class MessageStatusView : public QWidget {
    Q_OBJECT
public:
    MessageStatusView(MessageType messageType, std::optional<int> messageNumber, bool isLoading,
                      std::optional<QString> toolStatusText, std::optional<QString> toolStatusIcon,
                      bool isThinkingMessage, QWidget *parent = nullptr);

    void setFields(MessageType messageType, std::optional<int> messageNumber, bool isLoading,
                std::optional<QString> toolStatusText, std::optional<QString> toolStatusIcon,
                bool isThinkingMessage);

    // The answer capsule's title from the fields: "Thinking", "Thinking Completed", "Step n" or
    // empty.
    static QString answerTitle(bool isThinkingMessage, bool isLoading, std::optional<int> messageNumber);

    bool hasAnswerRow() const;
    bool hasToolRow() const;
    QString answerText() const;
    QString toolText() const;
    QString toolIconName() const { return m_toolIcon; }
    bool ringVisible() const;

private:
    class Capsule;
    QWidget *m_answerRow;
    Capsule *m_answerCapsule;
    LoadingCheckmark *m_answerRing;
    QWidget *m_toolRow;
    Capsule *m_toolCapsule;
    LoadingCheckmark *m_toolRing;
    QString m_toolIcon;
};
