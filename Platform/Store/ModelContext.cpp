#include "Platform/Store/ModelContext.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/ValueTransformer.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>
#include <algorithm>

struct ModelContext::Table {
    const EntityDescription *entity = nullptr;
    QString quoted;
    QList<int> foreignKeys;             // relationship indexes stored in this table
    QHash<int, int> foreignKeyColumn;   // relationship index -> result column
    QList<RelationshipStorage> storage; // per relationship
    QString selectList;
    int columnCount = 0;
};

namespace {

QString quote(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString describe(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.trimmed();
}

} // namespace

ModelContext::ModelContext(ModelContainer *container, QObject *parent)
    : QObject(parent), m_container(container)
{
    m_connectionName = QStringLiteral("tavo-store-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(container->databaseName());
        db.setConnectOptions(container->connectOptions());
        if (!db.open()) {
            const QString error = describe(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            throw StoreError(StoreError::Kind::OpenFailed, error);
        }
        if (!container->configuration().inMemory) {
            QSqlQuery pragma(db);
            pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
    }
    const Schema &schema = container->schema();
    for (const EntityDescription *e : schema.entities()) {
        auto t = QSharedPointer<Table>::create();
        t->entity = e;
        t->quoted = quote(e->name);
        QStringList columns{QStringLiteral("pk")};
        for (const AttributeDescription &a : e->attributes)
            columns << quote(a.name);
        for (int r = 0; r < e->relationships.size(); ++r) {
            const RelationshipStorage s = schema.storage(*e, r);
            t->storage.append(s);
            if (s.kind == RelationshipStorage::Kind::ForeignKey) {
                t->foreignKeys.append(r);
                t->foreignKeyColumn.insert(r, int(columns.size()));
                columns << quote(s.column);
            }
        }
        t->columnCount = int(columns.size());
        t->selectList = columns.join(QStringLiteral(", "));
        m_tables.insert(e->name, t);
    }
    connect(container, &ModelContainer::contextDidSave, this, &ModelContext::mergeRemoteSave);
}

ModelContext::~ModelContext()
{
    const auto kids = children();
    for (QObject *child : kids) {
        if (auto *m = qobject_cast<PersistentModel *>(child)) {
            m->m_context = nullptr;
            delete m;
        }
    }
    m_statements.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

void ModelContext::checkThread() const
{
    if (QThread::currentThread() != thread())
        throw StoreError(StoreError::Kind::WrongThread, QStringLiteral("A model context was used outside the thread that made it."));
}

QSqlDatabase ModelContext::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

const ModelContext::Table &ModelContext::table(const QString &entityName) const
{
    auto it = m_tables.constFind(entityName);
    if (it == m_tables.constEnd())
        throw StoreError(StoreError::Kind::FetchFailed, QStringLiteral("The entity %1 is not part of this store's schema.").arg(entityName));
    return **it;
}

QSqlQuery &ModelContext::prepared(const QString &sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        q.prepare(sql);
        it = m_statements.insert(sql, q);
    }
    return *it;
}

bool ModelContext::execute(QSqlQuery &query, QString *error)
{
    // In-memory stores share one cache between connections, which reports a busy table as
    // "locked" instead of waiting; wait here as a file store's busy timeout would.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (query.exec())
            return true;
        const QString code = query.lastError().nativeErrorCode();
        const bool locked = code == QLatin1String("6") || code == QLatin1String("262") || (code == QLatin1String("5") && m_container->configuration().inMemory);
        if (!locked || waited.elapsed() > m_container->configuration().busyTimeoutMs) {
            if (error)
                *error = describe(query.lastError());
            return false;
        }
        QThread::msleep(1);
    }
}

QVariant ModelContext::encode(const AttributeDescription &a, const QVariant &value) const
{
    if (!value.isValid())
        return QVariant(QMetaType::fromType<QString>());
    switch (a.type) {
    case AttributeType::Text: {
        QString s = value.toString();
        if (s.isNull())
            s = QStringLiteral("");
        return s;
    }
    case AttributeType::Integer: return QVariant(value.toLongLong());
    case AttributeType::Double: return QVariant(value.toDouble());
    case AttributeType::Bool: return QVariant(qint64(value.toBool() ? 1 : 0));
    case AttributeType::Date: return QVariant(Scheduler::secondsSince2001(value.toDateTime()));
    case AttributeType::Uuid: return value.toUuid().toString(QUuid::WithoutBraces).toUpper();
    case AttributeType::Bytes: {
        QByteArray b = value.toByteArray();
        if (b.isNull())
            b = QByteArray("", 0);
        return b;
    }
    case AttributeType::Transformable: {
        const auto transformer = ValueTransformer::valueTransformer(a.transformerName);
        const QByteArray b = transformer ? transformer->transformedValue(value) : QByteArray();
        return b.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(b);
    }
    }
    return {};
}

QVariant ModelContext::decode(const AttributeDescription &a, const QVariant &v) const
{
    switch (a.type) {
    case AttributeType::Text: return v.toString();
    case AttributeType::Integer: return QVariant(v.toLongLong());
    case AttributeType::Double: return QVariant(v.toDouble());
    case AttributeType::Bool: return QVariant(v.toLongLong() != 0);
    case AttributeType::Date: return QVariant(Scheduler::fromSecondsSince2001(v.toDouble()));
    case AttributeType::Uuid: return QVariant(QUuid::fromString(v.toString()));
    case AttributeType::Bytes: return QVariant(v.toByteArray());
    case AttributeType::Transformable: {
        const auto transformer = ValueTransformer::valueTransformer(a.transformerName);
        return transformer ? transformer->reverseTransformedValue(v.toByteArray()) : QVariant();
    }
    }
    return {};
}

PersistentModel *ModelContext::registered(const QString &entity, qint64 rowId) const
{
    auto it = m_registry.constFind(entity);
    return it == m_registry.constEnd() ? nullptr : it->value(rowId);
}

void ModelContext::refresh(PersistentModel *m, const Table &t, const QSqlQuery &query)
{
    // Values saved elsewhere replace ours unless ours are unsaved edits.
    m->ensureStorage();
    const EntityDescription &e = *t.entity;
    for (int i = 0; i < e.attributes.size(); ++i) {
        if (m->m_dirtyAttributes & (quint64(1) << i))
            continue;
        const QVariant v = query.isNull(i + 1) ? QVariant() : decode(e.attributes[i], query.value(i + 1));
        const QVariant &old = m->m_values.at(i);
        const bool same = (!old.isValid() || !v.isValid()) ? old.isValid() == v.isValid() : (old.metaType() == v.metaType() && old == v);
        if (!same) {
            m->m_values[i] = v;
            m->notifyAttribute(i);
        }
    }
    for (int r : t.foreignKeys) {
        if (m->m_dirtyRelations & (quint64(1) << r))
            continue;
        const int column = t.foreignKeyColumn.value(r);
        const qint64 stored = query.isNull(column) ? 0 : query.value(column).toLongLong();
        PersistentModel::Relation &rel = m->m_relations[r];
        if (!rel.loaded) {
            rel.storedRowId = stored;
            continue;
        }
        const qint64 current = rel.one ? rel.one->m_rowId : 0;
        if (current != stored) {
            rel.loaded = false;
            rel.storedRowId = stored;
            rel.one = nullptr;
            m->notifyRelation(r);
        }
    }
}

PersistentModel *ModelContext::materialize(const Table &t, const QSqlQuery &query)
{
    const qint64 rowId = query.value(0).toLongLong();
    if (PersistentModel *existing = registered(t.entity->name, rowId)) {
        refresh(existing, t, query);
        return existing;
    }
    PersistentModel *m = t.entity->factory();
    m->ensureStorage();
    const EntityDescription &e = *t.entity;
    for (int i = 0; i < e.attributes.size(); ++i)
        m->m_values[i] = query.isNull(i + 1) ? QVariant() : decode(e.attributes[i], query.value(i + 1));
    for (int r = 0; r < e.relationships.size(); ++r) {
        PersistentModel::Relation &rel = m->m_relations[r];
        rel.loaded = false;
        if (t.foreignKeyColumn.contains(r)) {
            const int column = t.foreignKeyColumn.value(r);
            rel.storedRowId = query.isNull(column) ? 0 : query.value(column).toLongLong();
        }
    }
    m->m_context = this;
    m->m_storeIdentifier = m_container->storeIdentifier();
    m->m_state = PersistentModel::State::Persistent;
    m->m_rowId = rowId;
    m->setParent(this);
    m_registry[e.name].insert(rowId, m);
    // Nobody holds it yet: unless it is handed out or held by then, it goes at the end of the turn.
    noteUnheld(m);
    return m;
}

QList<PersistentModel *> ModelContext::loadRows(const Table &t, const QString &where, const QVariantList &binds, const QString &orderBy, int limit)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(t.selectList, t.quoted, where.isEmpty() ? QStringLiteral("1") : where);
    if (!orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + orderBy;
    if (limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    QSqlQuery &q = prepared(sql);
    for (int i = 0; i < binds.size(); ++i)
        q.bindValue(i, binds[i]);
    QString error;
    if (!execute(q, &error))
        throw StoreError(StoreError::Kind::FetchFailed, QStringLiteral("Could not read %1: %2").arg(t.entity->name, error));
    QList<PersistentModel *> out;
    while (q.next())
        out.append(materialize(t, q));
    q.finish();
    return out;
}

PersistentModel *ModelContext::objectForRow(const QString &entity, qint64 rowId)
{
    if (PersistentModel *m = registered(entity, rowId))
        return m;
    const QList<PersistentModel *> rows = loadRows(table(entity), QStringLiteral("pk = ?"), {rowId});
    return rows.isEmpty() ? nullptr : rows.first();
}

void ModelContext::noteUnheld(PersistentModel *model)
{
    m_unheld.insert(model, model);
    scheduleTurnWork();
}

void ModelContext::releaseUnheld()
{
    QSet<PersistentModel *> going;
    for (auto it = m_unheld.begin(); it != m_unheld.end();) {
        PersistentModel *m = it.value().data();
        if (!m || m->m_holds > 0 || m->m_pinned || m->parent() != this) {
            it = m_unheld.erase(it);
            continue;
        }
        if (m->m_context == this && m->hasChanges()) {
            ++it; // unsaved changes stay; looked at again after the next save
            continue;
        }
        going.insert(m);
        it = m_unheld.erase(it);
    }
    if (going.isEmpty())
        return;
    QSet<QString> entities;
    for (PersistentModel *m : std::as_const(going))
        entities.insert(m->entityDescription().name);

    // Loaded relationships of the models that stay are read again on next access. One that
    // carries unsaved changes (or belongs to an unsaved model) keeps its targets instead.
    QSet<PersistentModel *> kept;
    const QObjectList kids = children();
    for (QObject *child : kids) {
        auto *owner = qobject_cast<PersistentModel *>(child);
        if (!owner || going.contains(owner))
            continue;
        const EntityDescription &e = owner->entityDescription();
        for (int r = 0; r < owner->m_relations.size() && r < e.relationships.size(); ++r) {
            const RelationshipDescription &d = e.relationships[r];
            if (!entities.contains(d.destination))
                continue;
            PersistentModel::Relation &rel = owner->m_relations[r];
            if (!rel.loaded)
                continue;
            QList<PersistentModel *> hits;
            if (rel.one && going.contains(rel.one))
                hits.append(rel.one);
            for (PersistentModel *t : std::as_const(rel.many))
                if (going.contains(t))
                    hits.append(t);
            if (hits.isEmpty())
                continue;
            const bool pending = owner->m_state == PersistentModel::State::Inserted || (owner->m_dirtyRelations & (quint64(1) << r));
            if (pending) {
                for (PersistentModel *t : std::as_const(hits))
                    kept.insert(t);
                continue;
            }
            if (!d.toMany)
                rel.storedRowId = rel.one->m_rowId;
            rel.one = nullptr;
            rel.many.clear();
            rel.loaded = false;
        }
    }
    for (PersistentModel *m : std::as_const(going)) {
        if (kept.contains(m)) {
            m_unheld.insert(m, m);
            continue;
        }
        delete m; // leaves the identity map on the way (forget)
    }
}

QList<PersistentModel *> ModelContext::loadRelation(const PersistentModel *owner, int relationship)
{
    const Table &ownerTable = table(owner->entityDescription().name);
    const RelationshipDescription &d = owner->entityDescription().relationships.at(relationship);
    const RelationshipStorage &s = ownerTable.storage.at(relationship);
    const Table &dest = table(d.destination);
    QList<PersistentModel *> out;
    if (owner->m_rowId == 0)
        return out;
    const int inverse = d.inverse.isEmpty() ? -1 : dest.entity->relationshipIndex(d.inverse);

    auto pendingOfDestination = [&]() {
        QList<PersistentModel *> pending;
        for (PersistentModel *m : std::as_const(m_inserted))
            if (m->entityDescription().name == d.destination)
                pending.append(m);
        for (PersistentModel *m : std::as_const(m_updated))
            if (m->entityDescription().name == d.destination)
                pending.append(m);
        std::sort(pending.begin(), pending.end(), [](PersistentModel *a, PersistentModel *b) {
            return (a->m_rowId ? a->m_rowId : (Q_INT64_C(1) << 62) + qint64(a->m_insertSerial))
                 < (b->m_rowId ? b->m_rowId : (Q_INT64_C(1) << 62) + qint64(b->m_insertSerial));
        });
        return pending;
    };

    if (s.kind == RelationshipStorage::Kind::InverseForeignKey) {
        const QList<PersistentModel *> rows = loadRows(dest, quote(s.column) + QStringLiteral(" = ?"), {owner->m_rowId}, QStringLiteral("pk"));
        for (PersistentModel *m : rows) {
            if (m->isDeleted())
                continue;
            const PersistentModel::Relation &back = m->m_relations.at(inverse);
            if (back.loaded && back.one != owner)
                continue;
            out.append(m);
        }
        for (PersistentModel *m : pendingOfDestination()) {
            m->ensureStorage();
            const PersistentModel::Relation &back = m->m_relations.at(inverse);
            if (!m->isDeleted() && back.loaded && back.one == owner && !out.contains(m))
                out.append(m);
        }
        return out;
    }

    const bool ownerSide = s.kind == RelationshipStorage::Kind::JoinOwner;
    QSqlQuery &q = prepared(ownerSide ? QStringLiteral("SELECT target_pk FROM %1 WHERE owner_pk = ? ORDER BY position").arg(quote(s.joinTable))
                                      : QStringLiteral("SELECT owner_pk FROM %1 WHERE target_pk = ? ORDER BY owner_pk").arg(quote(s.joinTable)));
    q.bindValue(0, owner->m_rowId);
    QString error;
    if (!execute(q, &error))
        throw StoreError(StoreError::Kind::FetchFailed, QStringLiteral("Could not read %1.%2: %3").arg(owner->entityDescription().name, d.name, error));
    QList<qint64> ids;
    while (q.next())
        ids.append(q.value(0).toLongLong());
    q.finish();
    for (qint64 id : ids) {
        PersistentModel *m = objectForRow(d.destination, id);
        if (!m || m->isDeleted())
            continue;
        if (!ownerSide && inverse >= 0) {
            const PersistentModel::Relation &back = m->m_relations.at(inverse);
            if (back.loaded && !back.many.contains(const_cast<PersistentModel *>(owner)))
                continue;
        }
        out.append(m);
    }
    if (!ownerSide && inverse >= 0) {
        for (PersistentModel *m : pendingOfDestination()) {
            m->ensureStorage();
            const PersistentModel::Relation &back = m->m_relations.at(inverse);
            if (!m->isDeleted() && back.loaded && back.many.contains(const_cast<PersistentModel *>(owner)) && !out.contains(m))
                out.append(m);
        }
    }
    return out;
}

void ModelContext::noteChange(PersistentModel *model, const QString &key, bool membership)
{
    EntityChanges &e = m_pendingNotice.entities[model->entityDescription().name];
    if (membership)
        e.membershipChanged = true;
    if (!key.isEmpty())
        e.keys.insert(key);
    scheduleTurnWork();
}

void ModelContext::scheduleTurnWork()
{
    if (m_turnScheduled)
        return;
    m_turnScheduled = true;
    Scheduler::instance().nextTurn(this, [this] { runTurnWork(); });
}

void ModelContext::runTurnWork()
{
    m_turnScheduled = false;
    if (m_autosave && hasChanges()) {
        try {
            save();
        } catch (const StoreError &e) {
            Log::line(QStringLiteral("❌ [ModelContext] Autosave failed: ") + e.localizedDescription());
        }
    }
    const ModelChanges notice = std::exchange(m_pendingNotice, ModelChanges());
    if (!notice.isEmpty()) {
        Q_EMIT objectsDidChange(notice);
        Q_EMIT storeDidChange(notice);
    }
    releaseUnheld();
}

void ModelContext::setAutosaveEnabled(bool enabled)
{
    m_autosave = enabled;
    if (enabled && hasChanges())
        scheduleTurnWork();
}

bool ModelContext::hasChanges() const
{
    return !m_inserted.isEmpty() || !m_updated.isEmpty() || !m_deleted.isEmpty();
}

void ModelContext::insert(PersistentModel *model)
{
    checkThread();
    if (!model || model->m_context == this)
        return;
    if (model->m_context) {
        qWarning("ModelContext: a model of another context cannot be inserted");
        return;
    }
    if (model->m_state == PersistentModel::State::Removed)
        return;
    insertRecursively(model);
}

void ModelContext::insertRecursively(PersistentModel *m)
{
    m->ensureStorage();
    m->m_context = this;
    m->m_storeIdentifier = m_container->storeIdentifier();
    m->m_state = PersistentModel::State::Inserted;
    m->m_insertSerial = m_nextSerial++;
    // The inserter keeps a plain pointer unless it holds the model.
    if (m->m_holds == 0)
        m->m_pinned = true;
    if (m->thread() == thread())
        m->setParent(this);
    else
        qWarning("ModelContext: inserted a model that lives on another thread");
    m_inserted.insert(m);
    noteChange(m, {}, true);
    for (const PersistentModel::Relation &rel : std::as_const(m->m_relations)) {
        if (rel.one && !rel.one->m_context && !rel.one->isDeleted())
            insertRecursively(rel.one);
        for (PersistentModel *t : rel.many)
            if (!t->m_context && !t->isDeleted())
                insertRecursively(t);
    }
}

void ModelContext::forget(PersistentModel *m)
{
    m_unheld.remove(m);
    for (auto it = m_registry.begin(); it != m_registry.end(); ++it)
        if (it->value(m->m_rowId) == m)
            it->remove(m->m_rowId);
    m_inserted.remove(m);
    m_updated.remove(m);
    m_deleted.removeAll(m);
}

void ModelContext::remove(PersistentModel *m)
{
    checkThread();
    if (!m || m->m_context != this || m->isDeleted())
        return;
    const PersistentModel::State prior = m->m_state;
    m->m_state = PersistentModel::State::Deleted;
    const EntityDescription &e = m->entityDescription();
    for (int r = 0; r < e.relationships.size(); ++r) {
        const RelationshipDescription &d = e.relationships[r];
        const QList<PersistentModel *> targets = d.toMany ? m->loadedMany(r) : QList<PersistentModel *>{m->loadedOne(r)};
        for (PersistentModel *t : targets) {
            if (!t)
                continue;
            m->unlinkInverse(r, t);
            if (d.deleteRule == DeleteRule::Cascade)
                remove(t);
        }
        PersistentModel::Relation &rel = m->m_relations[r];
        rel.one = nullptr;
        rel.many.clear();
        rel.loaded = true;
    }
    noteChange(m, {}, true);
    if (prior == PersistentModel::State::Inserted) {
        m_inserted.remove(m);
        m->m_state = PersistentModel::State::Removed;
        m->m_context = nullptr;
    } else {
        m_updated.remove(m);
        m_deleted.append(m);
    }
}

void ModelContext::save()
{
    checkThread();
    if (!hasChanges())
        return;
    QSqlDatabase db = database();
    const Schema &schema = m_container->schema();
    QList<PersistentModel *> inserted(m_inserted.begin(), m_inserted.end());
    std::sort(inserted.begin(), inserted.end(), [](PersistentModel *a, PersistentModel *b) { return a->m_insertSerial < b->m_insertSerial; });
    const QList<PersistentModel *> updated(m_updated.begin(), m_updated.end());
    QList<PersistentModel *> assigned;
    QString error;

    auto fail = [&](const QString &what) {
        db.rollback();
        for (PersistentModel *m : std::as_const(assigned))
            m->m_rowId = 0;
        throw StoreError(StoreError::Kind::SaveFailed, QStringLiteral("Could not save the store: ") + what);
    };
    if (!db.transaction())
        fail(describe(db.lastError()));

    // New rows first, so that every row has its key before links to it are written.
    struct Deferred { PersistentModel *m; int relationship; };
    QList<Deferred> deferred;
    for (PersistentModel *m : std::as_const(inserted)) {
        const Table &t = table(m->entityDescription().name);
        const EntityDescription &e = *t.entity;
        QStringList columns, marks;
        QVariantList binds;
        for (int i = 0; i < e.attributes.size(); ++i) {
            columns << quote(e.attributes[i].name);
            marks << QStringLiteral("?");
            binds << encode(e.attributes[i], m->m_values.at(i));
        }
        for (int r : t.foreignKeys) {
            columns << quote(t.storage[r].column);
            marks << QStringLiteral("?");
            PersistentModel *target = m->m_relations.at(r).one;
            if (target && !target->m_rowId) {
                deferred.append({m, r});
                binds << QVariant(QMetaType::fromType<qint64>());
            } else {
                binds << (target ? QVariant(target->m_rowId) : QVariant(QMetaType::fromType<qint64>()));
            }
        }
        QSqlQuery &q = prepared(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(t.quoted, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        for (int i = 0; i < binds.size(); ++i)
            q.bindValue(i, binds[i]);
        if (!execute(q, &error))
            fail(error);
        m->m_rowId = q.lastInsertId().toLongLong();
        assigned.append(m);
        q.finish();
    }
    for (const Deferred &d : std::as_const(deferred)) {
        const Table &t = table(d.m->entityDescription().name);
        QSqlQuery &q = prepared(QStringLiteral("UPDATE %1 SET %2 = ? WHERE pk = ?").arg(t.quoted, quote(t.storage[d.relationship].column)));
        PersistentModel *target = d.m->m_relations.at(d.relationship).one;
        q.bindValue(0, target && target->m_rowId ? QVariant(target->m_rowId) : QVariant(QMetaType::fromType<qint64>()));
        q.bindValue(1, d.m->m_rowId);
        if (!execute(q, &error))
            fail(error);
    }

    // Changed rows: only their changed columns.
    for (PersistentModel *m : updated) {
        const Table &t = table(m->entityDescription().name);
        const EntityDescription &e = *t.entity;
        QStringList sets;
        QVariantList binds;
        for (int i = 0; i < e.attributes.size(); ++i) {
            if (m->m_dirtyAttributes & (quint64(1) << i)) {
                sets << quote(e.attributes[i].name) + QStringLiteral(" = ?");
                binds << encode(e.attributes[i], m->m_values.at(i));
            }
        }
        for (int r : t.foreignKeys) {
            if (m->m_dirtyRelations & (quint64(1) << r)) {
                sets << quote(t.storage[r].column) + QStringLiteral(" = ?");
                PersistentModel *target = m->m_relations.at(r).one;
                binds << (target && target->m_rowId ? QVariant(target->m_rowId) : QVariant(QMetaType::fromType<qint64>()));
            }
        }
        if (sets.isEmpty())
            continue;
        binds << m->m_rowId;
        QSqlQuery &q = prepared(QStringLiteral("UPDATE %1 SET %2 WHERE pk = ?").arg(t.quoted, sets.join(QStringLiteral(", "))));
        for (int i = 0; i < binds.size(); ++i)
            q.bindValue(i, binds[i]);
        if (!execute(q, &error))
            fail(error);
    }

    // Many-to-many links, rewritten from the owning side.
    auto writeJoins = [&](PersistentModel *m, bool all) {
        const Table &t = table(m->entityDescription().name);
        for (int r = 0; r < t.storage.size(); ++r) {
            const RelationshipStorage &s = t.storage[r];
            if (s.kind != RelationshipStorage::Kind::JoinOwner)
                continue;
            if (!all && !(m->m_dirtyRelations & (quint64(1) << r)))
                continue;
            const PersistentModel::Relation &rel = m->m_relations.at(r);
            if (all && rel.many.isEmpty())
                continue;
            QSqlQuery &clear = prepared(QStringLiteral("DELETE FROM %1 WHERE owner_pk = ?").arg(quote(s.joinTable)));
            clear.bindValue(0, m->m_rowId);
            if (!execute(clear, &error))
                fail(error);
            QSqlQuery &add = prepared(QStringLiteral("INSERT INTO %1 (owner_pk, target_pk, position) VALUES (?, ?, ?)").arg(quote(s.joinTable)));
            int position = 0;
            for (PersistentModel *target : rel.many) {
                if (!target->m_rowId || target->isDeleted())
                    continue;
                add.bindValue(0, m->m_rowId);
                add.bindValue(1, target->m_rowId);
                add.bindValue(2, position++);
                if (!execute(add, &error))
                    fail(error);
            }
        }
    };
    for (PersistentModel *m : std::as_const(inserted))
        writeJoins(m, true);
    for (PersistentModel *m : updated)
        writeJoins(m, false);

    // Deleted rows, their links, and any stored reference to them.
    for (PersistentModel *m : std::as_const(m_deleted)) {
        const QString entity = m->entityDescription().name;
        const Table &t = table(entity);
        QSqlQuery &q = prepared(QStringLiteral("DELETE FROM %1 WHERE pk = ?").arg(t.quoted));
        q.bindValue(0, m->m_rowId);
        if (!execute(q, &error))
            fail(error);
        for (const EntityDescription *other : schema.entities()) {
            const Table &ot = table(other->name);
            for (int r = 0; r < other->relationships.size(); ++r) {
                if (other->relationships[r].destination != entity)
                    continue;
                const RelationshipStorage &s = ot.storage[r];
                QString sql;
                if (s.kind == RelationshipStorage::Kind::ForeignKey)
                    sql = QStringLiteral("UPDATE %1 SET %2 = NULL WHERE %2 = ?").arg(ot.quoted, quote(s.column));
                else if (s.kind == RelationshipStorage::Kind::JoinOwner)
                    sql = QStringLiteral("DELETE FROM %1 WHERE target_pk = ?").arg(quote(s.joinTable));
                else if (s.kind == RelationshipStorage::Kind::JoinTarget)
                    sql = QStringLiteral("DELETE FROM %1 WHERE owner_pk = ?").arg(quote(s.joinTable));
                else
                    continue;
                QSqlQuery &u = prepared(sql);
                u.bindValue(0, m->m_rowId);
                if (!execute(u, &error))
                    fail(error);
            }
        }
        for (int r = 0; r < t.storage.size(); ++r) {
            const RelationshipStorage &s = t.storage[r];
            if (s.kind != RelationshipStorage::Kind::JoinOwner && s.kind != RelationshipStorage::Kind::JoinTarget)
                continue;
            QSqlQuery &u = prepared(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quote(s.joinTable),
                                    s.kind == RelationshipStorage::Kind::JoinOwner ? QStringLiteral("owner_pk") : QStringLiteral("target_pk")));
            u.bindValue(0, m->m_rowId);
            if (!execute(u, &error))
                fail(error);
        }
    }

    if (!db.commit())
        fail(describe(db.lastError()));

    // Written: the pending state becomes the saved state.
    ModelChanges changes;
    for (PersistentModel *m : std::as_const(inserted)) {
        m->m_state = PersistentModel::State::Persistent;
        m_registry[m->entityDescription().name].insert(m->m_rowId, m);
        EntityChanges &e = changes.entities[m->entityDescription().name];
        e.membershipChanged = true;
        e.insertedRows.insert(m->m_rowId);
    }
    for (PersistentModel *m : updated) {
        const EntityDescription &ed = m->entityDescription();
        EntityChanges &e = changes.entities[ed.name];
        e.updatedRows.insert(m->m_rowId);
        for (int i = 0; i < ed.attributes.size(); ++i)
            if (m->m_dirtyAttributes & (quint64(1) << i))
                e.keys.insert(ed.attributes[i].name);
        for (int r = 0; r < ed.relationships.size(); ++r)
            if (m->m_dirtyRelations & (quint64(1) << r))
                e.keys.insert(ed.relationships[r].name);
        m->m_dirtyAttributes = 0;
        m->m_dirtyRelations = 0;
    }
    for (PersistentModel *m : std::as_const(m_deleted)) {
        EntityChanges &e = changes.entities[m->entityDescription().name];
        e.membershipChanged = true;
        e.deletedRows.insert(m->m_rowId);
        m_registry[m->entityDescription().name].remove(m->m_rowId);
        m->m_state = PersistentModel::State::Removed;
        m->m_context = nullptr;
    }
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    if (!m_unheld.isEmpty())
        scheduleTurnWork(); // models let go while they had unsaved changes
    Q_EMIT didSave(changes);
    Q_EMIT storeDidChange(changes);
    m_container->announceSave(quintptr(this), changes);
}

std::optional<QString> ModelContext::sqlFor(const Predicate::Node &n, const Table &t, QVariantList &binds, bool &complete) const
{
    auto partial = [&complete]() -> std::optional<QString> { complete = false; return std::nullopt; };
    using Kind = Predicate::Node::Kind;
    switch (n.kind) {
    case Kind::Custom:
    case Kind::Not:
        return partial(); // evaluated in memory
    case Kind::And: {
        QStringList parts;
        for (const auto &c : n.children) {
            QVariantList childBinds;
            if (auto sql = sqlFor(*c, t, childBinds, complete)) {
                parts << QStringLiteral("(") + *sql + QStringLiteral(")");
                binds << childBinds;
            }
        }
        if (parts.isEmpty())
            return partial();
        return parts.join(QStringLiteral(" AND "));
    }
    case Kind::Or: {
        QStringList parts;
        QVariantList all;
        for (const auto &c : n.children) {
            QVariantList childBinds;
            auto sql = sqlFor(*c, t, childBinds, complete);
            if (!sql)
                return partial();
            parts << QStringLiteral("(") + *sql + QStringLiteral(")");
            all << childBinds;
        }
        binds << all;
        return parts.join(QStringLiteral(" OR "));
    }
    case Kind::Compare:
        break;
    }
    if (n.op == Predicate::Op::ContainsText)
        return partial();
    const EntityDescription &e = *t.entity;
    QString column;
    std::function<QVariant(const QVariant &)> enc;
    const int a = e.attributeIndex(n.key);
    if (a >= 0) {
        column = quote(n.key);
        const AttributeDescription desc = e.attributes[a];
        if (desc.type == AttributeType::Transformable)
            return partial();
        enc = [this, desc](const QVariant &v) { return encode(desc, PersistentModel::normalizedValue(desc, v)); };
    } else {
        const int r = e.relationshipIndex(n.key);
        if (r < 0 || e.relationships[r].toMany)
            return partial();
        column = quote(t.storage[r].column);
        enc = [](const QVariant &v) -> QVariant {
            auto *m = v.value<PersistentModel *>();
            return m && m->persistentModelID().rowId ? QVariant(m->persistentModelID().rowId) : QVariant(qint64(-1));
        };
    }
    const bool nullValue = !n.value.isValid();
    switch (n.op) {
    case Predicate::Op::Equal:
        if (nullValue)
            return column + QStringLiteral(" IS NULL");
        binds << enc(n.value);
        return column + QStringLiteral(" = ?");
    case Predicate::Op::NotEqual:
        if (nullValue)
            return column + QStringLiteral(" IS NOT NULL");
        binds << enc(n.value);
        return QStringLiteral("%1 IS NULL OR %1 <> ?").arg(column);
    case Predicate::Op::Less:
    case Predicate::Op::LessOrEqual:
    case Predicate::Op::Greater:
    case Predicate::Op::GreaterOrEqual: {
        if (nullValue)
            return QStringLiteral("0");
        static const char *ops[] = {"<", "<=", ">", ">="};
        const int i = int(n.op) - int(Predicate::Op::Less);
        binds << enc(n.value);
        return column + QLatin1Char(' ') + QLatin1String(ops[i]) + QStringLiteral(" ?");
    }
    case Predicate::Op::In: {
        const QVariantList values = n.value.toList();
        if (values.isEmpty())
            return QStringLiteral("0");
        QStringList marks;
        for (const QVariant &v : values) {
            marks << QStringLiteral("?");
            binds << enc(v);
        }
        return column + QStringLiteral(" IN (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    case Predicate::Op::ContainsText:
        break;
    }
    return partial();
}

QList<PersistentModel *> ModelContext::fetch(const FetchDescriptor &descriptor)
{
    QList<PersistentModel *> out = fetchModels(descriptor);
    for (PersistentModel *m : std::as_const(out))
        m->m_pinned = true;
    return out;
}

QList<PersistentModel *> ModelContext::fetchModels(const FetchDescriptor &descriptor)
{
    checkThread();
    const Table &t = table(descriptor.entityName);
    const EntityDescription &e = *t.entity;
    QVariantList binds;
    std::optional<QString> where;
    bool complete = true;
    if (descriptor.predicate.node())
        where = sqlFor(*descriptor.predicate.node(), t, binds, complete);

    bool pending = false;
    for (PersistentModel *m : std::as_const(m_inserted))
        if (m->entityDescription().name == e.name) { pending = true; break; }
    if (!pending)
        for (PersistentModel *m : std::as_const(m_updated))
            if (m->entityDescription().name == e.name) { pending = true; break; }
    if (!pending)
        for (PersistentModel *m : std::as_const(m_deleted))
            if (m->entityDescription().name == e.name) { pending = true; break; }

    QStringList order;
    bool sqlOrder = true;
    for (const SortDescriptor &s : descriptor.sortBy) {
        if (e.attributeIndex(s.key) < 0) {
            sqlOrder = false;
            break;
        }
        order << quote(s.key) + (s.ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    order << QStringLiteral("pk");
    // The database may cut the list only when it alone decides the result.
    const int sqlLimit = (!pending && sqlOrder && complete) ? descriptor.fetchLimit : 0;
    const QList<PersistentModel *> rows = loadRows(t, where.value_or(QString()), binds, sqlOrder ? order.join(QStringLiteral(", ")) : QStringLiteral("pk"), sqlLimit);

    QList<PersistentModel *> candidates;
    candidates.reserve(rows.size());
    QSet<PersistentModel *> seen;
    for (PersistentModel *m : rows) {
        seen.insert(m);
        if (!m->isDeleted())
            candidates.append(m);
    }
    if (pending) {
        QList<PersistentModel *> extra;
        for (PersistentModel *m : std::as_const(m_updated))
            if (m->entityDescription().name == e.name && !seen.contains(m))
                extra.append(m);
        for (PersistentModel *m : std::as_const(m_inserted))
            if (m->entityDescription().name == e.name)
                extra.append(m);
        candidates.append(extra);
        std::sort(candidates.begin(), candidates.end(), [](PersistentModel *a, PersistentModel *b) {
            return (a->m_rowId ? a->m_rowId : (Q_INT64_C(1) << 62) + qint64(a->m_insertSerial))
                 < (b->m_rowId ? b->m_rowId : (Q_INT64_C(1) << 62) + qint64(b->m_insertSerial));
        });
    }
    QList<PersistentModel *> out;
    out.reserve(candidates.size());
    for (PersistentModel *m : std::as_const(candidates))
        if (descriptor.predicate.evaluate(m))
            out.append(m);
    if (!descriptor.sortBy.isEmpty()) {
        std::stable_sort(out.begin(), out.end(), [&](PersistentModel *a, PersistentModel *b) {
            for (const SortDescriptor &s : descriptor.sortBy) {
                const int c = Predicate::compareValues(a->valueForKey(s.key), b->valueForKey(s.key));
                if (c != 0)
                    return s.ascending ? c < 0 : c > 0;
            }
            return false;
        });
    }
    if (descriptor.fetchLimit > 0 && out.size() > descriptor.fetchLimit)
        out.resize(descriptor.fetchLimit);
    return out;
}

PersistentModel *ModelContext::model(const PersistentIdentifier &id)
{
    checkThread();
    if (id.storeIdentifier != m_container->storeIdentifier() || !m_tables.contains(id.entityName))
        return nullptr;
    if (id.isTemporary()) {
        for (PersistentModel *m : std::as_const(m_inserted))
            if (m->m_temporaryId == id.temporaryId)
                return m;
        return nullptr;
    }
    PersistentModel *m = objectForRow(id.entityName, id.rowId);
    if (!m || m->isDeleted())
        return nullptr;
    m->m_pinned = true;
    return m;
}

void ModelContext::mergeRemoteSave(quintptr source, const ModelChanges &changes)
{
    if (source == quintptr(this))
        return;
    const Schema &schema = m_container->schema();
    try {
        for (auto it = changes.entities.constBegin(); it != changes.entities.constEnd(); ++it) {
            const Table &t = table(it.key());
            // Rows saved elsewhere: reload the ones we hold.
            QVariantList ids;
            for (qint64 row : it->updatedRows)
                if (registered(it.key(), row))
                    ids << row;
            for (qsizetype i = 0; i < ids.size(); i += 500) {
                const QVariantList chunk = ids.mid(i, 500);
                QStringList marks;
                for (int k = 0; k < chunk.size(); ++k)
                    marks << QStringLiteral("?");
                loadRows(t, QStringLiteral("pk IN (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'), chunk);
            }
            // Rows deleted elsewhere leave this context too.
            for (qint64 row : it->deletedRows) {
                PersistentModel *m = registered(it.key(), row);
                if (!m)
                    continue;
                m_registry[it.key()].remove(row);
                m_updated.remove(m);
                m_deleted.removeAll(m);
                m->m_state = PersistentModel::State::Removed;
                m->m_context = nullptr;
            }
        }
        // Relationship lists that may have changed are read again on next access.
        for (const EntityDescription *e : schema.entities()) {
            const QHash<qint64, PersistentModel *> objects = m_registry.value(e->name);
            if (objects.isEmpty())
                continue;
            for (int r = 0; r < e->relationships.size(); ++r) {
                const RelationshipDescription &d = e->relationships[r];
                if (!changes.touches(d.destination) && !changes.touches(e->name))
                    continue;
                for (PersistentModel *m : objects) {
                    if (m->m_dirtyRelations & (quint64(1) << r))
                        continue;
                    m->ensureStorage();
                    PersistentModel::Relation &rel = m->m_relations[r];
                    if (!rel.loaded)
                        continue;
                    if (d.toMany) {
                        rel.loaded = false;
                        rel.many.clear();
                        m->notifyRelation(r);
                    } else if (rel.one && rel.one->m_state == PersistentModel::State::Removed) {
                        rel.loaded = false;
                        rel.storedRowId = 0;
                        rel.one = nullptr;
                        m->notifyRelation(r);
                    }
                }
            }
        }
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ [ModelContext] Could not merge changes saved by another context: ") + e.localizedDescription());
    }
    Q_EMIT storeDidChange(changes);
}
