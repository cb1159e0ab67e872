#include "McpEndpointStandin.h"

#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

McpEndpointStandin::McpEndpointStandin(quint16 upstreamPort, ConnectedCheck connected, QObject *parent)
    : QObject(parent)
    , m_upstreamPort(upstreamPort)
    , m_connected(std::move(connected))
{
    connect(&m_server, &QTcpServer::newConnection, this, &McpEndpointStandin::accept);
}

quint16 McpEndpointStandin::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0) ? m_server.serverPort() : 0;
}

QString McpEndpointStandin::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void McpEndpointStandin::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        client->setParent(this);
        auto *upstream = new QTcpSocket(client);
        auto *pending = new QByteArray; // the client's bytes until the request line is complete
        auto *decided = new bool(false);
        connect(client, &QObject::destroyed, [pending, decided] {
            delete pending;
            delete decided;
        });
        QPointer<QTcpSocket> c(client), u(upstream);
        connect(upstream, &QTcpSocket::readyRead, client, [c, u] {
            if (c && u)
                c->write(u->readAll());
        });
        connect(upstream, &QTcpSocket::disconnected, client, [c] {
            if (c)
                c->disconnectFromHost();
        });
        connect(client, &QTcpSocket::disconnected, client, [c, u] {
            if (u)
                u->disconnectFromHost();
            if (c)
                c->deleteLater();
        });
        connect(client, &QTcpSocket::readyRead, client, [this, c, u, pending, decided] {
            if (!c || !u)
                return;
            if (*decided) {
                // Until the server answers the connection the bytes wait in the client socket.
                if (u->state() == QAbstractSocket::ConnectedState)
                    u->write(c->readAll());
                return;
            }
            pending->append(c->readAll());
            const qsizetype end = pending->indexOf("\r\n");
            if (end < 0)
                return;
            *decided = true;
            // "GET /user/slug?x HTTP/1.1"
            const QList<QByteArray> parts = pending->left(end).split(' ');
            QByteArray rest = pending->mid(end);
            QByteArray line = pending->left(end);
            if (parts.size() == 3) {
                const QUrl target(QString::fromUtf8(parts.at(1)));
                const QStringList segments = target.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
                if (segments.size() == 2 && segments.at(1) != QLatin1String("sse") && segments.at(0) != QLatin1String("message")) {
                    m_endpointRequests << segments.join(QLatin1Char('/'));
                    if (parts.at(0) != "GET" || !m_connected(segments.at(0), segments.at(1))) {
                        c->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                        c->disconnectFromHost();
                        return;
                    }
                    line = parts.at(0) + " /sse HTTP/1.1";
                }
            }
            const QByteArray first = line + rest;
            pending->clear();
            u->connectToHost(QHostAddress::LocalHost, m_upstreamPort);
            connect(u, &QTcpSocket::connected, c, [c, u, first] {
                if (!c || !u)
                    return;
                u->write(first);
                u->write(c->readAll());
            });
        });
    }
}
