#pragma once
#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QUrl>
#include <functional>

// An HTTP server on 127.0.0.1 (random port) that records every request and answers from a
// script the test sets. Stand-ins of the outside services are built on it.
class StandinHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    struct Request {
        QByteArray method; // "GET", "POST", ...
        QString path;
        QUrl url;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray &name) const;
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        QList<QPair<QByteArray, QByteArray>> headers;
        int delayMs = 0;      // answer later
        bool noReply = false; // never answer (time-out tests)
    };
    using Handler = std::function<Reply(const Request &)>;

    explicit StandinHttpServer(QObject *parent = nullptr);
    // Answers the port, 0 on failure.
    quint16 start();
    quint16 port() const { return m_port; }
    QUrl baseUrl() const;

    // Handler for one method and exact path; a "*" method matches any.
    void on(const QByteArray &method, const QString &path, Handler handler);
    void on(const QByteArray &method, const QString &path, const Reply &reply);
    // Answers requests no route matches (404 with an empty body when unset).
    void setFallback(Handler handler) { m_fallback = std::move(handler); }

    const QList<Request> &requests() const { return m_requests; }
    QList<Request> requestsTo(const QString &path) const;
    void clearRequests() { m_requests.clear(); }

Q_SIGNALS:
    void requestReceived(const StandinHttpServer::Request &request);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    QHash<QString, Handler> m_routes; // "METHOD path"
    Handler m_fallback;
    QList<Request> m_requests;
    quint16 m_port = 0;
};
