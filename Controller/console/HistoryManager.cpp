#include "Controller/console/HistoryManager.h"

#include "Platform/Log.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString HistoryManager::filePath()
{
    return QDir::current().filePath(QStringLiteral("history.txt"));
}

QStringList HistoryManager::load()
{
    QFile file(filePath());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        Log::line(QStringLiteral("[HistoryManager] Failed to load history: ") + file.errorString());
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

void HistoryManager::append(const QString &entry)
{
    const QByteArray bytes = (entry + u'\n').toUtf8();
    if (QFile::exists(filePath())) {
        QFile file(filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
            Log::line(QStringLiteral("[HistoryManager] Failed to append history: ") + file.errorString());
        return;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Log::line(QStringLiteral("[HistoryManager] Failed to append history: ") + file.errorString());
        return;
    }
    QFile::setPermissions(filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void HistoryManager::clear()
{
    QFile file(filePath());
    if (file.exists() && !file.remove())
        Log::line(QStringLiteral("[HistoryManager] Failed to clear history: ") + file.errorString());
}
