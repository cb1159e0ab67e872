#pragma once
#include <QString>
#include <QStringList>

// Command history in the plain-text file "history.txt" of the current working directory, one
// entry per line. No operation reports a failure; each logs it.
class HistoryManager {
public:
    // The file split at every "\n", empty pieces kept; empty when there is no file.
    static QStringList load();
    static void append(const QString &entry);
    static void clear();
    static QString filePath();
};
