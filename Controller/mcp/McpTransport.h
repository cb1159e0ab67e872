#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// A byte stream that carries newline-delimited JSON-RPC messages. The protocol client
// (McpClient) sees only these signals and send(); a transport over TCP and one over a child
// process's pipes implement it.
class McpTransport : public QObject {
    Q_OBJECT
public:
    // One message may be large (a tool result with images) but never unbounded.
    static constexpr qsizetype kMaxLineBytes = 32 * 1024 * 1024;

    explicit McpTransport(QObject *parent = nullptr) : QObject(parent) {}

    // Starts the transport; ends with opened() or openFailed().
    virtual void open() = 0;
    // Sends one message; the newline is added here.
    virtual void send(const QByteArray &message) = 0;
    // Closes the stream; closed() follows unless it was closed already.
    virtual void close() = 0;
    bool isClosed() const { return m_closed; }

Q_SIGNALS:
    void opened();
    void openFailed(const QString &reason);
    void messageReceived(const QByteArray &line);
    // A message over the cap was dropped; its first and last bytes (up to 512 each) say whose
    // answer it was.
    void messageDropped(const QByteArray &head, const QByteArray &tail);
    // Emitted once, when the stream ends for any reason after it opened.
    void closed(const QString &reason);

protected:
    // Splits incoming bytes into lines; a line over the bound is dropped whole.
    void feed(const QByteArray &bytes);
    void markClosed(const QString &reason);

private:
    QByteArray m_buffer;
    QByteArray m_droppedHead;
    QByteArray m_droppedTail;
    bool m_discarding = false;
    bool m_closed = false;
};
