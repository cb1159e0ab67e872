#include "shell/SingleInstanceGuard.h"
#include "Platform/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray kReopen = QByteArrayLiteral("reopen\n");
}

QString SingleInstanceGuard::defaultName()
{
    const QByteArray home = QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("TavoOrlune-%1-%2").arg(getuid()).arg(QString::fromLatin1(home));
}

SingleInstanceGuard::SingleInstanceGuard(const QString &name, QObject *parent) : QObject(parent), m_name(name) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::tryBecomePrimary()
{
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(500)) {
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
