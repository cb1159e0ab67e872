#include "model/CategoryData.h"
#include "model/TaskData.h"

CategoryData::CategoryData()
{
}

CategoryData::CategoryData(const QUuid &id, const QString &title, const QDateTime &createdAt, double positionX, double positionY)
{
    setId(id);
    setTitle(title);
    setCreatedAt(createdAt);
    setPositionX(positionX);
    setPositionY(positionY);
}

const EntityDescription &CategoryData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("CategoryData");
        e.attributes.append({QStringLiteral("id"), AttributeType::Uuid, false, true});
        e.attributes.append({QStringLiteral("title"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("positionX"), AttributeType::Double, false, false});
        e.attributes.append({QStringLiteral("positionY"), AttributeType::Double, false, false});
        e.attributes.append({QStringLiteral("createdAt"), AttributeType::Date, false, false});
        e.relationships.append({QStringLiteral("tasks"), QStringLiteral("TaskData"), true, DeleteRule::Nullify, QStringLiteral("category")});
        e.factory = [] { return static_cast<PersistentModel *>(new CategoryData); };
        return e;
    }();
    return description;
}

QUuid CategoryData::id() const
{
    const QVariant v = attribute(AttributeId);
    return v.toUuid();
}

void CategoryData::setId(const QUuid &value)
{
    setAttribute(AttributeId, value);
}

QString CategoryData::title() const
{
    const QVariant v = attribute(AttributeTitle);
    return v.toString();
}

void CategoryData::setTitle(const QString &value)
{
    setAttribute(AttributeTitle, value);
}

double CategoryData::positionX() const
{
    const QVariant v = attribute(AttributePositionX);
    return v.toDouble();
}

void CategoryData::setPositionX(double value)
{
    setAttribute(AttributePositionX, value);
}

double CategoryData::positionY() const
{
    const QVariant v = attribute(AttributePositionY);
    return v.toDouble();
}

void CategoryData::setPositionY(double value)
{
    setAttribute(AttributePositionY, value);
}

QDateTime CategoryData::createdAt() const
{
    const QVariant v = attribute(AttributeCreatedAt);
    return v.toDateTime();
}

void CategoryData::setCreatedAt(const QDateTime &value)
{
    setAttribute(AttributeCreatedAt, value);
}

QList<TaskData *> CategoryData::tasks() const
{
    return cast<TaskData>(toMany(RelationshipTasks));
}

void CategoryData::setTasks(const QList<TaskData *> &value)
{
    setToMany(RelationshipTasks, uncast(value));
}

void CategoryData::appendTask(TaskData *value)
{
    appendToMany(RelationshipTasks, value);
}

void CategoryData::removeTask(TaskData *value)
{
    removeFromMany(RelationshipTasks, value);
}

void CategoryData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeId: Q_EMIT idChanged(); break;
    case AttributeTitle: Q_EMIT titleChanged(); break;
    case AttributePositionX: Q_EMIT positionXChanged(); Q_EMIT positionChanged(); break;
    case AttributePositionY: Q_EMIT positionYChanged(); Q_EMIT positionChanged(); break;
    case AttributeCreatedAt: Q_EMIT createdAtChanged(); break;
    }
}

void CategoryData::relationshipDidChange(int index)
{
    switch (index) {
    case RelationshipTasks: Q_EMIT tasksChanged(); break;
    }
}
