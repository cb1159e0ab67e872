#include "Platform/Identity/KeychainCredentialsStore.h"

#include <QPointer>
#include <qt6keychain/keychain.h>

KeychainCredentialsStore::KeychainCredentialsStore(const QString &service)
    : m_service(service)
{
}

void KeychainCredentialsStore::read(const QString &key, QObject *context, std::function<void(std::optional<QByteArray>)> done)
{
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QPointer<QObject> guard(context);
    QObject::connect(job, &QKeychain::Job::finished, context, [guard, done](QKeychain::Job *j) {
        if (!guard)
            return;
        auto *read = static_cast<QKeychain::ReadPasswordJob *>(j);
        if (read->error() != QKeychain::NoError)
            return done(std::nullopt);
        done(read->binaryData());
    });
    job->start();
}

void KeychainCredentialsStore::write(const QString &key, const QByteArray &data, QObject *context, std::function<void(bool)> done)
{
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    job->setBinaryData(data);
    QObject::connect(job, &QKeychain::Job::finished, context, [done](QKeychain::Job *j) { done(j->error() == QKeychain::NoError); });
    job->start();
}

void KeychainCredentialsStore::remove(const QString &key, QObject *context, std::function<void(bool)> done)
{
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, context, [done](QKeychain::Job *j) {
        done(j->error() == QKeychain::NoError || j->error() == QKeychain::EntryNotFound);
    });
    job->start();
}
