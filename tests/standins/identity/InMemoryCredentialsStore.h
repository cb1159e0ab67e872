#pragma once
#include "Platform/Identity/CredentialsStore.h"

#include <QHash>

// The credentials store in memory, answering on a later turn as the keychain does.
class InMemoryCredentialsStore : public CredentialsStore {
public:
    void read(const QString &key, QObject *context, std::function<void(std::optional<QByteArray>)> done) override;
    void write(const QString &key, const QByteArray &data, QObject *context, std::function<void(bool)> done) override;
    void remove(const QString &key, QObject *context, std::function<void(bool)> done) override;

    QHash<QString, QByteArray> entries;
    int writes = 0;
    int removals = 0;
    bool failWrites = false;
};
