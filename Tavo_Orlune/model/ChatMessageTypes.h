#pragma once
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>
#include <optional>

// The kinds of chat message and the states of an assistant reply and of its steps. Each is
// stored and coded as its raw text; building one from any other text builds nothing.
enum class MessageType { User, Ai, ToolResponse, Html };
enum class AIReplyStatus { InProgress, FinishedSuccessfully, FinishedWithError };
enum class AIStepStatus { Pending, Running, Completed, Failed };

QString rawValue(MessageType type);
QString rawValue(AIReplyStatus status);
QString rawValue(AIStepStatus status);
std::optional<MessageType> messageTypeFromRaw(const QString &raw);
std::optional<AIReplyStatus> aIReplyStatusFromRaw(const QString &raw);
std::optional<AIStepStatus> aIStepStatusFromRaw(const QString &raw);

// One step of an assistant reply.
struct AIReplyStep {
    QUuid id = QUuid::createUuid();
    qint64 stepNumber = 0;
    QString description;
    AIStepStatus status = AIStepStatus::Pending;
    std::optional<QString> details;
    QDateTime timestamp;

    friend bool operator==(const AIReplyStep &a, const AIReplyStep &b)
    {
        return a.id == b.id && a.stepNumber == b.stepNumber && a.description == b.description && a.status == b.status
            && a.details == b.details && a.timestamp == b.timestamp;
    }
    friend bool operator!=(const AIReplyStep &a, const AIReplyStep &b) { return !(a == b); }
};
Q_DECLARE_METATYPE(AIReplyStep)
Q_DECLARE_METATYPE(QList<AIReplyStep>)
