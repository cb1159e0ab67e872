#include "Platform/Identity/CredentialsManager.h"
#include "Platform/Identity/CredentialsStore.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"

#include <QPointer>

namespace {
IdentityError managerError(const QString &code, const QString &description)
{
    return {QStringLiteral("CredentialsManagerError"), code, description};
}
}

CredentialsManager::CredentialsManager(HostedLoginClient *client, CredentialsStore *store, const QString &storeKey, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_store(store)
    , m_key(storeKey)
{
}

void CredentialsManager::credentials(qint64 minTtlSeconds, QObject *context, std::function<void(const CredentialsResult &)> done)
{
    QPointer<QObject> caller(context);
    auto answer = [caller, done](const CredentialsResult &r) {
        if (caller)
            done(r);
    };
    m_store->read(m_key, this, [this, answer, minTtlSeconds](std::optional<QByteArray> data) {
        if (!data || data->isEmpty())
            return answer({std::nullopt, managerError(QStringLiteral("noCredentials"), QStringLiteral("No credentials were found in the store"))});
        const auto stored = Credentials::decode(*data);
        if (!stored)
            return answer({std::nullopt, managerError(QStringLiteral("noCredentials"), QStringLiteral("The stored credentials cannot be read"))});
        if (stored->expiresAt > Scheduler::instance().now().addSecs(minTtlSeconds))
            return answer({stored, std::nullopt});
        if (!stored->refreshToken)
            return answer({std::nullopt, managerError(QStringLiteral("noRefreshToken"),
                                                      QStringLiteral("The stored credentials have expired and cannot be renewed"))});
        if (m_lastRenewed && *stored->refreshToken == m_lastSpentRefreshToken
            && m_lastRenewed->expiresAt > Scheduler::instance().now().addSecs(minTtlSeconds))
            return answer({m_lastRenewed, std::nullopt});
        renew(*stored, answer);
    });
}

void CredentialsManager::renew(const Credentials &stored, const Answer &answer)
{
    m_renewalWaiters.append(answer);
    if (m_renewing)
        return;
    m_renewing = true;
    const QString spent = *stored.refreshToken;
    auto finish = [this](const CredentialsResult &result) {
        m_renewing = false;
        const auto waiters = std::exchange(m_renewalWaiters, {});
        for (const Answer &waiter : waiters)
            waiter(result);
    };
    m_client->renew(stored, this, [this, finish, spent](const CredentialsResult &renewed) {
        if (!renewed.ok())
            return finish({std::nullopt, managerError(QStringLiteral("renewFailed"),
                                                      QStringLiteral("The credentials could not be renewed: ") + renewed.error->description)});
        const Credentials fresh = *renewed.credentials;
        // Only a rotated token is spent; an unchanged one may be used again.
        if (fresh.refreshToken && *fresh.refreshToken != spent) {
            m_lastRenewed = fresh;
            m_lastSpentRefreshToken = spent;
        }
        m_store->write(m_key, fresh.encode(), this, [finish, fresh](bool ok) {
            if (!ok)
                Log::line(QStringLiteral("⚠️ [CredentialsManager] The renewed credentials could not be written to the keychain; "
                                         "they are kept for this run only"));
            finish({fresh, std::nullopt});
        });
    });
}

void CredentialsManager::store(const Credentials &credentials, QObject *context, std::function<void(bool)> done)
{
    m_lastRenewed.reset(); // a new sign-in: the last renewal says nothing about it
    QPointer<QObject> caller(context);
    m_store->write(m_key, credentials.encode(), this, [caller, done](bool ok) {
        if (caller)
            done(ok);
    });
}

void CredentialsManager::clear(QObject *context, std::function<void(bool)> done)
{
    m_lastRenewed.reset();
    QPointer<QObject> caller(context);
    m_store->remove(m_key, this, [caller, done](bool ok) {
        if (caller)
            done(ok);
    });
}
