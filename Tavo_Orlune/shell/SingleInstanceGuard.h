#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// One running application per user: a second launch hands its request to the running one
// (which shows itself again) and ends.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // The name is per user and home folder, so separate test homes never meet.
    static QString defaultName();
    explicit SingleInstanceGuard(const QString &name = defaultName(), QObject *parent = nullptr);
    ~SingleInstanceGuard() override;

    // True when this process is now the running instance; false when another one answered
    // (it has been asked to reopen).
    bool tryBecomePrimary();

Q_SIGNALS:
    void reopenRequested();

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};
