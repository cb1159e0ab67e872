#pragma once
#include <QList>
#include <QString>

class AppStoreData;

// The two orders in which store rows are listed by name.
//
// Localized standard order is what a file manager shows: case-insensitive, digit runs compared
// by value ("App 9" before "App 10"), by the user's locale (English rules when the process runs
// in the C locale). Store fetches that list rows for the user sort this way.
//
// Plain order compares the names' Unicode scalar values after canonical composition: case
// matters and every upper-case ASCII letter sorts before every lower-case one ("Zoom" before
// "airtable"). Lists re-sorted in memory after a single row changed sort this way.
//
// Both sorts are stable.
class AppNameOrder {
public:
    static void sortLocalizedStandard(QList<AppStoreData *> &rows);
    static void sortPlain(QList<AppStoreData *> &rows);
};
