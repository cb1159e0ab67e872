#pragma once
#include <QString>
#include <QStringList>

// Links a task to the app shortcuts of the tool clients its answers used.
class TaskAppAssociationService {
public:
    // Lower-cased, then trimmed of white space and line breaks.
    static QString normalizedName(const QString &name);
    // The fixed aliases of an app, by its normalised name, in table order.
    static QStringList aliases(const QString &normalizedAppName);
};
