#pragma once
#include "Platform/Store/ModelContext.h"

#include <QObject>
#include <QPointer>

// A live query: the result of a fetch, fetched again whenever its context's objects, its own
// saves or other contexts' saves may have changed it (an entity row added or removed, or a key
// of its predicate or sort changed). Views bind to resultsChanged().
class FetchedResults : public QObject {
    Q_OBJECT
public:
    FetchedResults(ModelContext *context, const FetchDescriptor &descriptor, QObject *parent = nullptr);

    const QList<PersistentModel *> &models() const { return m_models; }
    template<class T> QList<T *> results() const
    {
        QList<T *> out;
        out.reserve(m_models.size());
        for (PersistentModel *m : m_models)
            out.append(static_cast<T *>(m));
        return out;
    }
    const FetchDescriptor &descriptor() const { return m_descriptor; }
    void setDescriptor(const FetchDescriptor &descriptor);
    // The last fetch's error, empty after a good fetch (the previous results are kept).
    QString lastError() const { return m_lastError; }
    void refetch();

Q_SIGNALS:
    void resultsChanged();

private:
    void contextChanged(const ModelChanges &changes);
    QPointer<ModelContext> m_context;
    FetchDescriptor m_descriptor;
    QSet<QString> m_keys;
    bool m_anyKey = false;
    QList<PersistentModel *> m_models;
    QString m_lastError;
};
