#pragma once
#include "Platform/Identity/Credentials.h"

#include <QObject>
#include <functional>

class CredentialsStore;
class HostedLoginClient;

// Keeps one sign-in's credentials in a credentials store under one key and hands them out,
// renewed with the refresh token when they have expired.
class CredentialsManager : public QObject {
    Q_OBJECT
public:
    // Neither the client nor the store is owned.
    CredentialsManager(HostedLoginClient *client, CredentialsStore *store, const QString &storeKey, QObject *parent = nullptr);

    // Valid credentials with at least minTtlSeconds left: the stored ones, or renewed ones
    // (which are stored in their place). Errors are "CredentialsManagerError".
    void credentials(qint64 minTtlSeconds, QObject *context, std::function<void(const CredentialsResult &)> done);
    void store(const Credentials &credentials, QObject *context, std::function<void(bool)> done);
    void clear(QObject *context, std::function<void(bool)> done);

private:
    HostedLoginClient *m_client;
    CredentialsStore *m_store;
    QString m_key;
};
