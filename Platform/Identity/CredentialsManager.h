#pragma once
#include "Platform/Identity/Credentials.h"

#include <QList>
#include <QObject>
#include <functional>
#include <optional>

class CredentialsStore;
class HostedLoginClient;

// Keeps one sign-in's credentials in a credentials store under one key and hands them out,
// renewed with the refresh token when they have expired. One renewal at a time: callers that
// find the credentials expired while a renewal runs wait for its outcome, so one refresh token
// is never sent twice (an identity service with rotation would revoke the whole family).
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
    using Answer = std::function<void(const CredentialsResult &)>;
    void renew(const Credentials &stored, const Answer &answer);

    HostedLoginClient *m_client;
    CredentialsStore *m_store;
    QString m_key;
    // The callers of the renewal in flight (empty when none runs).
    QList<Answer> m_renewalWaiters;
    bool m_renewing = false;
    // The last renewal's outcome and the refresh token it used: a caller whose read of the store
    // raced with that renewal's write gets these instead of renewing with a spent token.
    std::optional<Credentials> m_lastRenewed;
    QString m_lastSpentRefreshToken;
};
