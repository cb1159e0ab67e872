#include "NotificationSpy.h"

NotificationSpy::NotificationSpy()
{
    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted, this,
            [this](const Notification &n) { m_all.append(n); }, Qt::DirectConnection);
}

QList<Notification> NotificationSpy::named(const QString &name) const
{
    QList<Notification> out;
    for (const auto &n : m_all)
        if (n.name == name)
            out.append(n);
    return out;
}

QStringList NotificationSpy::names() const
{
    QStringList out;
    for (const auto &n : m_all)
        out.append(n.name);
    return out;
}
