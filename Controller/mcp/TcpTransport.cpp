#include "Controller/mcp/TcpTransport.h"

#include "Platform/Scheduler.h"

#include <QHostAddress>

TcpTransport::TcpTransport(QString host, quint16 port, int connectTimeoutMs, QObject *parent)
    : McpTransport(parent), m_host(std::move(host)), m_port(port), m_connectTimeoutMs(connectTimeoutMs), m_socket(this)
{
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_opening = false;
        m_open = true;
        Q_EMIT opened();
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] { feed(m_socket.readAll()); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpTransport::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_open) {
            m_open = false;
            markClosed(QStringLiteral("connection closed by the server"));
        }
    });
}

TcpTransport::~TcpTransport()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

void TcpTransport::open()
{
    if (m_open) {
        Scheduler::instance().nextTurn(this, [this] {
            if (m_open)
                Q_EMIT opened();
        });
        return;
    }
    if (m_opening)
        return;
    m_opening = true;
    m_deadline = Scheduler::instance().monotonicMs() + m_connectTimeoutMs;
    attempt();
}

void TcpTransport::attempt()
{
    if (!m_opening)
        return;
    m_socket.abort();
    m_socket.connectToHost(m_host, m_port);
}

void TcpTransport::onError(QAbstractSocket::SocketError error)
{
    if (m_opening) {
        const QString aborted = m_abortCheck ? m_abortCheck() : QString();
        const bool retry = error == QAbstractSocket::ConnectionRefusedError
            || error == QAbstractSocket::SocketTimeoutError || error == QAbstractSocket::NetworkError;
        if (aborted.isEmpty() && retry && Scheduler::instance().monotonicMs() + 200 < m_deadline) {
            Scheduler::instance().singleShot(200, this, [this] { attempt(); });
            return;
        }
        m_opening = false;
        m_socket.abort();
        if (!aborted.isEmpty())
            Q_EMIT openFailed(aborted);
        else if (retry)
            Q_EMIT openFailed(QStringLiteral("nothing answered on %1:%2 within %3 s")
                                  .arg(m_host).arg(m_port).arg(m_connectTimeoutMs / 1000));
        else
            Q_EMIT openFailed(m_socket.errorString());
        return;
    }
    if (m_open) {
        m_open = false;
        markClosed(m_socket.errorString());
    }
}

void TcpTransport::send(const QByteArray &message)
{
    if (!m_open)
        return;
    m_socket.write(message);
    m_socket.write("\n", 1);
}

void TcpTransport::close()
{
    m_opening = false;
    if (m_open) {
        m_open = false;
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.abort();
        markClosed(QStringLiteral("connection closed"));
    } else {
        m_socket.abort();
    }
}
