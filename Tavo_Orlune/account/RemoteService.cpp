#include "account/RemoteService.h"
#include "account/AccountHttp.h"
#include "Platform/Log.h"
#include "analytics/AnalyticsService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QStringDecoder>
#include <QThread>

using AccountHttp::Outcome;

namespace {
// The whole exchange may take at most this long, however slowly the reply trickles in.
constexpr qint64 kResourceTimeoutMs = 300000;
const QString kContext = QStringLiteral("RemoteService");

void report(const RemoteError &error, const QVariantMap &properties)
{
    AnalyticsService::shared().trackError(error, kContext, properties);
}

template <typename T>
RemoteResult<T> failure(const RemoteError &error)
{
    return {std::nullopt, error};
}

// Any JSON text: an object, an array or a bare value.
std::optional<QJsonValue> parseAnyJson(const QByteArray &body, QString *error)
{
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error == QJsonParseError::NoError)
        return doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
    // A bare value (true, "text", 3) is JSON too; the document type cannot hold one alone.
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']');
    if (wrapped.isArray() && wrapped.array().size() == 1)
        return wrapped.array().first();
    if (error)
        *error = QStringLiteral("The reply is not valid JSON: ") + parseError.errorString();
    return std::nullopt;
}

// The server's "detail" text of a 400 or 409 reply, or the fallback.
QString detailOf(const QByteArray &body, const QString &fallback)
{
    QJsonObject object;
    if (AccountHttp::parseObject(body, object, nullptr)) {
        const QJsonValue detail = object.value(QStringLiteral("detail"));
        if (detail.isString())
            return detail.toString();
    }
    return fallback;
}

std::optional<QString> utf8Text(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
}

RemoteService &RemoteService::shared()
{
    // Lives to the end of the process; calls may still be answered while the application quits.
    static RemoteService *instance = new RemoteService(AccountHttp::configuredBaseURL());
    return *instance;
}

RemoteService::RemoteService(const QString &baseURL, QObject *parent)
    : QObject(parent)
    , m_baseURL(baseURL)
    , m_network(new QNetworkAccessManager(this))
{
}

std::optional<AuthUserResponse> RemoteService::decodeAuthUser(const QByteArray &body, QString *error)
{
    QJsonObject o;
    AuthUserResponse r;
    if (!AccountHttp::parseObject(body, o, error) || !AccountHttp::readString(o, QStringLiteral("id"), r.id, error)
        || !AccountHttp::readString(o, QStringLiteral("email"), r.email, error)
        || !AccountHttp::readBool(o, QStringLiteral("is_active"), r.is_active, error))
        return std::nullopt;
    return r;
}

std::optional<UserResponse> RemoteService::decodeUserResponse(const QByteArray &body, QString *error)
{
    QJsonObject o;
    UserResponse r;
    using namespace AccountHttp;
    if (!parseObject(body, o, error) || !readString(o, QStringLiteral("id"), r.id, error)
        || !readString(o, QStringLiteral("email"), r.email, error)
        || !readString(o, QStringLiteral("first_name"), r.first_name, error)
        || !readString(o, QStringLiteral("last_name"), r.last_name, error)
        || !readString(o, QStringLiteral("company_name"), r.company_name, error)
        || !readString(o, QStringLiteral("linkedin"), r.linkedin, error)
        || !readOptionalString(o, QStringLiteral("twitter"), r.twitter, error)
        || !readBool(o, QStringLiteral("is_active"), r.is_active, error))
        return std::nullopt;
    return r;
}

void RemoteService::validateInvitationCode(const QString &code, QObject *context, Callback<bool> done)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [=, this] { validateInvitationCode(code, context, done); });
        return;
    }
    const auto url = AccountHttp::endpoint(m_baseURL, QStringLiteral("/api/auth/invitation/validate"));
    if (!url) {
        AccountHttp::later(context, [done] { done(failure<bool>(RemoteError::invalidResponse())); });
        return;
    }
    const AccountHttp::Request request{"POST", *url, std::nullopt, QJsonObject{{QStringLiteral("invitation_code"), code}},
                                       kResourceTimeoutMs};
    AccountHttp::send(*m_network, request, context, [done](const Outcome &o) {
        if (o.kind == Outcome::Kind::NotHttp)
            return done(failure<bool>(RemoteError::invalidResponse()));
        if (o.kind == Outcome::Kind::Transport)
            return done(failure<bool>(RemoteError::networkError(o.error)));
        if (o.status != 200) {
            const RemoteError error = RemoteError::serverError(o.status);
            report(error, {{QStringLiteral("operation"), QStringLiteral("validateInvitationCode")},
                           {QStringLiteral("status_code"), o.status}});
            return done(failure<bool>(error));
        }
        QString parseError;
        const auto json = parseAnyJson(o.body, &parseError);
        if (!json)
            return done(failure<bool>(RemoteError::networkError(parseError)));
        const QJsonValue valid = json->toObject().value(QStringLiteral("is_valid"));
        if (json->isObject() && valid.isBool()) {
            Log::line(QStringLiteral("[RemoteService] Invitation code validation result: ")
                      + (valid.toBool() ? QStringLiteral("true") : QStringLiteral("false")));
            return done({valid.toBool(), std::nullopt});
        }
        Log::line(QStringLiteral("[RemoteService] Invitation code validation successful (no explicit valid field)"));
        done({true, std::nullopt});
    });
}

void RemoteService::createAuthUser(const QString &authId, const QString &email, const QString &accessToken,
                                   const std::optional<QString> &invitationCode, QObject *context,
                                   Callback<AuthUserResponse> done)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [=, this] { createAuthUser(authId, email, accessToken, invitationCode, context, done); });
        return;
    }
    const auto url = AccountHttp::endpoint(m_baseURL, QStringLiteral("/api/auth/create"));
    if (!url) {
        AccountHttp::later(context, [done] { done(failure<AuthUserResponse>(RemoteError::invalidResponse())); });
        return;
    }
    QJsonObject body{{QStringLiteral("auth_id"), authId}, {QStringLiteral("email"), email}};
    if (invitationCode)
        body.insert(QStringLiteral("invitation_code"), *invitationCode);
    const AccountHttp::Request request{"POST", *url, accessToken, body, kResourceTimeoutMs};
    AccountHttp::send(*m_network, request, context, [done](const Outcome &o) {
        using R = AuthUserResponse;
        if (o.kind == Outcome::Kind::NotHttp)
            return done(failure<R>(RemoteError::invalidResponse()));
        if (o.kind == Outcome::Kind::Transport)
            return done(failure<R>(RemoteError::networkError(o.error)));
        const QVariantMap reportBase{{QStringLiteral("operation"), QStringLiteral("createAuthUser")},
                                     {QStringLiteral("status_code"), o.status}};
        switch (o.status) {
        case 200:
        case 201: {
            QString decodeError;
            const auto user = decodeAuthUser(o.body, &decodeError);
            if (!user)
                return done(failure<R>(RemoteError::networkError(decodeError)));
            Log::line(QStringLiteral("[RemoteService] Successfully retrieved/created user"));
            return done({*user, std::nullopt});
        }
        case 400:
        case 409: {
            const QString detail = detailOf(o.body, o.status == 400 ? QStringLiteral("Bad request error without detail")
                                                                    : QStringLiteral("Conflict error without detail"));
            const RemoteError error = o.status == 400 ? RemoteError::badRequest(detail) : RemoteError::conflict(detail);
            QVariantMap properties = reportBase;
            properties.insert(QStringLiteral("server_message"), detail);
            report(error, properties);
            return done(failure<R>(error));
        }
        default: {
            const RemoteError error = RemoteError::serverError(o.status);
            report(error, reportBase);
            return done(failure<R>(error));
        }
        }
    });
}

void RemoteService::updateUserProfile(const QString &authId, const QString &email, const QString &firstName,
                                      const QString &lastName, const QString &companyName, const QString &linkedin,
                                      const QString &twitter, const QString &accessToken, QObject *context,
                                      Callback<UserResponse> done)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [=, this] {
            updateUserProfile(authId, email, firstName, lastName, companyName, linkedin, twitter, accessToken, context, done);
        });
        return;
    }
    const auto url = AccountHttp::endpoint(m_baseURL, QStringLiteral("/api/profile/create"));
    if (!url) {
        AccountHttp::later(context, [done] { done(failure<UserResponse>(RemoteError::invalidResponse())); });
        return;
    }
    const QJsonObject body{{QStringLiteral("auth_id"), authId},         {QStringLiteral("email"), email},
                           {QStringLiteral("first_name"), firstName},   {QStringLiteral("last_name"), lastName},
                           {QStringLiteral("company_name"), companyName}, {QStringLiteral("linkedin"), linkedin},
                           {QStringLiteral("twitter"), twitter}};
    const AccountHttp::Request request{"POST", *url, accessToken, body, kResourceTimeoutMs};
    AccountHttp::send(*m_network, request, context, [done](const Outcome &o) {
        using R = UserResponse;
        // Every failure after the request went out passes here and is logged once more.
        const auto fail = [&done](const RemoteError &error) {
            if (error.kind() == RemoteError::Kind::networkError)
                Log::line(QStringLiteral("[RemoteService] Network error: ") + error.text());
            else
                Log::line(QStringLiteral("[RemoteService] RemoteError: ") + error.caseText());
            done(failure<R>(error));
        };
        if (o.kind == Outcome::Kind::NotHttp) {
            Log::line(QStringLiteral("[RemoteService] invalidResponse"));
            return fail(RemoteError::invalidResponse());
        }
        if (o.kind == Outcome::Kind::Transport)
            return fail(RemoteError::networkError(o.error));
        const QVariantMap reportBase{{QStringLiteral("operation"), QStringLiteral("updateUserProfile")},
                                     {QStringLiteral("status_code"), o.status}};
        switch (o.status) {
        case 200:
        case 201: {
            QString decodeError;
            const auto user = decodeUserResponse(o.body, &decodeError);
            if (!user)
                return fail(RemoteError::networkError(decodeError));
            Log::line(QStringLiteral("[RemoteService] Successfully updated user profile"));
            return done({*user, std::nullopt});
        }
        case 401:
        case 403: {
            Log::line(o.status == 401 ? QStringLiteral("[RemoteService] Unauthorized error - Access token may be invalid")
                                      : QStringLiteral("[RemoteService] Forbidden error - Access token may be invalid or expired"));
            const RemoteError error = RemoteError::unauthorized();
            report(error, reportBase);
            return fail(error);
        }
        case 400:
        case 409:
            break;
        default:
            if (const auto text = utf8Text(o.body))
                Log::line(QStringLiteral("[RemoteService] Server error: ") + Log::truncated(*text));
            break;
        }
        const RemoteError error = RemoteError::serverError(o.status);
        report(error, reportBase);
        fail(error);
    });
}
