#include "model/SwiftDataService.h"
#include "model/AppStoreData.h"
#include "Platform/Store/ModelContext.h"

SwiftDataService::SwiftDataService(ModelContainer *modelContainer)
    : m_modelContainer(modelContainer), m_context(new ModelContext(modelContainer))
{
    m_context->setAutosaveEnabled(true);
}

SwiftDataService::~SwiftDataService()
{
    delete m_context;
}

QList<AppStoreData *> SwiftDataService::fetchAppStoreItems(const QList<SortDescriptor> &sortBy, const Predicate &predicate)
{
    try {
        return m_context->fetch<AppStoreData>(predicate, sortBy);
    } catch (const StoreError &e) {
        throw DatabaseError(DatabaseError::Kind::FetchFailed, e);
    }
}

AppStoreData *SwiftDataService::fetchAppStoreItem(const QUuid &id)
{
    try {
        const QList<AppStoreData *> rows = m_context->fetch<AppStoreData>(Predicate::equal(QStringLiteral("id"), id), {}, 1);
        return rows.isEmpty() ? nullptr : rows.first();
    } catch (const StoreError &e) {
        throw DatabaseError(DatabaseError::Kind::FetchFailed, e);
    }
}

AppStoreData *SwiftDataService::findAppByCatalogId(const QString &catalogId)
{
    const QList<AppStoreData *> rows = fetchAppStoreItems({}, Predicate::equal(QStringLiteral("pipedreamId"), catalogId));
    return rows.isEmpty() ? nullptr : rows.first();
}

QString DatabaseError::localizedDescription() const
{
    static const char *const cases[] = {"fetchFailed", "addFailed", "deleteFailed", "updateFailed", "taskNotFound", "appStoreItemNotFound"};
    return QStringLiteral("The operation could not be completed. (DatabaseError.%1)").arg(QLatin1String(cases[int(m_kind)]));
}
