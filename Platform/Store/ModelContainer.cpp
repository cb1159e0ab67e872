#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

namespace {

QString quote(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString sqlType(AttributeType type)
{
    switch (type) {
    case AttributeType::Text:
    case AttributeType::Uuid:
        return QStringLiteral("TEXT");
    case AttributeType::Integer:
    case AttributeType::Bool:
        return QStringLiteral("INTEGER");
    case AttributeType::Double:
    case AttributeType::Date:
        return QStringLiteral("REAL");
    case AttributeType::Bytes:
    case AttributeType::Transformable:
        return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.trimmed();
}

const QString kMetadataTable = QStringLiteral("store_metadata");

} // namespace

ModelContainer::ModelContainer(const Schema &schema, const ModelConfiguration &configuration, QObject *parent)
    : QObject(parent), m_schema(schema), m_configuration(configuration)
{
    qRegisterMetaType<ModelChanges>();
    const QString unique = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (configuration.inMemory) {
        m_storeIdentifier = QStringLiteral("memory:") + unique;
        m_databaseName = QStringLiteral("file:tavo-%1?mode=memory&cache=shared").arg(unique);
    } else {
        const QFileInfo info(configuration.filePath);
        m_storeIdentifier = info.absoluteFilePath();
        m_databaseName = info.absoluteFilePath();
        QDir().mkpath(info.absolutePath());
        if (!info.exists()) {
            // Created private before SQLite opens it; its side files take the same mode.
            QFile file(m_databaseName);
            if (file.open(QIODevice::WriteOnly))
                file.close();
            QFile::setPermissions(m_databaseName, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }
    m_keeperConnection = QStringLiteral("tavo-store-setup-") + unique;
    try {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_keeperConnection);
            db.setDatabaseName(m_databaseName);
            db.setConnectOptions(connectOptions());
            if (!db.open())
                throw StoreError(StoreError::Kind::OpenFailed, QStringLiteral("Could not open the store: ") + errorText(db.lastError()));
        }
        createOrVerifySchema();
    } catch (...) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_keeperConnection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_keeperConnection);
        throw;
    }
    if (!configuration.inMemory) {
        // A file store needs no connection of its own between contexts.
        {
            QSqlDatabase db = QSqlDatabase::database(m_keeperConnection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_keeperConnection);
        m_keeperConnection.clear();
    }
}

ModelContainer::~ModelContainer()
{
    delete m_mainContext.data();
    if (!m_keeperConnection.isEmpty()) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_keeperConnection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_keeperConnection);
    }
}

QString ModelContainer::connectOptions() const
{
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_configuration.busyTimeoutMs);
    if (m_configuration.inMemory)
        options += QStringLiteral(";QSQLITE_OPEN_URI");
    return options;
}

void ModelContainer::createOrVerifySchema()
{
    QSqlDatabase db = QSqlDatabase::database(m_keeperConnection, false);
    QSqlQuery q(db);
    auto fail = [&](const QString &what) {
        throw StoreError(StoreError::Kind::OpenFailed, QStringLiteral("Could not open the store: ") + what);
    };
    // SQLite's SQLITE_NOTADB: the file is something else than a database, unlike a full disk,
    // a read-only folder or an I/O error, which say nothing about what the file holds.
    auto failReading = [&](const QSqlError &error) {
        if (error.nativeErrorCode() == QLatin1String("26"))
            throw StoreError(StoreError::Kind::NotAStore, QStringLiteral("Could not open the store: ") + errorText(error));
        fail(errorText(error));
    };
    if (!m_configuration.inMemory && !q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        failReading(q.lastError());
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        failReading(q.lastError());
    QStringList tables;
    while (q.next())
        tables << q.value(0).toString();
    q.finish();

    if (tables.isEmpty()) {
        if (!db.transaction())
            fail(errorText(db.lastError()));
        QStringList statements;
        statements << QStringLiteral("CREATE TABLE %1 (key TEXT PRIMARY KEY, value TEXT)").arg(kMetadataTable);
        for (const EntityDescription *e : m_schema.entities()) {
            QStringList columns{QStringLiteral("pk INTEGER PRIMARY KEY AUTOINCREMENT")};
            for (const AttributeDescription &a : e->attributes)
                columns << quote(a.name) + QLatin1Char(' ') + sqlType(a.type) + (a.unique ? QStringLiteral(" UNIQUE") : QString());
            QStringList indexes;
            for (int r = 0; r < e->relationships.size(); ++r) {
                const RelationshipStorage s = m_schema.storage(*e, r);
                if (s.kind == RelationshipStorage::Kind::ForeignKey) {
                    columns << quote(s.column) + QStringLiteral(" INTEGER");
                    indexes << QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(quote(e->name + QLatin1Char('_') + s.column), quote(e->name), quote(s.column));
                } else if (s.kind == RelationshipStorage::Kind::JoinOwner) {
                    statements << QStringLiteral("CREATE TABLE %1 (owner_pk INTEGER NOT NULL, target_pk INTEGER NOT NULL, position INTEGER NOT NULL)").arg(quote(s.joinTable));
                    indexes << QStringLiteral("CREATE INDEX %1 ON %2 (owner_pk)").arg(quote(s.joinTable + QStringLiteral("_owner")), quote(s.joinTable));
                    indexes << QStringLiteral("CREATE INDEX %1 ON %2 (target_pk)").arg(quote(s.joinTable + QStringLiteral("_target")), quote(s.joinTable));
                }
            }
            statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(quote(e->name), columns.join(QStringLiteral(", ")));
            statements << indexes;
        }
        for (const QString &sql : std::as_const(statements)) {
            if (!q.exec(sql)) {
                const QString error = errorText(q.lastError());
                db.rollback();
                fail(error);
            }
        }
        q.prepare(QStringLiteral("INSERT INTO %1 (key, value) VALUES (?, ?)").arg(kMetadataTable));
        for (const auto &[key, value] : {std::pair{QStringLiteral("schemaVersion"), m_schema.version()},
                                         std::pair{QStringLiteral("schemaFingerprint"), m_schema.fingerprint()}}) {
            q.bindValue(0, key);
            q.bindValue(1, value);
            if (!q.exec()) {
                const QString error = errorText(q.lastError());
                db.rollback();
                fail(error);
            }
        }
        if (!db.commit())
            fail(errorText(db.lastError()));
        return;
    }

    if (!tables.contains(kMetadataTable))
        throw StoreError(StoreError::Kind::SchemaMismatch, QStringLiteral("The store was written under an unknown schema."));
    if (!q.exec(QStringLiteral("SELECT key, value FROM %1").arg(kMetadataTable)))
        fail(errorText(q.lastError()));
    QString version, fingerprint;
    while (q.next()) {
        if (q.value(0).toString() == QLatin1String("schemaVersion"))
            version = q.value(1).toString();
        else if (q.value(0).toString() == QLatin1String("schemaFingerprint"))
            fingerprint = q.value(1).toString();
    }
    q.finish();
    if (version != m_schema.version())
        throw StoreError(StoreError::Kind::SchemaMismatch,
                         QStringLiteral("The store was written under schema version %1; this version uses %2.").arg(version.isEmpty() ? QStringLiteral("(none)") : version, m_schema.version()));
    if (fingerprint != m_schema.fingerprint())
        throw StoreError(StoreError::Kind::SchemaMismatch,
                         QStringLiteral("The store's models differ from those of schema version %1.").arg(m_schema.version()));
}

ModelContext *ModelContainer::mainContext()
{
    if (!m_mainContext) {
        if (QThread::currentThread() != thread())
            throw StoreError(StoreError::Kind::WrongThread, QStringLiteral("The main context belongs to the container's thread."));
        m_mainContext = new ModelContext(this, this);
    }
    return m_mainContext;
}

void ModelContainer::announceSave(quintptr source, const ModelChanges &changes)
{
    Q_EMIT contextDidSave(source, changes);
}
