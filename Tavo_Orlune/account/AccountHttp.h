#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// What the account API client and the profile service share: the base address, the bearer
// header, sending one JSON request and reading the one reply, and strict decoding of fields.
namespace AccountHttp {

// The account API's base address: Info.plist "TavoAccountAPIURL", overridden by the
// environment variable TAVO_ACCOUNT_API_URL; trailing slashes removed.
QString configuredBaseURL();
// baseURL followed by path, as plain text. Only https, or plain http to a loopback host (the
// tests' stand-ins), forms a usable address: a bearer token never travels in clear text.
std::optional<QUrl> endpoint(const QString &baseURL, const QString &path);
// "Bearer " + token, with one "Bearer " already in front of the token removed first.
QByteArray bearer(const QString &token);

struct Outcome {
    enum class Kind { Http, Transport, NotHttp };
    Kind kind = Kind::NotHttp;
    int status = 0;      // Http
    QByteArray body;     // Http
    QString error;       // Transport: the transport's own text
};

struct Request {
    QByteArray method;                 // "GET", "POST"
    QUrl url;
    std::optional<QString> token;      // sent as the bearer when present
    std::optional<QJsonObject> body;   // compact JSON
    qint64 totalTimeoutMs = 0;         // a limit on the whole exchange besides the 60 s one
};

// Sends with "Content-Type: application/json" and a 60-second time-out; replies are capped in
// size. done runs on the context's thread, never after the context is gone.
void send(QNetworkAccessManager &network, const Request &request, QObject *context,
          std::function<void(const Outcome &)> done);

// Runs fn on the context's thread on a later turn (for failures found before any request).
void later(QObject *context, std::function<void()> fn);

// Strict field reading: a missing key, a JSON null or another type fails with a text.
bool parseObject(const QByteArray &body, QJsonObject &out, QString *error);
bool readString(const QJsonObject &object, const QString &key, QString &out, QString *error);
bool readBool(const QJsonObject &object, const QString &key, bool &out, QString *error);
// Missing or null leaves out empty; another type fails.
bool readOptionalString(const QJsonObject &object, const QString &key, std::optional<QString> &out, QString *error);

} // namespace AccountHttp
