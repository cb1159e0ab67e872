#include "Platform/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/TavoOrlune/TavoOrlune.conf");
}
}

Settings &Settings::instance()
{
    static Settings *settings = new Settings;
    return *settings;
}

Settings::Settings()
{
    reopen();
}

void Settings::reopen(const QString &filePath)
{
    if (m_settings)
        m_settings->sync();
    const QString path = filePath.isEmpty() ? defaultPath() : filePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QString Settings::filePath() const
{
    return m_settings->fileName();
}

bool Settings::contains(const QString &key) const
{
    return m_settings->contains(key);
}

QVariant Settings::value(const QString &key, const QVariant &fallback) const
{
    return m_settings->value(key, fallback);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    Q_EMIT valueChanged(key);
}

void Settings::remove(const QString &key)
{
    m_settings->remove(key);
    Q_EMIT valueChanged(key);
}

void Settings::sync()
{
    m_settings->sync();
}

bool Settings::boolValue(const QString &key, bool fallback) const
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return fallback;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    // The INI file stores booleans as text.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (s == QLatin1String("true"))
            return true;
        if (s == QLatin1String("false"))
            return false;
    }
    return fallback;
}

qint64 Settings::intValue(const QString &key, qint64 fallback) const
{
    const QVariant v = m_settings->value(key);
    bool ok = false;
    const qint64 n = v.toString().toLongLong(&ok);
    return ok ? n : fallback;
}

double Settings::doubleValue(const QString &key, double fallback) const
{
    const QVariant v = m_settings->value(key);
    bool ok = false;
    const double d = v.toString().toDouble(&ok);
    return ok ? d : fallback;
}

QString Settings::stringValue(const QString &key, const QString &fallback) const
{
    const QVariant v = m_settings->value(key);
    return v.typeId() == QMetaType::QString ? v.toString() : fallback;
}

QVariantMap Settings::mapValue(const QString &key) const
{
    const QVariant v = m_settings->value(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap{};
}
