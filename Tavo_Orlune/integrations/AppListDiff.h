#pragma once
#include <QList>
#include <QUuid>

class AppStoreData;

// What changed between two versions of a published store list, by row id, so that a view
// moves, adds and drops only the cards that changed. Apply in order: take out `removed`
// (positions in the old list, highest first), then put in `inserted` (positions in the new
// list, lowest first). A row that changed place is removed and inserted; the rows that keep
// their relative order (the longest such run) stay put. `replaced` lists positions in the new
// list whose id stayed but whose row object is another one.
class AppListDiff {
public:
    QList<qsizetype> removed;
    QList<qsizetype> inserted;
    QList<qsizetype> replaced;

    bool isEmpty() const { return removed.isEmpty() && inserted.isEmpty() && replaced.isEmpty(); }

    static AppListDiff between(const QList<AppStoreData *> &before, const QList<AppStoreData *> &after);
};
