#pragma once
#include "Platform/Store/PersistentModel.h"

#include <QDateTime>
#include <QPointF>
#include <QUuid>
#include <optional>

class TaskData;

// One canvas category: a titled column at a stored canvas position, holding tasks.
class CategoryData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(double positionX READ positionX WRITE setPositionX NOTIFY positionXChanged)
    Q_PROPERTY(double positionY READ positionY WRITE setPositionY NOTIFY positionYChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt WRITE setCreatedAt NOTIFY createdAtChanged)
public:
    enum Attribute { AttributeId, AttributeTitle, AttributePositionX, AttributePositionY, AttributeCreatedAt };
    enum Relationship { RelationshipTasks };

    // Fills the fields only; tasks starts empty.
    CategoryData(const QUuid &id, const QString &title, const QDateTime &createdAt, double positionX, double positionY);

    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QUuid id() const;
    void setId(const QUuid &value);
    QString title() const;
    void setTitle(const QString &value);
    double positionX() const;
    void setPositionX(double value);
    double positionY() const;
    void setPositionY(double value);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &value);
    QList<TaskData *> tasks() const;
    void setTasks(const QList<TaskData *> &value);
    void appendTask(TaskData *value);
    void removeTask(TaskData *value);
    // The column's origin; setting it writes positionX, then positionY.
    QPointF position() const { return QPointF(positionX(), positionY()); }
    void setPosition(const QPointF &point)
    {
        setPositionX(point.x());
        setPositionY(point.y());
    }

Q_SIGNALS:
    void idChanged();
    void titleChanged();
    void positionXChanged();
    void positionYChanged();
    void createdAtChanged();
    void tasksChanged();
    void positionChanged();

protected:
    void attributeDidChange(int index) override;
    void relationshipDidChange(int index) override;

private:
    CategoryData();
};
