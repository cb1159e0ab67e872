#pragma once
#include "Platform/NotificationCenter.h"

#include <QList>
#include <QObject>

// Records every notification posted on the default center, in order.
class NotificationSpy : public QObject {
    Q_OBJECT
public:
    NotificationSpy();
    const QList<Notification> &all() const { return m_all; }
    QList<Notification> named(const QString &name) const;
    QStringList names() const;
    int count(const QString &name) const { return int(named(name).size()); }
    void clear() { m_all.clear(); }

private:
    QList<Notification> m_all;
};
