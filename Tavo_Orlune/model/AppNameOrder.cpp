#include "model/AppNameOrder.h"
#include "model/AppStoreData.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {
QCollator localizedStandardCollator()
{
    // The C locale has no collation rules of its own; a user running in it still expects
    // names in dictionary order.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : QLocale();
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

QList<uint> plainKey(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C).toUcs4();
}

// Sorts by precomputed keys so a list of thousands of rows is keyed once, not per comparison.
template <typename Key, typename MakeKey, typename Less>
void sortByKey(QList<AppStoreData *> &rows, MakeKey makeKey, Less less)
{
    QList<std::pair<Key, AppStoreData *>> keyed;
    keyed.reserve(rows.size());
    for (AppStoreData *row : std::as_const(rows))
        keyed.append({makeKey(row->name()), row});
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) { return less(a.first, b.first); });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        rows[i] = keyed.at(i).second;
}
}

void AppNameOrder::sortPlain(QList<AppStoreData *> &rows)
{
    sortByKey<QList<uint>>(rows, plainKey, [](const QList<uint> &a, const QList<uint> &b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    });
}

void AppNameOrder::sortLocalizedStandard(QList<AppStoreData *> &rows)
{
    const QCollator collator = localizedStandardCollator();
    sortByKey<QCollatorSortKey>(rows, [&](const QString &name) { return collator.sortKey(name); },
                                [](const QCollatorSortKey &a, const QCollatorSortKey &b) { return a.compare(b) < 0; });
}
