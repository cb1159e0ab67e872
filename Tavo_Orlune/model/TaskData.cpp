#include "model/TaskData.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/TranscriptData.h"

TaskData::TaskData()
{
}

TaskData::TaskData(const QUuid &id, const QString &title, const std::optional<QString> &summary,
                   const std::optional<QString> &timeRemaining, const QDateTime &createdAt, bool isCompleted,
                   const std::optional<double> &progress, const std::optional<QByteArray> &thumbnail,
                   StreamStatus streamStatus, const std::optional<bool> &miniAppEnabled)
{
    setId(id);
    setTitle(title);
    setSummary(summary);
    setTimeRemaining(timeRemaining);
    setCreatedAt(createdAt);
    setIsCompleted(isCompleted);
    setProgress(progress);
    setThumbnail(thumbnail);
    setStreamStatus(streamStatus);
    setMiniAppEnabled(miniAppEnabled);
}

const EntityDescription &TaskData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("TaskData");
        e.attributes.append({QStringLiteral("id"), AttributeType::Uuid, false, true});
        e.attributes.append({QStringLiteral("title"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("summary"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("timeRemaining"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("createdAt"), AttributeType::Date, false, false});
        e.attributes.append({QStringLiteral("isCompleted"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("progress"), AttributeType::Double, true, false});
        e.attributes.append({QStringLiteral("thumbnail"), AttributeType::Bytes, true, false});
        e.attributes.append({QStringLiteral("streamStatus"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("miniAppEnabled"), AttributeType::Bool, true, false});
        e.relationships.append({QStringLiteral("category"), QStringLiteral("CategoryData"), false, DeleteRule::Nullify, QStringLiteral("tasks")});
        e.relationships.append({QStringLiteral("transcript"), QStringLiteral("TranscriptData"), false, DeleteRule::Cascade, QString()});
        e.relationships.append({QStringLiteral("chatMessages"), QStringLiteral("ChatMessageData"), true, DeleteRule::Cascade, QStringLiteral("task")});
        e.relationships.append({QStringLiteral("apps"), QStringLiteral("AppIconData"), true, DeleteRule::Nullify, QStringLiteral("tasks")});
        e.factory = [] { return static_cast<PersistentModel *>(new TaskData); };
        return e;
    }();
    return description;
}

QUuid TaskData::id() const
{
    const QVariant v = attribute(AttributeId);
    return v.toUuid();
}

void TaskData::setId(const QUuid &value)
{
    setAttribute(AttributeId, value);
}

QString TaskData::title() const
{
    const QVariant v = attribute(AttributeTitle);
    return v.toString();
}

void TaskData::setTitle(const QString &value)
{
    setAttribute(AttributeTitle, value);
}

std::optional<QString> TaskData::summary() const
{
    const QVariant v = attribute(AttributeSummary);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void TaskData::setSummary(const std::optional<QString> &value)
{
    setAttribute(AttributeSummary, value ? QVariant(*value) : QVariant());
}

std::optional<QString> TaskData::timeRemaining() const
{
    const QVariant v = attribute(AttributeTimeRemaining);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void TaskData::setTimeRemaining(const std::optional<QString> &value)
{
    setAttribute(AttributeTimeRemaining, value ? QVariant(*value) : QVariant());
}

QDateTime TaskData::createdAt() const
{
    const QVariant v = attribute(AttributeCreatedAt);
    return v.toDateTime();
}

void TaskData::setCreatedAt(const QDateTime &value)
{
    setAttribute(AttributeCreatedAt, value);
}

bool TaskData::isCompleted() const
{
    const QVariant v = attribute(AttributeIsCompleted);
    return v.toBool();
}

void TaskData::setIsCompleted(bool value)
{
    setAttribute(AttributeIsCompleted, value);
}

std::optional<double> TaskData::progress() const
{
    const QVariant v = attribute(AttributeProgress);
    if (!v.isValid())
        return std::nullopt;
    return v.toDouble();
}

void TaskData::setProgress(const std::optional<double> &value)
{
    setAttribute(AttributeProgress, value ? QVariant(*value) : QVariant());
}

std::optional<QByteArray> TaskData::thumbnail() const
{
    const QVariant v = attribute(AttributeThumbnail);
    if (!v.isValid())
        return std::nullopt;
    return v.toByteArray();
}

void TaskData::setThumbnail(const std::optional<QByteArray> &value)
{
    setAttribute(AttributeThumbnail, value ? QVariant(*value) : QVariant());
}

StreamStatus TaskData::streamStatus() const
{
    const QVariant v = attribute(AttributeStreamStatus);
    return streamStatusFromRaw(v.toString()).value_or(StreamStatus{});
}

void TaskData::setStreamStatus(StreamStatus  value)
{
    setAttribute(AttributeStreamStatus, rawValue(value));
}

std::optional<bool> TaskData::miniAppEnabled() const
{
    const QVariant v = attribute(AttributeMiniAppEnabled);
    if (!v.isValid())
        return std::nullopt;
    return v.toBool();
}

void TaskData::setMiniAppEnabled(const std::optional<bool> &value)
{
    setAttribute(AttributeMiniAppEnabled, value ? QVariant(*value) : QVariant());
}

CategoryData *TaskData::category() const
{
    return static_cast<CategoryData *>(toOne(RelationshipCategory));
}

void TaskData::setCategory(CategoryData *value)
{
    setToOne(RelationshipCategory, value);
}

TranscriptData *TaskData::transcript() const
{
    return static_cast<TranscriptData *>(toOne(RelationshipTranscript));
}

void TaskData::setTranscript(TranscriptData *value)
{
    setToOne(RelationshipTranscript, value);
}

QList<ChatMessageData *> TaskData::chatMessages() const
{
    return cast<ChatMessageData>(toMany(RelationshipChatMessages));
}

void TaskData::setChatMessages(const QList<ChatMessageData *> &value)
{
    setToMany(RelationshipChatMessages, uncast(value));
}

void TaskData::appendChatMessage(ChatMessageData *value)
{
    appendToMany(RelationshipChatMessages, value);
}

void TaskData::removeChatMessage(ChatMessageData *value)
{
    removeFromMany(RelationshipChatMessages, value);
}

QList<AppIconData *> TaskData::apps() const
{
    return cast<AppIconData>(toMany(RelationshipApps));
}

void TaskData::setApps(const QList<AppIconData *> &value)
{
    setToMany(RelationshipApps, uncast(value));
}

void TaskData::appendApp(AppIconData *value)
{
    appendToMany(RelationshipApps, value);
}

void TaskData::removeApp(AppIconData *value)
{
    removeFromMany(RelationshipApps, value);
}

void TaskData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeId: Q_EMIT idChanged(); break;
    case AttributeTitle: Q_EMIT titleChanged(); break;
    case AttributeSummary: Q_EMIT summaryChanged(); break;
    case AttributeTimeRemaining: Q_EMIT timeRemainingChanged(); break;
    case AttributeCreatedAt: Q_EMIT createdAtChanged(); break;
    case AttributeIsCompleted: Q_EMIT isCompletedChanged(); break;
    case AttributeProgress: Q_EMIT progressChanged(); break;
    case AttributeThumbnail: Q_EMIT thumbnailChanged(); break;
    case AttributeStreamStatus: Q_EMIT streamStatusChanged(); break;
    case AttributeMiniAppEnabled: Q_EMIT miniAppEnabledChanged(); break;
    }
}

void TaskData::relationshipDidChange(int index)
{
    switch (index) {
    case RelationshipCategory: Q_EMIT categoryChanged(); break;
    case RelationshipTranscript: Q_EMIT transcriptChanged(); break;
    case RelationshipChatMessages: Q_EMIT chatMessagesChanged(); break;
    case RelationshipApps: Q_EMIT appsChanged(); break;
    }
}
