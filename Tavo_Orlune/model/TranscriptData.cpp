#include "model/TranscriptData.h"
#include "model/TaskData.h"

TranscriptData::TranscriptData()
{
}


const EntityDescription &TranscriptData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("TranscriptData");
        e.attributes.append({QStringLiteral("text"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("createdAt"), AttributeType::Date, false, false});
        e.relationships.append({QStringLiteral("task"), QStringLiteral("TaskData"), false, DeleteRule::Nullify, QString()});
        e.factory = [] { return static_cast<PersistentModel *>(new TranscriptData); };
        return e;
    }();
    return description;
}

QString TranscriptData::text() const
{
    const QVariant v = attribute(AttributeText);
    return v.toString();
}

void TranscriptData::setText(const QString &value)
{
    setAttribute(AttributeText, value);
}

QDateTime TranscriptData::createdAt() const
{
    const QVariant v = attribute(AttributeCreatedAt);
    return v.toDateTime();
}

void TranscriptData::setCreatedAt(const QDateTime &value)
{
    setAttribute(AttributeCreatedAt, value);
}

TaskData *TranscriptData::task() const
{
    return static_cast<TaskData *>(toOne(RelationshipTask));
}

void TranscriptData::setTask(TaskData *value)
{
    setToOne(RelationshipTask, value);
}

void TranscriptData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeText: Q_EMIT textChanged(); break;
    case AttributeCreatedAt: Q_EMIT createdAtChanged(); break;
    }
}

void TranscriptData::relationshipDidChange(int index)
{
    switch (index) {
    case RelationshipTask: Q_EMIT taskChanged(); break;
    }
}
