#include "StandinWebSocketServer.h"

StandinWebSocketServer::StandinWebSocketServer(QObject *parent)
    : QObject(parent)
    , m_server(QStringLiteral("standin"), QWebSocketServer::NonSecureMode)
{
    connect(&m_server, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket *socket = m_server.nextPendingConnection()) {
            if (m_refuse) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            const int index = int(m_connections.size());
            Connection c;
            c.socket = socket;
            c.requestUrl = socket->requestUrl();
            m_connections.append(c);
            socket->setParent(this);
            connect(socket, &QWebSocket::textMessageReceived, this, [this, index](const QString &text) {
                Frame f{false, text.toUtf8()};
                m_connections[index].frames.append(f);
                Q_EMIT frameReceived(index, f);
                if (m_handler)
                    m_handler(index, f);
            });
            connect(socket, &QWebSocket::binaryMessageReceived, this, [this, index](const QByteArray &data) {
                Frame f{true, data};
                m_connections[index].frames.append(f);
                Q_EMIT frameReceived(index, f);
                if (m_handler)
                    m_handler(index, f);
            });
            connect(socket, &QWebSocket::disconnected, this, [this, index, socket] {
                m_connections[index].closed = true;
                m_connections[index].closeCode = socket->closeCode();
                Q_EMIT disconnected(index);
            });
            Q_EMIT connected(index);
        }
    });
}

StandinWebSocketServer::~StandinWebSocketServer()
{
    for (auto &c : m_connections)
        if (c.socket)
            c.socket->abort();
    m_server.close();
}

quint16 StandinWebSocketServer::start()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        return 0;
    m_port = m_server.serverPort();
    return m_port;
}

QUrl StandinWebSocketServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(m_port).arg(path));
}

QList<StandinWebSocketServer::Frame> StandinWebSocketServer::allFrames() const
{
    QList<Frame> all;
    for (const auto &c : m_connections)
        all += c.frames;
    return all;
}

void StandinWebSocketServer::sendText(int connection, const QString &text)
{
    if (auto s = m_connections.value(connection).socket)
        s->sendTextMessage(text);
}

void StandinWebSocketServer::sendBinary(int connection, const QByteArray &data)
{
    if (auto s = m_connections.value(connection).socket)
        s->sendBinaryMessage(data);
}

void StandinWebSocketServer::close(int connection, QWebSocketProtocol::CloseCode code)
{
    if (auto s = m_connections.value(connection).socket)
        s->close(code);
}

void StandinWebSocketServer::abort(int connection)
{
    if (auto s = m_connections.value(connection).socket)
        s->abort();
}
