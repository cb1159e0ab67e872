#pragma once
#include "Platform/Store/PersistentModel.h"
#include "model/ChatMessageTypes.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

class TaskData;

// One message of a task's chat: the user's text, an assistant reply, one tool call's output or
// one generated HTML document. A chat is its task's messages ordered by timestamp.
class ChatMessageData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QString sender READ sender WRITE setSender NOTIFY senderChanged)
    Q_PROPERTY(MessageType messageType READ messageType WRITE setMessageType NOTIFY messageTypeChanged)
    Q_PROPERTY(std::optional<QString> userTextMessage READ userTextMessage WRITE setUserTextMessage NOTIFY userTextMessageChanged)
    Q_PROPERTY(QDateTime timestamp READ timestamp WRITE setTimestamp NOTIFY timestampChanged)
    Q_PROPERTY(std::optional<QString> aiActionTitle READ aiActionTitle WRITE setAiActionTitle NOTIFY aiActionTitleChanged)
    Q_PROPERTY(std::optional<QString> aiFinalReplyText READ aiFinalReplyText WRITE setAiFinalReplyText NOTIFY aiFinalReplyTextChanged)
    Q_PROPERTY(std::optional<QString> aiThinkingContent READ aiThinkingContent WRITE setAiThinkingContent NOTIFY aiThinkingContentChanged)
    Q_PROPERTY(std::optional<AIReplyStatus> aiReplyStatus READ aiReplyStatus WRITE setAiReplyStatus NOTIFY aiReplyStatusChanged)
    Q_PROPERTY(std::optional<QString> htmlContent READ htmlContent WRITE setHtmlContent NOTIFY htmlContentChanged)
    Q_PROPERTY(std::optional<QString> toolResponseContent READ toolResponseContent WRITE setToolResponseContent NOTIFY toolResponseContentChanged)
    Q_PROPERTY(std::optional<QString> toolName READ toolName WRITE setToolName NOTIFY toolNameChanged)
    Q_PROPERTY(std::optional<QString> clientDisplayName READ clientDisplayName WRITE setClientDisplayName NOTIFY clientDisplayNameChanged)
    Q_PROPERTY(std::optional<QList<AIReplyStep>> aiReplySteps READ aiReplySteps WRITE setAiReplySteps NOTIFY aiReplyStepsChanged)
public:
    enum Attribute { AttributeSender, AttributeMessageType, AttributeUserTextMessage, AttributeTimestamp, AttributeAiActionTitle, AttributeAiFinalReplyText, AttributeAiThinkingContent, AttributeAiReplyStatus, AttributeHtmlContent, AttributeToolResponseContent, AttributeToolName, AttributeClientDisplayName, AttributeAiReplySteps };
    enum Relationship { RelationshipTask };

    // The four kinds of message. Each links the message to its task, which puts it into the
    // task's context when the task has one; the caller saves.
    static ChatMessageData *withUserTextMessage(const QString &sender, const QString &userTextMessage, const QDateTime &timestamp, TaskData *task);
    static ChatMessageData *withAiActionTitle(const QString &sender, const std::optional<QString> &aiActionTitle,
                                              const std::optional<AIReplyStatus> &aiReplyStatus,
                                              const std::optional<QList<AIReplyStep>> &aiReplySteps, const QDateTime &timestamp, TaskData *task);
    static ChatMessageData *withHtmlContent(const std::optional<QString> &htmlContent, const QDateTime &timestamp, TaskData *task);
    static ChatMessageData *withToolResponseContent(const std::optional<QString> &toolName, const std::optional<QString> &toolResponseContent,
                                                    const std::optional<QString> &clientDisplayName, const QDateTime &timestamp, TaskData *task);

    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QString sender() const;
    void setSender(const QString &value);
    MessageType messageType() const;
    void setMessageType(MessageType  value);
    std::optional<QString> userTextMessage() const;
    void setUserTextMessage(const std::optional<QString> &value);
    QDateTime timestamp() const;
    void setTimestamp(const QDateTime &value);
    std::optional<QString> aiActionTitle() const;
    void setAiActionTitle(const std::optional<QString> &value);
    std::optional<QString> aiFinalReplyText() const;
    void setAiFinalReplyText(const std::optional<QString> &value);
    std::optional<QString> aiThinkingContent() const;
    void setAiThinkingContent(const std::optional<QString> &value);
    std::optional<AIReplyStatus> aiReplyStatus() const;
    void setAiReplyStatus(const std::optional<AIReplyStatus> &value);
    std::optional<QString> htmlContent() const;
    void setHtmlContent(const std::optional<QString> &value);
    std::optional<QString> toolResponseContent() const;
    void setToolResponseContent(const std::optional<QString> &value);
    std::optional<QString> toolName() const;
    void setToolName(const std::optional<QString> &value);
    std::optional<QString> clientDisplayName() const;
    void setClientDisplayName(const std::optional<QString> &value);
    std::optional<QList<AIReplyStep>> aiReplySteps() const;
    void setAiReplySteps(const std::optional<QList<AIReplyStep>> &value);
    TaskData *task() const;
    void setTask(TaskData *value);

Q_SIGNALS:
    void senderChanged();
    void messageTypeChanged();
    void userTextMessageChanged();
    void timestampChanged();
    void aiActionTitleChanged();
    void aiFinalReplyTextChanged();
    void aiThinkingContentChanged();
    void aiReplyStatusChanged();
    void htmlContentChanged();
    void toolResponseContentChanged();
    void toolNameChanged();
    void clientDisplayNameChanged();
    void aiReplyStepsChanged();
    void taskChanged();

protected:
    void attributeDidChange(int index) override;
    void relationshipDidChange(int index) override;

private:
    ChatMessageData();
};
