#pragma once
#include "Platform/Store/StoreSchema.h"

#include <QHashFunctions>
#include <QList>
#include <QObject>
#include <QVariant>

class ModelContext;

// The store-wide identity of one record: its entity and its row. A model that has never been
// saved has a temporary identity (rowId 0) that becomes permanent at its first save.
struct PersistentIdentifier {
    QString storeIdentifier;
    QString entityName;
    qint64 rowId = 0;
    quint64 temporaryId = 0;

    bool isTemporary() const { return rowId == 0; }
    bool isValid() const { return !entityName.isEmpty() && (rowId != 0 || temporaryId != 0); }
    QString toString() const;
    friend bool operator==(const PersistentIdentifier &a, const PersistentIdentifier &b)
    {
        return a.storeIdentifier == b.storeIdentifier && a.entityName == b.entityName && a.rowId == b.rowId
            && (a.rowId != 0 || a.temporaryId == b.temporaryId);
    }
    friend bool operator!=(const PersistentIdentifier &a, const PersistentIdentifier &b) { return !(a == b); }
};
size_t qHash(const PersistentIdentifier &id, size_t seed = 0);
Q_DECLARE_METATYPE(PersistentIdentifier)

// Base of every persistent model. A subclass declares its EntityDescription and exposes typed
// accessors over attribute(i)/setAttribute(i, v) and the relationship helpers, emitting its own
// change signals from attributeDidChange()/relationshipDidChange().
//
// Identity: within a context there is one object per row, so two models are the same record
// exactly when they are the same object; across contexts compare persistentModelID().
// Relationship setters keep both ends in sync (one-to-one, one-to-many and many-to-many), and
// linking a model that is in no context to one that is inserts it into that context.
class PersistentModel : public QObject {
    Q_OBJECT
public:
    ~PersistentModel() override;

    virtual const EntityDescription &entityDescription() const = 0;

    PersistentIdentifier persistentModelID() const;
    // The context holding the model, or nullptr before insertion and after its deletion is saved.
    ModelContext *modelContext() const { return m_context; }
    // Deleted in its context (pending or saved).
    bool isDeleted() const { return m_state == State::Deleted || m_state == State::Removed; }
    bool hasChanges() const;

    // The value of an attribute or a to-one relationship by name (a to-one answers a
    // PersistentModel*), as predicates and sort descriptors read them. Unknown keys answer null.
    QVariant valueForKey(const QString &key) const;
    // A value converted to the attribute's own type (QString, qint64, double, bool, QDateTime UTC, ...).
    static QVariant normalizedValue(const AttributeDescription &attribute, const QVariant &value);

    // ModelHold's counting (see ModelHold.h); null models are ignored.
    static void retainHold(PersistentModel *model);
    static void releaseHold(PersistentModel *model);
    int holdCount() const { return m_holds; }

Q_SIGNALS:
    // Emitted for every change of a stored value or relationship, after the typed signal.
    void changed(const QString &key);

protected:
    explicit PersistentModel(QObject *parent = nullptr);

    QVariant attribute(int index) const;
    // Stores a value; answers true (and notifies) when it differs from the current one.
    bool setAttribute(int index, const QVariant &value);

    // The relationship accessors hand models out through the plain API: those stay with the
    // context for its life (see ModelHold.h).
    PersistentModel *toOne(int relationship) const;
    void setToOne(int relationship, PersistentModel *target);
    QList<PersistentModel *> toMany(int relationship) const;
    void setToMany(int relationship, const QList<PersistentModel *> &targets);
    void appendToMany(int relationship, PersistentModel *target);
    void removeFromMany(int relationship, PersistentModel *target);

    template<class T> static QList<T *> cast(const QList<PersistentModel *> &models)
    {
        QList<T *> out;
        out.reserve(models.size());
        for (PersistentModel *m : models)
            out.append(static_cast<T *>(m));
        return out;
    }
    template<class T> static QList<PersistentModel *> uncast(const QList<T *> &models)
    {
        return QList<PersistentModel *>(models.begin(), models.end());
    }

    // Subclasses emit their typed signals here.
    virtual void attributeDidChange(int index) { Q_UNUSED(index) }
    virtual void relationshipDidChange(int index) { Q_UNUSED(index) }

private:
    friend class ModelContext;
    enum class State { Unattached, Inserted, Persistent, Deleted, Removed };
    struct Relation {
        bool loaded = true;       // false: to be read from the store on first access
        qint64 storedRowId = 0;   // to-one: the row named by the store while not loaded
        PersistentModel *one = nullptr;
        QList<PersistentModel *> many;
    };

    void ensureStorage() const;
    void ensureLoaded(int relationship) const;
    // The relationship as loaded, without keeping its models for good (the store's own work).
    PersistentModel *loadedOne(int relationship) const;
    QList<PersistentModel *> loadedMany(int relationship) const;
    ModelContext *owningContext() const;
    void adopt(PersistentModel *other);
    void markAttributeDirty(int index);
    void markRelationDirty(int relationship);
    // Changes of one end only; the public setters pair them up.
    void rawSetOne(int relationship, PersistentModel *target);
    void rawAppend(int relationship, PersistentModel *target);
    void rawRemove(int relationship, PersistentModel *target);
    void linkInverse(int relationship, PersistentModel *target);
    void unlinkInverse(int relationship, PersistentModel *target);
    void notifyAttribute(int index);
    void notifyRelation(int relationship);

    mutable QVariantList m_values;
    mutable QList<Relation> m_relations;
    quint64 m_dirtyAttributes = 0;
    quint64 m_dirtyRelations = 0;
    ModelContext *m_context = nullptr;
    State m_state = State::Unattached;
    qint64 m_rowId = 0;
    quint64 m_temporaryId = 0;
    quint64 m_insertSerial = 0;
    QString m_storeIdentifier;
    int m_holds = 0;
    // Handed out through the plain API: kept by the context whatever the holds say.
    bool m_pinned = false;
};

Q_DECLARE_METATYPE(PersistentModel *)
