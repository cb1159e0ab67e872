#pragma once
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The application's information property list (resource ":/Info.plist"). Service addresses
// are keys of it that an environment variable may override.
class AppInfo {
public:
    static AppInfo &instance();
    // For tests: replaces the loaded list.
    void setDictionary(const QVariantMap &dictionary) { m_dict = dictionary; }
    const QVariantMap &dictionary() const { return m_dict; }

    QVariant value(const QString &key) const { return m_dict.value(key); }
    // The value when it is text, else empty.
    QString string(const QString &key) const;
    // The environment variable when set and non-empty, else the list's text entry.
    QString configured(const QString &key, const char *environmentVariable) const;

    QString version() const { return string(QStringLiteral("CFBundleShortVersionString")); }
    QString displayName() const;

private:
    AppInfo();
    QVariantMap m_dict;
};
