#include "InMemoryCredentialsStore.h"

#include <QMetaObject>

void InMemoryCredentialsStore::read(const QString &key, QObject *context, std::function<void(std::optional<QByteArray>)> done)
{
    const std::optional<QByteArray> value = entries.contains(key) ? std::optional<QByteArray>(entries.value(key)) : std::nullopt;
    QMetaObject::invokeMethod(context, [done, value] { done(value); }, Qt::QueuedConnection);
}

void InMemoryCredentialsStore::write(const QString &key, const QByteArray &data, QObject *context, std::function<void(bool)> done)
{
    ++writes;
    const bool ok = !failWrites;
    if (ok)
        entries.insert(key, data);
    QMetaObject::invokeMethod(context, [done, ok] { done(ok); }, Qt::QueuedConnection);
}

void InMemoryCredentialsStore::remove(const QString &key, QObject *context, std::function<void(bool)> done)
{
    ++removals;
    entries.remove(key);
    QMetaObject::invokeMethod(context, [done] { done(true); }, Qt::QueuedConnection);
}
