#pragma once
#include "Platform/Store/Predicate.h"

#include <QList>
#include <QUuid>

class AppStoreData;

// The database operations the application calls; SwiftDataService is the implementation.
class DatabaseService {
public:
    virtual ~DatabaseService() = default;
    // Matching rows in the given order (the store's order when sortBy is empty). Throws DatabaseError.
    virtual QList<AppStoreData *> fetchAppStoreItems(const QList<SortDescriptor> &sortBy, const Predicate &predicate = {}) = 0;
    // The row with that id, or nullptr. Throws DatabaseError.
    virtual AppStoreData *fetchAppStoreItem(const QUuid &id) = 0;
    // The first row whose catalog id is catalogId (rows without one never match), or nullptr.
    // Throws DatabaseError.
    virtual AppStoreData *findAppByCatalogId(const QString &catalogId) = 0;
};
