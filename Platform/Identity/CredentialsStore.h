#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// A secret store of small entries by key (the system keychain in the application, memory in
// tests). Every answer arrives later on the caller's thread and never after `context` is gone.
class CredentialsStore {
public:
    virtual ~CredentialsStore() = default;
    // The entry, or nothing when there is none or it cannot be read.
    virtual void read(const QString &key, QObject *context, std::function<void(std::optional<QByteArray>)> done) = 0;
    virtual void write(const QString &key, const QByteArray &data, QObject *context, std::function<void(bool ok)> done) = 0;
    virtual void remove(const QString &key, QObject *context, std::function<void(bool ok)> done) = 0;
};
