#include "Platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

namespace AppPaths {

bool ensurePrivateDir(const QString &dir)
{
    if (!QDir().mkpath(dir))
        return false;
    return QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString applicationSupportDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString appDataDir()
{
    const QString dir = applicationSupportDir() + QStringLiteral("/TavoOrlune");
    ensurePrivateDir(dir);
    return dir;
}

namespace {
// Ours: a real folder (no link), owned by us, private.
bool isOwnPrivateDir(const QByteArray &native)
{
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}
}

QString tempDir()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath();
    const QString dir = base + QStringLiteral("/TavoOrlune-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(dir);
    // Made here when missing; then checked whatever happened (another user's folder or a link
    // planted in a shared /tmp, a folder that could not be made): such a place is never used.
    ::mkdir(native.constData(), 0700);
    if (isOwnPrivateDir(native))
        return dir;
    const QString fallback = applicationSupportDir() + QStringLiteral("/TavoOrlune/tmp");
    ensurePrivateDir(fallback);
    return fallback;
}

void sweepTempDir()
{
    QDir dir(tempDir());
    for (const QFileInfo &entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

QString uniqueTempFilePath(const QString &prefix, const QString &suffix)
{
    return tempDir() + QLatin1Char('/') + prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + suffix;
}

QString executableDir()
{
    return QCoreApplication::applicationDirPath();
}

QString resourceDir()
{
    const QString env = qEnvironmentVariable("TAVO_RESOURCE_DIR");
    if (!env.isEmpty())
        return env;
    const QString build = QDir::cleanPath(executableDir() + QStringLiteral("/../Resources"));
    if (QFileInfo(build).isDir())
        return build;
    return QDir::cleanPath(executableDir() + QStringLiteral("/../share/tavo-orlune"));
}

bool writePrivateFile(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(data);
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

} // namespace AppPaths
