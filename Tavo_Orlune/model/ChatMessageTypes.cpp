#include "model/ChatMessageTypes.h"

QString rawValue(MessageType type)
{
    switch (type) {
    case MessageType::User: return QStringLiteral("user");
    case MessageType::Ai: return QStringLiteral("ai");
    case MessageType::ToolResponse: return QStringLiteral("tool_response");
    case MessageType::Html: return QStringLiteral("html_document");
    }
    return {};
}

QString rawValue(AIReplyStatus status)
{
    switch (status) {
    case AIReplyStatus::InProgress: return QStringLiteral("in_progress");
    case AIReplyStatus::FinishedSuccessfully: return QStringLiteral("finished_successfully");
    case AIReplyStatus::FinishedWithError: return QStringLiteral("finished_with_error");
    }
    return {};
}

QString rawValue(AIStepStatus status)
{
    switch (status) {
    case AIStepStatus::Pending: return QStringLiteral("pending");
    case AIStepStatus::Running: return QStringLiteral("running");
    case AIStepStatus::Completed: return QStringLiteral("completed");
    case AIStepStatus::Failed: return QStringLiteral("failed");
    }
    return {};
}

std::optional<MessageType> messageTypeFromRaw(const QString &raw)
{
    for (MessageType t : {MessageType::User, MessageType::Ai, MessageType::ToolResponse, MessageType::Html})
        if (rawValue(t) == raw)
            return t;
    return std::nullopt;
}

std::optional<AIReplyStatus> aIReplyStatusFromRaw(const QString &raw)
{
    for (AIReplyStatus s : {AIReplyStatus::InProgress, AIReplyStatus::FinishedSuccessfully, AIReplyStatus::FinishedWithError})
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

std::optional<AIStepStatus> aIStepStatusFromRaw(const QString &raw)
{
    for (AIStepStatus s : {AIStepStatus::Pending, AIStepStatus::Running, AIStepStatus::Completed, AIStepStatus::Failed})
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}
