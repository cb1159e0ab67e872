#pragma once
#include "Platform/Store/PersistentModel.h"
#include "model/StreamStatus.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

class AppIconData;
class CategoryData;
class ChatMessageData;
class TranscriptData;

// One task: one conversation with the assistant, shown as a card, a panel row and a chat.
class TaskData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(std::optional<QString> summary READ summary WRITE setSummary NOTIFY summaryChanged)
    Q_PROPERTY(std::optional<QString> timeRemaining READ timeRemaining WRITE setTimeRemaining NOTIFY timeRemainingChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt WRITE setCreatedAt NOTIFY createdAtChanged)
    Q_PROPERTY(bool isCompleted READ isCompleted WRITE setIsCompleted NOTIFY isCompletedChanged)
    Q_PROPERTY(std::optional<double> progress READ progress WRITE setProgress NOTIFY progressChanged)
    Q_PROPERTY(std::optional<QByteArray> thumbnail READ thumbnail WRITE setThumbnail NOTIFY thumbnailChanged)
    Q_PROPERTY(StreamStatus streamStatus READ streamStatus WRITE setStreamStatus NOTIFY streamStatusChanged)
    Q_PROPERTY(std::optional<bool> miniAppEnabled READ miniAppEnabled WRITE setMiniAppEnabled NOTIFY miniAppEnabledChanged)
public:
    enum Attribute { AttributeId, AttributeTitle, AttributeSummary, AttributeTimeRemaining, AttributeCreatedAt, AttributeIsCompleted, AttributeProgress, AttributeThumbnail, AttributeStreamStatus, AttributeMiniAppEnabled };
    enum Relationship { RelationshipCategory, RelationshipTranscript, RelationshipChatMessages, RelationshipApps };

    // Fills the fields only; chatMessages and apps start empty, category and transcript absent.
    TaskData(const QUuid &id, const QString &title, const std::optional<QString> &summary,
             const std::optional<QString> &timeRemaining, const QDateTime &createdAt, bool isCompleted,
             const std::optional<double> &progress, const std::optional<QByteArray> &thumbnail,
             StreamStatus streamStatus, const std::optional<bool> &miniAppEnabled);

    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QUuid id() const;
    void setId(const QUuid &value);
    QString title() const;
    void setTitle(const QString &value);
    std::optional<QString> summary() const;
    void setSummary(const std::optional<QString> &value);
    std::optional<QString> timeRemaining() const;
    void setTimeRemaining(const std::optional<QString> &value);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &value);
    bool isCompleted() const;
    void setIsCompleted(bool value);
    std::optional<double> progress() const;
    void setProgress(const std::optional<double> &value);
    std::optional<QByteArray> thumbnail() const;
    void setThumbnail(const std::optional<QByteArray> &value);
    StreamStatus streamStatus() const;
    void setStreamStatus(StreamStatus  value);
    std::optional<bool> miniAppEnabled() const;
    void setMiniAppEnabled(const std::optional<bool> &value);
    CategoryData *category() const;
    void setCategory(CategoryData *value);
    TranscriptData *transcript() const;
    void setTranscript(TranscriptData *value);
    QList<ChatMessageData *> chatMessages() const;
    void setChatMessages(const QList<ChatMessageData *> &value);
    void appendChatMessage(ChatMessageData *value);
    void removeChatMessage(ChatMessageData *value);
    QList<AppIconData *> apps() const;
    void setApps(const QList<AppIconData *> &value);
    void appendApp(AppIconData *value);
    void removeApp(AppIconData *value);

Q_SIGNALS:
    void idChanged();
    void titleChanged();
    void summaryChanged();
    void timeRemainingChanged();
    void createdAtChanged();
    void isCompletedChanged();
    void progressChanged();
    void thumbnailChanged();
    void streamStatusChanged();
    void miniAppEnabledChanged();
    void categoryChanged();
    void transcriptChanged();
    void chatMessagesChanged();
    void appsChanged();

protected:
    void attributeDidChange(int index) override;
    void relationshipDidChange(int index) override;

private:
    TaskData();
};
