#include "Platform/Store/FetchedResults.h"
#include "Platform/Log.h"

FetchedResults::FetchedResults(ModelContext *context, const FetchDescriptor &descriptor, QObject *parent)
    : QObject(parent), m_context(context)
{
    connect(context, &ModelContext::storeDidChange, this, &FetchedResults::contextChanged);
    setDescriptor(descriptor);
}

void FetchedResults::setDescriptor(const FetchDescriptor &descriptor)
{
    m_descriptor = descriptor;
    m_keys = descriptor.keys();
    m_anyKey = descriptor.predicate.containsCustomTest();
    refetch();
}

void FetchedResults::contextChanged(const ModelChanges &changes)
{
    if (changes.affects(m_descriptor.entityName, m_keys, m_anyKey))
        refetch();
}

void FetchedResults::refetch()
{
    if (!m_context)
        return;
    try {
        QList<PersistentModel *> fresh = m_context->fetch(m_descriptor);
        m_lastError.clear();
        if (fresh == m_models)
            return;
        m_models = std::move(fresh);
    } catch (const StoreError &e) {
        m_lastError = e.localizedDescription();
        Log::line(QStringLiteral("❌ [FetchedResults] Fetch failed: ") + m_lastError);
        return;
    }
    Q_EMIT resultsChanged();
}
