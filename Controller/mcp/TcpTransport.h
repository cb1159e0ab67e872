#pragma once
#include "Controller/mcp/McpTransport.h"

#include <QTcpSocket>

// MCP over one TCP connection. A server that is still starting refuses connections for a
// while, so open() keeps trying until connectTimeoutMs has passed.
class TcpTransport : public McpTransport {
    Q_OBJECT
public:
    TcpTransport(QString host, quint16 port, int connectTimeoutMs, QObject *parent = nullptr);
    ~TcpTransport() override;

    void open() override;
    void send(const QByteArray &message) override;
    void close() override;

    // Consulted between attempts: a non-empty answer ends the attempts with that reason
    // (the server process has exited, say).
    void setAbortCheck(std::function<QString()> check) { m_abortCheck = std::move(check); }
    // This end of the open connection.
    QHostAddress localAddress() const { return m_socket.localAddress(); }
    quint16 localPort() const { return m_socket.localPort(); }

private:
    void attempt();
    void onError(QAbstractSocket::SocketError error);

    QString m_host;
    quint16 m_port;
    int m_connectTimeoutMs;
    qint64 m_deadline = 0;
    QTcpSocket m_socket;
    bool m_open = false;
    bool m_opening = false;
    std::function<QString()> m_abortCheck;
};
