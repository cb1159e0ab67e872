#include "integrations/CatalogMirror.h"

#include "Platform/Store/ModelContext.h"
#include "model/AppStoreData.h"
#include "model/SwiftDataService.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
// Contexts belong to their threads, so stores mirrored from two threads would race exactly as
// two contexts of one thread do; one lock covers both.
QMutex &mirrorLock()
{
    static QMutex lock;
    return lock;
}
}

QList<AppStoreData *> CatalogMirror::mirrorPage(SwiftDataService &service, const QList<PipedreamApp> &page,
                                                const QHash<QString, AppStoreData *> &known)
{
    QMutexLocker locker(&mirrorLock());

    QVariantList unknownIds;
    for (const PipedreamApp &app : page)
        if (!known.contains(app.id))
            unknownIds.append(app.id);

    // One query for the whole page rather than one per app.
    QHash<QString, AppStoreData *> stored;
    if (!unknownIds.isEmpty()) {
        const QList<AppStoreData *> rows = service.fetchAppStoreItems({}, Predicate::in(QStringLiteral("pipedreamId"), unknownIds));
        for (AppStoreData *row : rows)
            if (const auto catalogId = row->pipedreamId(); catalogId && !stored.contains(*catalogId))
                stored.insert(*catalogId, row);
    }

    QList<AppStoreData *> rows;
    rows.reserve(page.size());
    bool inserted = false;
    for (const PipedreamApp &app : page) {
        if (AppStoreData *row = known.value(app.id)) {
            rows.append(row);
            continue;
        }
        if (AppStoreData *row = stored.value(app.id)) {
            rows.append(row);
            continue;
        }
        AppStoreData *row = AppStoreData::fromCatalogApp(app);
        service.context()->insert(row);
        // A catalog that lists an id twice still gets one row.
        stored.insert(app.id, row);
        rows.append(row);
        inserted = true;
    }
    if (inserted)
        service.context()->save();
    return rows;
}
