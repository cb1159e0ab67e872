#include "Platform/Identity/LoopbackListener.h"

#include <QTcpSocket>
#include <QUrl>

namespace {
constexpr qint64 kMaxRequestBytes = 16 * 1024;

void reply(QTcpSocket *socket, const QByteArray &status, const QByteArray &body)
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\nCache-Control: no-store\r\n\r\n" + body);
    socket->disconnectFromHost();
}
}

LoopbackListener::LoopbackListener(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_page("<!DOCTYPE html><html><body><p>You can close this window and return to the application.</p></body></html>")
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackListener::onConnection);
}

LoopbackListener::~LoopbackListener() = default;

bool LoopbackListener::listen()
{
    return m_server.listen(QHostAddress(QHostAddress::LocalHost), 0);
}

quint16 LoopbackListener::port() const
{
    return m_server.serverPort();
}

QHostAddress LoopbackListener::address() const
{
    return m_server.serverAddress();
}

QString LoopbackListener::redirectUri() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(m_path);
}

void LoopbackListener::close()
{
    m_done = true;
    m_server.close();
}

void LoopbackListener::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QPointer<QTcpSocket> guard(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, guard] {
            if (guard)
                onReadable(guard);
        });
    }
}

void LoopbackListener::onReadable(QTcpSocket *socket)
{
    if (socket->bytesAvailable() > kMaxRequestBytes || socket->property("tavoBuffered").toByteArray().size() > kMaxRequestBytes) {
        socket->abort();
        return;
    }
    QByteArray buffer = socket->property("tavoBuffered").toByteArray() + socket->readAll();
    if (!buffer.contains("\r\n\r\n")) {
        socket->setProperty("tavoBuffered", buffer);
        return;
    }
    const QByteArray requestLine = buffer.left(buffer.indexOf("\r\n"));
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || parts[0] != "GET") {
        reply(socket, "405 Method Not Allowed", {});
        return;
    }
    const QUrl target(QStringLiteral("http://127.0.0.1") + QString::fromLatin1(parts[1]));
    if (m_done || target.path() != m_path) {
        reply(socket, "404 Not Found", {});
        return;
    }
    const QUrlQuery query(target);
    if (!m_expectedState.isEmpty() && query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded) != m_expectedState) {
        reply(socket, "400 Bad Request", {});
        Q_EMIT refused();
        return;
    }
    m_done = true;
    reply(socket, "200 OK", m_page);
    m_server.close();
    Q_EMIT received(query);
}
