#include "account/AccountHttp.h"
#include "Platform/AppInfo.h"
#include "Platform/OutsideAddress.h"
#include "Platform/Scheduler.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace AccountHttp {

namespace {
constexpr int kTimeoutMs = 60000;
// Replies of the account API are small JSON objects; anything bigger is not one.
constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;
}

QString configuredBaseURL()
{
    QString base = AppInfo::instance().configured(QStringLiteral("TavoAccountAPIURL"), "TAVO_ACCOUNT_API_URL").trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

std::optional<QUrl> endpoint(const QString &baseURL, const QString &path)
{
    const QUrl url(baseURL + path, QUrl::StrictMode);
    if (!OutsideAddress::check(url, QStringLiteral("account API")))
        return std::nullopt;
    return url;
}

QByteArray bearer(const QString &token)
{
    const QString prefix = QStringLiteral("Bearer ");
    const QString bare = token.startsWith(prefix) ? token.mid(prefix.size()) : token;
    return prefix.toUtf8() + bare.toUtf8();
}

void later(QObject *context, std::function<void()> fn)
{
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

void send(QNetworkAccessManager &network, const Request &request, QObject *context,
          std::function<void(const Outcome &)> done)
{
    QNetworkRequest q(request.url);
    q.setTransferTimeout(kTimeoutMs);
    // The bearer token and the body go to the account API's own origin only.
    q.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    q.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (request.token)
        q.setRawHeader(QByteArrayLiteral("Authorization"), bearer(*request.token));
    const QByteArray body = request.body ? QJsonDocument(*request.body).toJson(QJsonDocument::Compact) : QByteArray();
    QNetworkReply *reply = request.body ? network.sendCustomRequest(q, request.method, body)
                                        : network.sendCustomRequest(q, request.method);

    auto tooBig = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, tooBig](qint64 received, qint64) {
        if (received > kMaxReplyBytes && !*tooBig) {
            *tooBig = true;
            reply->abort();
        }
    });
    Scheduler::TimerId limit = 0;
    if (request.totalTimeoutMs > 0)
        limit = Scheduler::instance().singleShot(request.totalTimeoutMs, reply, [reply] { reply->abort(); });

    QPointer<QObject> guard(context);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, done = std::move(done), tooBig, limit] {
        reply->deleteLater();
        if (limit)
            Scheduler::instance().cancel(limit);
        Outcome outcome;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (*tooBig) {
            outcome.kind = Outcome::Kind::Transport;
            outcome.error = QStringLiteral("The reply is larger than %1 bytes").arg(kMaxReplyBytes);
        } else if (status.isValid() && status.toInt() > 0) {
            outcome.kind = Outcome::Kind::Http;
            outcome.status = status.toInt();
            outcome.body = reply->readAll();
        } else if (reply->error() != QNetworkReply::NoError) {
            outcome.kind = Outcome::Kind::Transport;
            outcome.error = reply->errorString();
        } else {
            outcome.kind = Outcome::Kind::NotHttp;
        }
        if (guard)
            done(outcome);
    });
}

bool parseObject(const QByteArray &body, QJsonObject &out, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("The reply is not valid JSON: ") + parseError.errorString();
        return false;
    }
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("The reply is not a JSON object");
        return false;
    }
    out = doc.object();
    return true;
}

namespace {
bool missing(const QJsonObject &object, const QString &key, QString *error)
{
    if (object.contains(key) && !object.value(key).isNull())
        return false;
    if (error)
        *error = QStringLiteral("The reply lacks the key \"%1\"").arg(key);
    return true;
}
bool wrongType(const QString &key, const char *expected, QString *error)
{
    if (error)
        *error = QStringLiteral("The reply's \"%1\" is not %2").arg(key, QLatin1String(expected));
    return false;
}
}

bool readString(const QJsonObject &object, const QString &key, QString &out, QString *error)
{
    if (missing(object, key, error))
        return false;
    const QJsonValue v = object.value(key);
    if (!v.isString())
        return wrongType(key, "a string", error);
    out = v.toString();
    return true;
}

bool readBool(const QJsonObject &object, const QString &key, bool &out, QString *error)
{
    if (missing(object, key, error))
        return false;
    const QJsonValue v = object.value(key);
    if (!v.isBool())
        return wrongType(key, "a Boolean", error);
    out = v.toBool();
    return true;
}

bool readOptionalString(const QJsonObject &object, const QString &key, std::optional<QString> &out, QString *error)
{
    const QJsonValue v = object.value(key);
    if (v.isUndefined() || v.isNull()) {
        out.reset();
        return true;
    }
    if (!v.isString())
        return wrongType(key, "a string", error);
    out = v.toString();
    return true;
}

} // namespace AccountHttp
