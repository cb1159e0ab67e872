#pragma once
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrlQuery>

class QTcpSocket;

// A one-shot HTTP listener on 127.0.0.1 (a random port, never another interface) that waits
// for the browser to come back to `path` and hands over the query of that one request. Other
// paths are answered 404 and ignored. Requests are read with a size bound.
//
// Any local user can reach a loopback port: with an expected state set, a callback with another
// "state" is answered 400 and the listener keeps waiting, so nobody can end a sign-in by
// guessing the port.
class LoopbackListener : public QObject {
    Q_OBJECT
public:
    explicit LoopbackListener(const QString &path, QObject *parent = nullptr);
    ~LoopbackListener() override;
    // Answers false when no port could be had.
    bool listen();
    quint16 port() const;
    QHostAddress address() const;
    QString redirectUri() const; // http://127.0.0.1:PORT/path
    // The page the browser shows after the callback.
    void setPage(const QByteArray &html) { m_page = html; }
    void setExpectedState(const QString &state) { m_expectedState = state; }
    void close();

Q_SIGNALS:
    void received(const QUrlQuery &query);
    // A callback with the wrong state was refused.
    void refused();

private:
    void onConnection();
    void onReadable(QTcpSocket *socket);

    QString m_path;
    QTcpServer m_server;
    QByteArray m_page;
    QString m_expectedState;
    bool m_done = false;
};
