#include "Platform/AppInfo.h"
#include "Platform/PlistReader.h"

AppInfo &AppInfo::instance()
{
    static AppInfo info;
    return info;
}

AppInfo::AppInfo()
{
    if (auto dict = PlistReader::readDictionary(QStringLiteral(":/Info.plist")))
        m_dict = *dict;
}

QString AppInfo::string(const QString &key) const
{
    const QVariant v = m_dict.value(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

QString AppInfo::configured(const QString &key, const char *environmentVariable) const
{
    if (environmentVariable) {
        const QString env = qEnvironmentVariable(environmentVariable);
        if (!env.isEmpty())
            return env;
    }
    return string(key);
}

QString AppInfo::displayName() const
{
    const QString display = string(QStringLiteral("CFBundleDisplayName"));
    if (!display.isEmpty())
        return display;
    const QString name = string(QStringLiteral("CFBundleName"));
    return name.isEmpty() ? QStringLiteral("Tavo Orlune") : name;
}
