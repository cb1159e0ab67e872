#include "StandinHttpServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace {
QByteArray methodName(QHttpServerRequest::Method m)
{
    switch (m) {
    case QHttpServerRequest::Method::Get: return "GET";
    case QHttpServerRequest::Method::Put: return "PUT";
    case QHttpServerRequest::Method::Delete: return "DELETE";
    case QHttpServerRequest::Method::Post: return "POST";
    case QHttpServerRequest::Method::Head: return "HEAD";
    case QHttpServerRequest::Method::Options: return "OPTIONS";
    case QHttpServerRequest::Method::Patch: return "PATCH";
    case QHttpServerRequest::Method::Connect: return "CONNECT";
    case QHttpServerRequest::Method::Trace: return "TRACE";
    default: return "UNKNOWN";
    }
}
}

QByteArray StandinHttpServer::Request::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

StandinHttpServer::StandinHttpServer(QObject *parent)
    : QAbstractHttpServer(parent)
{
}

quint16 StandinHttpServer::start()
{
    m_port = listen(QHostAddress::LocalHost, 0);
    return m_port;
}

QUrl StandinHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

void StandinHttpServer::on(const QByteArray &method, const QString &path, Handler handler)
{
    m_routes.insert(QString::fromLatin1(method) + u' ' + path, std::move(handler));
}

void StandinHttpServer::on(const QByteArray &method, const QString &path, const Reply &reply)
{
    on(method, path, [reply](const Request &) { return reply; });
}

QList<StandinHttpServer::Request> StandinHttpServer::requestsTo(const QString &path) const
{
    QList<Request> out;
    for (const auto &r : m_requests)
        if (r.path == path)
            out.append(r);
    return out;
}

bool StandinHttpServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    Request rec;
    rec.method = methodName(request.method());
    rec.url = request.url();
    rec.path = request.url().path();
    rec.headers = request.headers();
    rec.body = request.body();
    m_requests.append(rec);
    Q_EMIT requestReceived(rec);

    Handler handler = m_routes.value(QString::fromLatin1(rec.method) + u' ' + rec.path);
    if (!handler)
        handler = m_routes.value(QStringLiteral("* ") + rec.path);
    Reply reply;
    if (handler)
        reply = handler(rec);
    else if (m_fallback)
        reply = m_fallback(rec);
    else
        reply = Reply{404, {}, "text/plain", {}, 0, false};
    if (reply.noReply)
        return true;

    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    auto send = [responder, reply] {
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!reply.contentType.isEmpty())
            headers.append({QByteArrayLiteral("Content-Type"), reply.contentType});
        headers += reply.headers;
        responder->writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
        responder->writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(reply.body.size()));
        for (const auto &h : headers)
            responder->writeHeader(h.first, h.second);
        responder->writeBody(reply.body);
    };
    if (reply.delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(reply.delayMs, this, [guard, send] {
            if (guard)
                send();
        });
    } else {
        send();
    }
    return true;
}

void StandinHttpServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}
