#pragma once
#include <QObject>
#include <QString>

// Desktop Linux has no haptic feedback: performing one does nothing but let tests see it.
class Haptics : public QObject {
    Q_OBJECT
public:
    static Haptics &instance();
    void perform(const QString &pattern = QStringLiteral("generic"));
    int count() const { return m_count; }

Q_SIGNALS:
    void performed(const QString &pattern);

private:
    int m_count = 0;
};
