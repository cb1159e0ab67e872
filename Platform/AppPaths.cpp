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

QString tempDir()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath();
    const QString dir = base + QStringLiteral("/TavoOrlune-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(dir);
    struct stat st{};
    if (::lstat(native.constData(), &st) == 0) {
        // Another user's folder, or a link planted in a shared /tmp, is never used.
        if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
            const QString fallback = applicationSupportDir() + QStringLiteral("/TavoOrlune/tmp");
            ensurePrivateDir(fallback);
            return fallback;
        }
        if ((st.st_mode & 0777) != 0700)
            ::chmod(native.constData(), 0700);
        return dir;
    }
    ::mkdir(native.constData(), 0700);
    return dir;
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
