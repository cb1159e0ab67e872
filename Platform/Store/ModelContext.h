#pragma once
// The store layer: persistent models over SQLite (Qt Sql), with contexts, fetches, delete
// rules, change signals and live queries.
//
//   ModelContainer container(schema, {path});          // throws StoreError on a foreign or damaged file
//   ModelContainer mem(schema, {.inMemory = true});     // private, gone with the container
//   ModelContext *ctx = container.mainContext();        // or: ModelContext ctx(&container);
//
//   auto *task = new TaskData(...);   // belongs to no context yet; the caller owns it
//   ctx->insert(task);                // the context owns it from now on
//   ctx->save();                      // throws StoreError; pending changes stay for the next save
//   ctx->remove(task);                // delete rules run now (nullify / cascade); the row goes at save
//   ctx->setAutosaveEnabled(true);    // one coalesced save on a later turn of the owner's event loop
//
//   QList<TaskData *> tasks = ctx->fetch<TaskData>(Predicate::equal("id", uuid),
//                                                  {{"createdAt", false}}, /*limit*/ 1);
//   // Fetches see unsaved inserts and edits and never return pending deletions. They throw
//   // StoreError when the store cannot be read.
//   TaskData *same = ctx->model<TaskData>(otherContextsTask->persistentModelID());
//
// Threads: a context opens its own connection and belongs to the thread that made it; use it
// and its models only there (other threads get StoreError::WrongThread). Make a context on a
// worker thread with `ModelContext ctx(&container);` inside that thread.
//
// Identity: one object per row per context; compare models by pointer within a context and by
// persistentModelID() across contexts. Models are owned by their context.
//
// Lifetime: a model handed out through the plain API (fetch, model, relationship accessors, or
// inserted while nobody holds it) stays with its context for the context's life. Holders that
// should not keep rows for good fetch holds instead (see ModelHold.h):
//
//   QList<ModelHold<ChatMessageData>> held = ctx->fetchHeld<ChatMessageData>(predicate, sortBy);
//
// A row's object then lives while anyone holds it (every fetch answers that same object) and,
// once the last hold is gone and it has no unsaved change, is let go on a later turn; a later
// fetch makes a fresh object from the stored row. Rows the store read for its own work
// (relationship lists, predicate checks) and nobody was handed are let go the same way.
//
// Signals: every model emits its own <property>Changed() signals and changed(key). A context
// emits objectsDidChange(changes) once per turn for its unsaved edits, didSave(changes) after
// its saves, and storeDidChange(changes) for both and for saves of other contexts on the same
// container (whose updated rows it has merged into its own models by then). FetchedResults is
// the live query built on these.
#include "Platform/Store/ModelChanges.h"
#include "Platform/Store/ModelHold.h"
#include "Platform/Store/PersistentModel.h"
#include "Platform/Store/Predicate.h"
#include "Platform/Store/StoreError.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

class ModelContainer;

class ModelContext : public QObject {
    Q_OBJECT
public:
    explicit ModelContext(ModelContainer *container, QObject *parent = nullptr);
    ~ModelContext() override;

    ModelContainer *container() const { return m_container; }

    // Takes ownership; models linked to it that are in no context are inserted with it.
    void insert(PersistentModel *model);
    // Deletes the model, running its relationships' delete rules; the row goes at the next save.
    void remove(PersistentModel *model);
    // Writes every pending change in one transaction. Throws StoreError; on failure nothing
    // is written and every pending change stays pending.
    void save();
    bool hasChanges() const;

    void setAutosaveEnabled(bool enabled);
    bool autosaveEnabled() const { return m_autosave; }

    QList<PersistentModel *> fetch(const FetchDescriptor &descriptor);
    int fetchCount(const FetchDescriptor &descriptor) { return int(fetchModels(descriptor).size()); }
    template<class T> QList<T *> fetch(const Predicate &predicate = {}, const QList<SortDescriptor> &sortBy = {}, int fetchLimit = 0)
    {
        QList<T *> out;
        const QList<PersistentModel *> all = fetch(FetchDescriptor::of<T>(predicate, sortBy, fetchLimit));
        out.reserve(all.size());
        for (PersistentModel *m : all)
            out.append(static_cast<T *>(m));
        return out;
    }
    // Like fetch, answering holds: the models live while held.
    QList<ModelHold<PersistentModel>> fetchHeld(const FetchDescriptor &descriptor) { return holdAll(fetchModels(descriptor)); }
    template<class T> QList<ModelHold<T>> fetchHeld(const Predicate &predicate = {}, const QList<SortDescriptor> &sortBy = {}, int fetchLimit = 0)
    {
        QList<ModelHold<T>> out;
        const QList<PersistentModel *> all = fetchModels(FetchDescriptor::of<T>(predicate, sortBy, fetchLimit));
        out.reserve(all.size());
        for (PersistentModel *m : all)
            out.append(ModelHold<T>(static_cast<T *>(m)));
        return out;
    }

    // The model of this context for an identity (loading its row when needed), or nullptr when
    // the row is gone or the identity is temporary and not from this context.
    PersistentModel *model(const PersistentIdentifier &id);
    template<class T> T *model(const PersistentIdentifier &id)
    {
        PersistentModel *m = model(id);
        return m && m->entityDescription().name == T::staticEntityDescription().name ? static_cast<T *>(m) : nullptr;
    }

Q_SIGNALS:
    void objectsDidChange(const ModelChanges &changes);
    void didSave(const ModelChanges &changes);
    void storeDidChange(const ModelChanges &changes);

private:
    friend class PersistentModel;
    struct Table;
    void checkThread() const;
    QSqlDatabase database() const;
    const Table &table(const QString &entityName) const;
    QSqlQuery &prepared(const QString &sql);
    bool execute(QSqlQuery &query, QString *error);
    PersistentModel *registered(const QString &entity, qint64 rowId) const;
    PersistentModel *materialize(const Table &t, const QSqlQuery &query);
    QList<PersistentModel *> loadRows(const Table &t, const QString &where, const QVariantList &binds, const QString &orderBy = {}, int limit = 0);
    PersistentModel *objectForRow(const QString &entity, qint64 rowId);
    QList<PersistentModel *> loadRelation(const PersistentModel *owner, int relationship);
    void noteChange(PersistentModel *model, const QString &key, bool membership);
    void scheduleTurnWork();
    void runTurnWork();
    void insertRecursively(PersistentModel *model);
    QList<PersistentModel *> fetchModels(const FetchDescriptor &descriptor);
    void noteUnheld(PersistentModel *model);
    void releaseUnheld();
    void forget(PersistentModel *model);
    void refresh(PersistentModel *model, const Table &t, const QSqlQuery &query);
    void mergeRemoteSave(quintptr source, const ModelChanges &changes);
    QVariant encode(const AttributeDescription &a, const QVariant &value) const;
    QVariant decode(const AttributeDescription &a, const QVariant &value) const;
    std::optional<QString> sqlFor(const Predicate::Node &node, const Table &t, QVariantList &binds, bool &complete) const;

    ModelContainer *m_container;
    QString m_connectionName;
    QHash<QString, QHash<qint64, PersistentModel *>> m_registry;
    QHash<QString, QSharedPointer<Table>> m_tables;
    QHash<QString, QSqlQuery> m_statements;
    QSet<PersistentModel *> m_inserted;
    QSet<PersistentModel *> m_updated;
    QList<PersistentModel *> m_deleted;
    // Models that nobody holds and that may be let go at the end of the turn.
    QHash<PersistentModel *, QPointer<PersistentModel>> m_unheld;
    ModelChanges m_pendingNotice;
    bool m_turnScheduled = false;
    bool m_autosave = false;
    quint64 m_nextSerial = 1;
};
