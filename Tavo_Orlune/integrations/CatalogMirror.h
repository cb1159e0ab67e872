#pragma once
#include "model/PipedreamApp.h"

#include <QHash>
#include <QList>
#include <QString>

class AppStoreData;
class SwiftDataService;

// Turns one catalog page into store rows, for every store view model of the process in turn.
//
// Two surfaces may mirror the catalog at once, each through its own store context. A row one
// of them inserted is invisible to the other until it is saved, so each page runs as one
// sequence that no other page interleaves with: look the page's unknown catalog ids up in the
// store, insert rows only for ids the store does not hold, save them in one transaction.
class CatalogMirror {
public:
    // The rows for the page's apps, in page order: the row of `known` for a catalog id it holds,
    // else the stored row with that catalog id, else a new row inserted into the service's
    // context. Throws DatabaseError when the store cannot be read and StoreError when the new
    // rows cannot be saved (they stay pending in the context then).
    static QList<AppStoreData *> mirrorPage(SwiftDataService &service, const QList<PipedreamApp> &page,
                                            const QHash<QString, AppStoreData *> &known);
};
