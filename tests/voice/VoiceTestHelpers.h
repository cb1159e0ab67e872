#pragma once
#include "Platform/AppPaths.h"
#include "Platform/Log.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QVariantMap>

// Shared bits of the voice tests: the private temporary folder's contents and captured log lines.
namespace VoiceTest {

inline QStringList tempFiles()
{
    return QDir(AppPaths::tempDir()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

inline void clearTempFiles()
{
    for (const QString &name : tempFiles())
        QFile::remove(AppPaths::tempDir() + QLatin1Char('/') + name);
}

inline QStringList &logLines()
{
    static QStringList lines;
    return lines;
}

inline void captureLog()
{
    logLines().clear();
    Log::setSink([](const QString &line) { logLines().append(line); });
}

} // namespace VoiceTest
