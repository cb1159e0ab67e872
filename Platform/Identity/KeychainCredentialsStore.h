#pragma once
#include "Platform/Identity/CredentialsStore.h"

// The credentials store on the desktop's secret service (qtkeychain), entries under the
// application's bundle identifier as the service name. Nothing falls back to a plain file.
class KeychainCredentialsStore : public CredentialsStore {
public:
    explicit KeychainCredentialsStore(const QString &service);
    void read(const QString &key, QObject *context, std::function<void(std::optional<QByteArray>)> done) override;
    void write(const QString &key, const QByteArray &data, QObject *context, std::function<void(bool)> done) override;
    void remove(const QString &key, QObject *context, std::function<void(bool)> done) override;

private:
    QString m_service;
};
