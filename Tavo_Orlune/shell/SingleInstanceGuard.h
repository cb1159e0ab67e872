#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// One running application per user: a second launch hands its request to the running one
// (which shows itself again) and ends. The socket lives in the user's private runtime folder
// ($XDG_RUNTIME_DIR), and both ends check that the other one is the same user: another user
// can neither keep the program from starting nor ask it to do anything.
class SingleInstanceGuard : public QObject {
    Q_OBJECT
public:
    // A socket path in the user's runtime folder, per home folder, so separate test homes never
    // meet.
    static QString defaultName();
    // Whether the process at the other end of the local socket runs as this user.
    static bool peerIsThisUser(qintptr socketDescriptor);
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
