#include "shell/SingleInstanceGuard.h"
#include "Platform/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <sys/socket.h>
#include <unistd.h>

namespace {
const QByteArray kReopen = QByteArrayLiteral("reopen\n");
}

QString SingleInstanceGuard::defaultName()
{
    const QByteArray home = QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    // Qt makes sure the runtime folder exists, belongs to this user and is 0700.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime + QStringLiteral("/TavoOrlune-%1.sock").arg(QString::fromLatin1(home));
}

bool SingleInstanceGuard::peerIsThisUser(qintptr socketDescriptor)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::getuid();
}

SingleInstanceGuard::SingleInstanceGuard(const QString &name, QObject *parent) : QObject(parent), m_name(name) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::tryBecomePrimary()
{
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500) && !peerIsThisUser(probe.socketDescriptor())) {
            Log::line(QStringLiteral("⚠️ [App] The single-instance socket belongs to another user; ignored"));
            probe.abort();
        } else if (probe.state() == QLocalSocket::ConnectedState) {
            probe.write(kReopen);
            probe.waitForBytesWritten(1000);
            probe.disconnectFromServer();
            Log::line(QStringLiteral("ℹ️ [App] Already running; asked the running instance to show itself"));
            return false;
        }
    }
    // Nobody answered: a socket file left by a crashed run is stale.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        Log::line(QStringLiteral("⚠️ [App] Cannot watch for a second launch: ") + m_server->errorString());
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (!peerIsThisUser(client->socketDescriptor())) {
                Log::line(QStringLiteral("⚠️ [App] Refused a second-launch request from another user"));
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                const QByteArray line = client->readLine(64);
                if (line == kReopen)
                    Q_EMIT reopenRequested();
                client->disconnectFromServer();
            });
        }
    });
    return true;
}
