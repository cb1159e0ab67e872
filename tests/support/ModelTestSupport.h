#pragma once
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <memory>

// Captures console lines while alive.
class LogCapture {
public:
    LogCapture() { lines().clear(); Log::setSink(&LogCapture::sink); }
    ~LogCapture() { Log::setSink(nullptr); }
    static QStringList &lines() { static QStringList l; return l; }
    bool contains(const QString &line) const { return lines().contains(line); }

private:
    static void sink(const QString &line) { lines().append(line); }
};

inline std::unique_ptr<ModelContainer> makeMemoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

// A file store with a short wait for locks, so that tests of failing saves stay quick.
inline std::unique_ptr<ModelContainer> makeFileStore(const QTemporaryDir &dir, int busyTimeoutMs = 100)
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.filePath = dir.filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".store"));
    configuration.busyTimeoutMs = busyTimeoutMs;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

// A second connection to the store, as another program or a damaged file would act on it.
class RawConnection {
public:
    explicit RawConnection(ModelContainer *store) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(store->databaseName());
        db.setConnectOptions(store->connectOptions());
        db.open();
    }
    ~RawConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql);
    }

private:
    QString m_name;
};
