#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// Sending one request to the integration platform and reading its one reply: the address
// rule, the deadline, the size cap and same-origin redirects.
namespace IntegrationHttp {

// Every request ends within this time, whatever the server does.
constexpr qint64 kTimeoutMs = 60000;

// The address parsed strictly; only https, or plain http to a loopback host (the tests'
// stand-ins), is usable: credentials never travel in clear text.
std::optional<QUrl> usableUrl(const QString &text);
// Percent-encodes everything but the unreserved characters [A-Za-z0-9-._~].
QString encoded(const QString &value);

struct Outcome {
    enum class Kind { Http, Transport, NotHttp };
    Kind kind = Kind::NotHttp;
    int status = 0;        // Http
    QByteArray body;       // Http
    int transportCode = 0; // Transport: a QNetworkReply::NetworkError
    QString error;         // Transport: the network layer's text
};

struct Request {
    QByteArray method;
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers; // sent in this order
    std::optional<QByteArray> body;
    qint64 maxReplyBytes = 4 * 1024 * 1024;
};

// done runs on the context's thread, once, never after the context is gone.
void send(QNetworkAccessManager &network, const Request &request, QObject *context,
          std::function<void(const Outcome &)> done);

// The body as text when it is valid UTF-8.
std::optional<QString> utf8Text(const QByteArray &body);

} // namespace IntegrationHttp
