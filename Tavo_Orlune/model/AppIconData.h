#pragma once
#include "Platform/Store/PersistentModel.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

class TaskData;

// An app shortcut shown on task cards: a named outside app with its colour, logo and link.
class AppIconData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString colorHex READ colorHex WRITE setColorHex NOTIFY colorHexChanged)
    Q_PROPERTY(QString iconName READ iconName WRITE setIconName NOTIFY iconNameChanged)
    Q_PROPERTY(std::optional<QString> appLink READ appLink WRITE setAppLink NOTIFY appLinkChanged)
public:
    enum Attribute { AttributeId, AttributeName, AttributeColorHex, AttributeIconName, AttributeAppLink };
    enum Relationship { RelationshipTasks };

    // Fills the fields only; tasks starts empty.
    AppIconData(const QUuid &id, const QString &name, const QString &colorHex, const QString &iconName, const std::optional<QString> &appLink);
    
    // The 29 predefined shortcuts, the placeholder "Default" last: the same objects on every
    // call, made once (with fresh ids) on first use.
    static QList<AppIconData *> defaultAppIcons();

    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QUuid id() const;
    void setId(const QUuid &value);
    QString name() const;
    void setName(const QString &value);
    QString colorHex() const;
    void setColorHex(const QString &value);
    QString iconName() const;
    void setIconName(const QString &value);
    std::optional<QString> appLink() const;
    void setAppLink(const std::optional<QString> &value);
    QList<TaskData *> tasks() const;
    void setTasks(const QList<TaskData *> &value);
    void appendTask(TaskData *value);
    void removeTask(TaskData *value);

Q_SIGNALS:
    void idChanged();
    void nameChanged();
    void colorHexChanged();
    void iconNameChanged();
    void appLinkChanged();
    void tasksChanged();

protected:
    void attributeDidChange(int index) override;
    void relationshipDidChange(int index) override;

private:
    AppIconData();
};
