#pragma once
#include "Platform/Store/PersistentModel.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

class TaskData;

// A voice transcript. Part of the store so that stores written with it keep the entity;
// nothing creates one.
class TranscriptData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt WRITE setCreatedAt NOTIFY createdAtChanged)
public:
    enum Attribute { AttributeText, AttributeCreatedAt };
    enum Relationship { RelationshipTask };


    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QString text() const;
    void setText(const QString &value);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &value);
    TaskData *task() const;
    void setTask(TaskData *value);

Q_SIGNALS:
    void textChanged();
    void createdAtChanged();
    void taskChanged();

protected:
    void attributeDidChange(int index) override;
    void relationshipDidChange(int index) override;

private:
    TranscriptData();
};
