#include "integrations/AppListDiff.h"

#include "model/AppStoreData.h"

#include <QHash>
#include <algorithm>

AppListDiff AppListDiff::between(const QList<AppStoreData *> &before, const QList<AppStoreData *> &after)
{
    AppListDiff diff;
    // A page merge appends to an unchanged prefix; find that without hashing.
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before.at(prefix) == after.at(prefix))
        ++prefix;
    if (prefix == before.size()) {
        for (qsizetype i = prefix; i < after.size(); ++i)
            diff.inserted.append(i);
        return diff;
    }

    // Old position of each id (the first one when a list repeats an id).
    QHash<QUuid, qsizetype> oldPosition;
    oldPosition.reserve(before.size());
    for (qsizetype i = before.size() - 1; i >= 0; --i)
        oldPosition.insert(before.at(i)->id(), i);

    // Rows of the new list that were in the old one, with their old positions.
    QList<qsizetype> newIndex, oldIndex;
    QHash<QUuid, bool> used;
    for (qsizetype i = 0; i < after.size(); ++i) {
        const QUuid id = after.at(i)->id();
        const auto it = oldPosition.constFind(id);
        if (it == oldPosition.constEnd() || used.contains(id))
            continue;
        used.insert(id, true);
        newIndex.append(i);
        oldIndex.append(*it);
    }

    // The longest run of kept rows in increasing old order stays; patience sorting, n log n.
    QList<qsizetype> tails, tailAt, previous(oldIndex.size(), -1);
    for (qsizetype k = 0; k < oldIndex.size(); ++k) {
        const auto pos = std::lower_bound(tails.begin(), tails.end(), oldIndex.at(k)) - tails.begin();
        if (pos > 0)
            previous[k] = tailAt.at(pos - 1);
        if (pos == tails.size()) {
            tails.append(oldIndex.at(k));
            tailAt.append(k);
        } else {
            tails[pos] = oldIndex.at(k);
            tailAt[pos] = k;
        }
    }
    QList<bool> staysOld(before.size(), false), staysNew(after.size(), false);
    for (qsizetype k = tailAt.isEmpty() ? -1 : tailAt.last(); k >= 0; k = previous.at(k)) {
        staysOld[oldIndex.at(k)] = true;
        staysNew[newIndex.at(k)] = true;
        if (before.at(oldIndex.at(k)) != after.at(newIndex.at(k)))
            diff.replaced.append(newIndex.at(k));
    }
    std::sort(diff.replaced.begin(), diff.replaced.end());
    for (qsizetype i = before.size() - 1; i >= 0; --i)
        if (!staysOld.at(i))
            diff.removed.append(i);
    for (qsizetype i = 0; i < after.size(); ++i)
        if (!staysNew.at(i))
            diff.inserted.append(i);
    return diff;
}
