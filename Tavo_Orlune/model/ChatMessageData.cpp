#include "model/ChatMessageData.h"
#include "model/TaskData.h"

ChatMessageData::ChatMessageData()
{
}

ChatMessageData *ChatMessageData::withUserTextMessage(const QString &sender, const QString &userTextMessage, const QDateTime &timestamp, TaskData *task)
{
    auto *m = new ChatMessageData;
    m->setSender(sender);
    m->setMessageType(MessageType::User);
    m->setUserTextMessage(userTextMessage);
    m->setTimestamp(timestamp);
    m->setTask(task);
    return m;
}

ChatMessageData *ChatMessageData::withAiActionTitle(const QString &sender, const std::optional<QString> &aiActionTitle,
                                                    const std::optional<AIReplyStatus> &aiReplyStatus,
                                                    const std::optional<QList<AIReplyStep>> &aiReplySteps, const QDateTime &timestamp, TaskData *task)
{
    auto *m = new ChatMessageData;
    m->setSender(sender);
    m->setMessageType(MessageType::Ai);
    m->setAiActionTitle(aiActionTitle);
    m->setAiReplyStatus(aiReplyStatus);
    m->setAiReplySteps(aiReplySteps);
    m->setTimestamp(timestamp);
    m->setTask(task);
    return m;
}

ChatMessageData *ChatMessageData::withHtmlContent(const std::optional<QString> &htmlContent, const QDateTime &timestamp, TaskData *task)
{
    auto *m = new ChatMessageData;
    m->setSender(QStringLiteral("ai"));
    m->setMessageType(MessageType::Html);
    m->setHtmlContent(htmlContent);
    m->setTimestamp(timestamp);
    m->setTask(task);
    return m;
}

ChatMessageData *ChatMessageData::withToolResponseContent(const std::optional<QString> &toolName, const std::optional<QString> &toolResponseContent,
                                                          const std::optional<QString> &clientDisplayName, const QDateTime &timestamp, TaskData *task)
{
    auto *m = new ChatMessageData;
    m->setSender(QStringLiteral("tool_response"));
    m->setMessageType(MessageType::ToolResponse);
    m->setToolName(toolName);
    m->setToolResponseContent(toolResponseContent);
    m->setClientDisplayName(clientDisplayName);
    m->setTimestamp(timestamp);
    m->setTask(task);
    return m;
}

const EntityDescription &ChatMessageData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("ChatMessageData");
        e.attributes.append({QStringLiteral("sender"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("messageType"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("userTextMessage"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("timestamp"), AttributeType::Date, false, false});
        e.attributes.append({QStringLiteral("aiActionTitle"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("aiFinalReplyText"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("aiThinkingContent"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("aiReplyStatus"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("htmlContent"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("toolResponseContent"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("toolName"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("clientDisplayName"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("aiReplySteps"), AttributeType::Transformable, true, false, QStringLiteral("AIStepTransformer")});
        e.relationships.append({QStringLiteral("task"), QStringLiteral("TaskData"), false, DeleteRule::Nullify, QStringLiteral("chatMessages")});
        e.factory = [] { return static_cast<PersistentModel *>(new ChatMessageData); };
        return e;
    }();
    return description;
}

QString ChatMessageData::sender() const
{
    const QVariant v = attribute(AttributeSender);
    return v.toString();
}

void ChatMessageData::setSender(const QString &value)
{
    setAttribute(AttributeSender, value);
}

MessageType ChatMessageData::messageType() const
{
    const QVariant v = attribute(AttributeMessageType);
    return messageTypeFromRaw(v.toString()).value_or(MessageType{});
}

void ChatMessageData::setMessageType(MessageType  value)
{
    setAttribute(AttributeMessageType, rawValue(value));
}

std::optional<QString> ChatMessageData::userTextMessage() const
{
    const QVariant v = attribute(AttributeUserTextMessage);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setUserTextMessage(const std::optional<QString> &value)
{
    setAttribute(AttributeUserTextMessage, value ? QVariant(*value) : QVariant());
}

QDateTime ChatMessageData::timestamp() const
{
    const QVariant v = attribute(AttributeTimestamp);
    return v.toDateTime();
}

void ChatMessageData::setTimestamp(const QDateTime &value)
{
    setAttribute(AttributeTimestamp, value);
}

std::optional<QString> ChatMessageData::aiActionTitle() const
{
    const QVariant v = attribute(AttributeAiActionTitle);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setAiActionTitle(const std::optional<QString> &value)
{
    setAttribute(AttributeAiActionTitle, value ? QVariant(*value) : QVariant());
}

std::optional<QString> ChatMessageData::aiFinalReplyText() const
{
    const QVariant v = attribute(AttributeAiFinalReplyText);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setAiFinalReplyText(const std::optional<QString> &value)
{
    setAttribute(AttributeAiFinalReplyText, value ? QVariant(*value) : QVariant());
}

std::optional<QString> ChatMessageData::aiThinkingContent() const
{
    const QVariant v = attribute(AttributeAiThinkingContent);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setAiThinkingContent(const std::optional<QString> &value)
{
    setAttribute(AttributeAiThinkingContent, value ? QVariant(*value) : QVariant());
}

std::optional<AIReplyStatus> ChatMessageData::aiReplyStatus() const
{
    const QVariant v = attribute(AttributeAiReplyStatus);
    return v.isValid() ? aIReplyStatusFromRaw(v.toString()) : std::nullopt;
}

void ChatMessageData::setAiReplyStatus(const std::optional<AIReplyStatus> &value)
{
    setAttribute(AttributeAiReplyStatus, value ? QVariant(rawValue(*value)) : QVariant());
}

std::optional<QString> ChatMessageData::htmlContent() const
{
    const QVariant v = attribute(AttributeHtmlContent);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setHtmlContent(const std::optional<QString> &value)
{
    setAttribute(AttributeHtmlContent, value ? QVariant(*value) : QVariant());
}

std::optional<QString> ChatMessageData::toolResponseContent() const
{
    const QVariant v = attribute(AttributeToolResponseContent);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setToolResponseContent(const std::optional<QString> &value)
{
    setAttribute(AttributeToolResponseContent, value ? QVariant(*value) : QVariant());
}

std::optional<QString> ChatMessageData::toolName() const
{
    const QVariant v = attribute(AttributeToolName);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setToolName(const std::optional<QString> &value)
{
    setAttribute(AttributeToolName, value ? QVariant(*value) : QVariant());
}

std::optional<QString> ChatMessageData::clientDisplayName() const
{
    const QVariant v = attribute(AttributeClientDisplayName);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void ChatMessageData::setClientDisplayName(const std::optional<QString> &value)
{
    setAttribute(AttributeClientDisplayName, value ? QVariant(*value) : QVariant());
}

std::optional<QList<AIReplyStep>> ChatMessageData::aiReplySteps() const
{
    const QVariant v = attribute(AttributeAiReplySteps);
    if (!v.isValid())
        return std::nullopt;
    return v.value<QList<AIReplyStep>>();
}

void ChatMessageData::setAiReplySteps(const std::optional<QList<AIReplyStep>> &value)
{
    setAttribute(AttributeAiReplySteps, value ? QVariant::fromValue(*value) : QVariant());
}

TaskData *ChatMessageData::task() const
{
    return static_cast<TaskData *>(toOne(RelationshipTask));
}

void ChatMessageData::setTask(TaskData *value)
{
    setToOne(RelationshipTask, value);
}

void ChatMessageData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeSender: Q_EMIT senderChanged(); break;
    case AttributeMessageType: Q_EMIT messageTypeChanged(); break;
    case AttributeUserTextMessage: Q_EMIT userTextMessageChanged(); break;
    case AttributeTimestamp: Q_EMIT timestampChanged(); break;
    case AttributeAiActionTitle: Q_EMIT aiActionTitleChanged(); break;
    case AttributeAiFinalReplyText: Q_EMIT aiFinalReplyTextChanged(); break;
    case AttributeAiThinkingContent: Q_EMIT aiThinkingContentChanged(); break;
    case AttributeAiReplyStatus: Q_EMIT aiReplyStatusChanged(); break;
    case AttributeHtmlContent: Q_EMIT htmlContentChanged(); break;
    case AttributeToolResponseContent: Q_EMIT toolResponseContentChanged(); break;
    case AttributeToolName: Q_EMIT toolNameChanged(); break;
    case AttributeClientDisplayName: Q_EMIT clientDisplayNameChanged(); break;
    case AttributeAiReplySteps: Q_EMIT aiReplyStepsChanged(); break;
    }
}

void ChatMessageData::relationshipDidChange(int index)
{
    switch (index) {
    case RelationshipTask: Q_EMIT taskChanged(); break;
    }
}
