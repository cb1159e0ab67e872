#pragma once
#include <QObject>
#include <QSettings>
#include <QVariant>
#include <memory>

// The user's small preferences (the keys the design names), kept in
// ~/.config/TavoOrlune/TavoOrlune.conf.
class Settings : public QObject {
    Q_OBJECT
public:
    static Settings &instance();
    // Tests point the store at a file of their own (or back to the default with an empty path).
    void reopen(const QString &filePath = {});
    QString filePath() const;

    bool contains(const QString &key) const;
    QVariant value(const QString &key, const QVariant &fallback = {}) const;
    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);
    void sync();

    // Typed getters: a stored value of another type answers the fallback.
    bool boolValue(const QString &key, bool fallback = false) const;
    qint64 intValue(const QString &key, qint64 fallback = 0) const;
    double doubleValue(const QString &key, double fallback = 0.0) const;
    QString stringValue(const QString &key, const QString &fallback = {}) const;
    QVariantMap mapValue(const QString &key) const;

Q_SIGNALS:
    void valueChanged(const QString &key);

private:
    Settings();
    std::unique_ptr<QSettings> m_settings;
};
