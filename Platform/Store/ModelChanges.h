#pragma once
#include <QHash>
#include <QMetaType>
#include <QSet>
#include <QString>

// What one save (or one turn of unsaved edits) changed, per entity: rows inserted, updated and
// deleted, and the keys (attribute or relationship names) that changed.
struct EntityChanges {
    bool membershipChanged = false; // rows inserted or deleted
    QSet<QString> keys;
    QSet<qint64> insertedRows, updatedRows, deletedRows;
};

struct ModelChanges {
    QHash<QString, EntityChanges> entities;

    bool isEmpty() const { return entities.isEmpty(); }
    bool touches(const QString &entity) const { return entities.contains(entity); }
    // True when a result over this entity that reads these keys may have changed.
    bool affects(const QString &entity, const QSet<QString> &keys, bool anyKey = false) const
    {
        auto it = entities.constFind(entity);
        if (it == entities.constEnd())
            return false;
        return it->membershipChanged || anyKey || it->keys.intersects(keys);
    }
    void merge(const ModelChanges &other)
    {
        for (auto it = other.entities.constBegin(); it != other.entities.constEnd(); ++it) {
            EntityChanges &e = entities[it.key()];
            e.membershipChanged |= it->membershipChanged;
            e.keys.unite(it->keys);
            e.insertedRows.unite(it->insertedRows);
            e.updatedRows.unite(it->updatedRows);
            e.deletedRows.unite(it->deletedRows);
        }
    }
};
Q_DECLARE_METATYPE(ModelChanges)
