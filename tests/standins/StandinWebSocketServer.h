#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWebSocket>
#include <QWebSocketServer>
#include <functional>

// A WebSocket server on 127.0.0.1 (random port). It records, per connection and in order,
// every frame it receives, and lets the test script answers.
class StandinWebSocketServer : public QObject {
    Q_OBJECT
public:
    struct Frame {
        bool binary = false;
        QByteArray data; // UTF-8 text for text frames
        QString text() const { return QString::fromUtf8(data); }
    };
    struct Connection {
        QPointer<QWebSocket> socket;
        QUrl requestUrl;
        QList<Frame> frames;
        bool closed = false;
        int closeCode = -1;
    };
    // Called for every received frame with the index of its connection.
    using FrameHandler = std::function<void(int connection, const Frame &frame)>;

    explicit StandinWebSocketServer(QObject *parent = nullptr);
    ~StandinWebSocketServer() override;
    quint16 start();
    quint16 port() const { return m_port; }
    // ws://127.0.0.1:PORT + path
    QUrl url(const QString &path = QStringLiteral("/ws")) const;

    void setFrameHandler(FrameHandler handler) { m_handler = std::move(handler); }
    // Refuse the next handshakes (connection failure tests).
    void setRefuseConnections(bool refuse) { m_refuse = refuse; }

    int connectionCount() const { return int(m_connections.size()); }
    const Connection &connection(int i) const { return m_connections.at(i); }
    QList<Frame> allFrames() const;
    void sendText(int connection, const QString &text);
    void sendBinary(int connection, const QByteArray &data);
    void close(int connection, QWebSocketProtocol::CloseCode code = QWebSocketProtocol::CloseCodeNormal);
    // Drops the TCP connection without a close handshake.
    void abort(int connection);

Q_SIGNALS:
    void connected(int connection);
    void frameReceived(int connection, const StandinWebSocketServer::Frame &frame);
    void disconnected(int connection);

private:
    QWebSocketServer m_server;
    QList<Connection> m_connections;
    FrameHandler m_handler;
    quint16 m_port = 0;
    bool m_refuse = false;
};
