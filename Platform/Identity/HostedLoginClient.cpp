#include "Platform/Identity/HostedLoginClient.h"
#include "Platform/Identity/LoopbackListener.h"
#include "Platform/Identity/Pkce.h"
#include "Platform/OutsideAddress.h"
#include "Platform/Scheduler.h"
#include "Platform/UrlOpener.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrlQuery>
#include <memory>

namespace {
constexpr int kTokenTimeoutMs = 60000;
constexpr qint64 kMaxTokenReplyBytes = 1024 * 1024;

IdentityError webAuthError(const QString &code, const QString &description)
{
    return {QStringLiteral("WebAuthError"), code, description};
}
IdentityError authenticationError(const QString &code, const QString &description)
{
    return {QStringLiteral("AuthenticationError"), code, description};
}

// The service's own error text of a failed token request.
IdentityError tokenError(int status, const QByteArray &body, const QString &transportError)
{
    if (status == 0)
        return authenticationError(QStringLiteral("networkError"), transportError);
    const QJsonObject o = QJsonDocument::fromJson(body).object();
    const QString code = o.value(QStringLiteral("error")).toString(QStringLiteral("httpStatus%1").arg(status));
    const QString description = o.value(QStringLiteral("error_description")).toString();
    return authenticationError(code, description.isEmpty() ? QStringLiteral("The token request failed with status %1").arg(status)
                                                           : description);
}

// One browser round trip: the listener, the time limit and the single answer.
struct BrowserRoundTrip : QObject {
    LoopbackListener listener;
    Scheduler::TimerId timer = 0;
    explicit BrowserRoundTrip(const QString &path, QObject *parent)
        : QObject(parent)
        , listener(path)
    {
    }
    ~BrowserRoundTrip() override
    {
        if (timer)
            Scheduler::instance().cancel(timer);
    }
};
}

HostedLoginClient::HostedLoginClient(const QString &clientId, const QString &domain, QObject *parent)
    : QObject(parent)
    , m_clientId(clientId)
    , m_domainUrl(domainUrl(domain))
    , m_network(new QNetworkAccessManager(this))
{
}

HostedLoginClient::~HostedLoginClient() = default;

QUrl HostedLoginClient::domainUrl(const QString &domain)
{
    QString text = domain.trimmed();
    if (text.isEmpty())
        return {};
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    while (text.endsWith(u'/'))
        text.chop(1);
    const QUrl url(text, QUrl::StrictMode);
    if (!OutsideAddress::check(url, QStringLiteral("identity service")))
        return {};
    return url;
}

void HostedLoginClient::setTimeLimits(qint64 loginMs, qint64 logoutMs)
{
    m_loginLimitMs = loginMs;
    m_logoutLimitMs = logoutMs;
}

QUrl HostedLoginClient::authorizeUrl(const WebLoginOptions &options, const QString &redirectUri, const QString &state,
                                     const QString &codeChallenge) const
{
    QUrl url = m_domainUrl;
    url.setPath(m_domainUrl.path() + QStringLiteral("/authorize"));
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    q.addQueryItem(QStringLiteral("client_id"), m_clientId);
    q.addQueryItem(QStringLiteral("redirect_uri"), redirectUri);
    q.addQueryItem(QStringLiteral("scope"), options.scope);
    if (!options.audience.isEmpty())
        q.addQueryItem(QStringLiteral("audience"), options.audience);
    if (!options.connection.isEmpty())
        q.addQueryItem(QStringLiteral("connection"), options.connection);
    q.addQueryItem(QStringLiteral("state"), state);
    q.addQueryItem(QStringLiteral("code_challenge"), codeChallenge);
    q.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    url.setQuery(q.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

void HostedLoginClient::startWebLogin(const WebLoginOptions &options, QObject *context,
                                      std::function<void(const CredentialsResult &)> done)
{
    QPointer<QObject> caller(context);
    auto answer = std::make_shared<std::function<void(const CredentialsResult &)>>(
        [caller, done](const CredentialsResult &r) {
            if (caller)
                done(r);
        });
    auto failLater = [this, answer](const IdentityError &e) {
        QMetaObject::invokeMethod(this, [answer, e] { (*answer)({std::nullopt, e}); }, Qt::QueuedConnection);
    };
    if (!isConfigured())
        return failLater(webAuthError(QStringLiteral("notConfigured"), QStringLiteral("The identity service is not configured")));

    auto *trip = new BrowserRoundTrip(QStringLiteral("/callback"), this);
    if (!trip->listener.listen()) {
        delete trip;
        return failLater(webAuthError(QStringLiteral("listenerFailed"), QStringLiteral("No local port for the login answer")));
    }
    const QString verifier = Pkce::makeVerifier();
    const QString state = Pkce::makeState();
    const QString redirectUri = trip->listener.redirectUri();
    QPointer<BrowserRoundTrip> tripGuard(trip);
    // A forged answer is refused and the wait goes on; only the time limit ends it.
    trip->listener.setExpectedState(state);
    auto refusals = std::make_shared<int>(0);
    connect(&trip->listener, &LoopbackListener::refused, trip, [refusals] { ++*refusals; });

    trip->timer = Scheduler::instance().singleShot(m_loginLimitMs, trip, [trip, answer, refusals] {
        trip->timer = 0;
        trip->deleteLater();
        if (*refusals > 0)
            return (*answer)({std::nullopt, webAuthError(QStringLiteral("stateMismatch"),
                                                         QStringLiteral("The login answer does not belong to this login and was refused"))});
        (*answer)({std::nullopt, webAuthError(QStringLiteral("timedOut"), QStringLiteral("The login was not finished in time"))});
    });
    connect(&trip->listener, &LoopbackListener::received, trip, [this, trip, answer, state, verifier, redirectUri](const QUrlQuery &query) {
        trip->deleteLater();
        if (trip->timer) {
            Scheduler::instance().cancel(trip->timer);
            trip->timer = 0;
        }
        if (query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded) != state)
            return (*answer)({std::nullopt, webAuthError(QStringLiteral("stateMismatch"),
                                                         QStringLiteral("The login answer does not belong to this login and was refused"))});
        if (query.hasQueryItem(QStringLiteral("error"))) {
            const QString code = query.queryItemValue(QStringLiteral("error"), QUrl::FullyDecoded);
            const QString text = query.queryItemValue(QStringLiteral("error_description"), QUrl::FullyDecoded);
            return (*answer)({std::nullopt, webAuthError(code == QLatin1String("access_denied") ? QStringLiteral("userCancelled") : code,
                                                         text.isEmpty() ? code : text)});
        }
        const QString code = query.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
        if (code.isEmpty())
            return (*answer)({std::nullopt, webAuthError(QStringLiteral("noAuthorizationCode"), QStringLiteral("The login answer has no code"))});
        exchangeCode(code, verifier, redirectUri, this, [answer](const CredentialsResult &r) { (*answer)(r); });
    });

    const QUrl url = authorizeUrl(options, redirectUri, state, Pkce::challenge(verifier));
    if (!UrlOpener::open(url)) {
        delete trip;
        return failLater(webAuthError(QStringLiteral("browserUnavailable"), QStringLiteral("The browser could not be opened")));
    }
}

void HostedLoginClient::exchangeCode(const QString &code, const QString &verifier, const QString &redirectUri, QObject *context,
                                     std::function<void(const CredentialsResult &)> done)
{
    postToken({{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
               {QStringLiteral("client_id"), m_clientId},
               {QStringLiteral("code"), code},
               {QStringLiteral("code_verifier"), verifier},
               {QStringLiteral("redirect_uri"), redirectUri}},
              context, [done](int status, const QByteArray &body, const QString &transportError) {
                  if (status != 200)
                      return done({std::nullopt, tokenError(status, body, transportError)});
                  QString error;
                  const auto credentials = Credentials::fromTokenReply(body, Scheduler::instance().now(), &error);
                  if (!credentials)
                      return done({std::nullopt, authenticationError(QStringLiteral("invalidTokenReply"), error)});
                  done({credentials, std::nullopt});
              });
}

void HostedLoginClient::renew(const Credentials &current, QObject *context, std::function<void(const CredentialsResult &)> done)
{
    if (!current.refreshToken || !isConfigured()) {
        QPointer<QObject> caller(context);
        QMetaObject::invokeMethod(this, [caller, done, configured = isConfigured()] {
            if (caller)
                done({std::nullopt, configured ? authenticationError(QStringLiteral("noRefreshToken"), QStringLiteral("There is no refresh token"))
                                               : webAuthError(QStringLiteral("notConfigured"), QStringLiteral("The identity service is not configured"))});
        }, Qt::QueuedConnection);
        return;
    }
    postToken({{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
               {QStringLiteral("client_id"), m_clientId},
               {QStringLiteral("refresh_token"), *current.refreshToken}},
              context, [done, current](int status, const QByteArray &body, const QString &transportError) {
                  if (status != 200)
                      return done({std::nullopt, tokenError(status, body, transportError)});
                  const QJsonObject o = QJsonDocument::fromJson(body).object();
                  if (!o.value(QStringLiteral("access_token")).isString())
                      return done({std::nullopt, authenticationError(QStringLiteral("invalidTokenReply"),
                                                                     QStringLiteral("The token reply has no access token"))});
                  Credentials renewed = current;
                  renewed.accessToken = o.value(QStringLiteral("access_token")).toString();
                  renewed.idToken = o.value(QStringLiteral("id_token")).toString(current.idToken);
                  renewed.refreshToken = o.value(QStringLiteral("refresh_token")).toString(*current.refreshToken);
                  renewed.tokenType = o.value(QStringLiteral("token_type")).toString(current.tokenType);
                  renewed.scope = o.value(QStringLiteral("scope")).toString(current.scope);
                  renewed.expiresAt = Credentials::expiryFrom(Scheduler::instance().now(), o.value(QStringLiteral("expires_in")).toDouble(0));
                  done({renewed, std::nullopt});
              });
}

void HostedLoginClient::postToken(const QList<QPair<QString, QString>> &form, QObject *context,
                                  std::function<void(int, const QByteArray &, const QString &)> done)
{
    QUrl url = m_domainUrl;
    url.setPath(m_domainUrl.path() + QStringLiteral("/oauth/token"));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(kTokenTimeoutMs);
    // The form carries the code, the verifier or the refresh token: same origin only.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    QByteArray body;
    for (const auto &[key, value] : form) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    QNetworkReply *reply = m_network->post(request, body);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxTokenReplyBytes)
            reply->abort();
    });
    // The transfer timeout only bounds a silence; a trickling answer ends here.
    Scheduler::instance().singleShot(kTokenTimeoutMs, reply, [reply] { reply->abort(); });
    QPointer<QObject> caller(context);
    connect(reply, &QNetworkReply::finished, this, [reply, caller, done] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QByteArray body = reply->readAll();
        if (!caller)
            return;
        if (status.isValid() && status.toInt() > 0)
            done(status.toInt(), body, {});
        else
            done(0, {}, reply->errorString());
    });
}

void HostedLoginClient::clearSession(bool federated, QObject *context, std::function<void(const std::optional<IdentityError> &)> done)
{
    QPointer<QObject> caller(context);
    auto answer = std::make_shared<std::function<void(const std::optional<IdentityError> &)>>(
        [caller, done](const std::optional<IdentityError> &e) {
            if (caller)
                done(e);
        });
    auto failLater = [this, answer](const IdentityError &e) {
        QMetaObject::invokeMethod(this, [answer, e] { (*answer)(e); }, Qt::QueuedConnection);
    };
    if (!isConfigured())
        return failLater(webAuthError(QStringLiteral("notConfigured"), QStringLiteral("The identity service is not configured")));
    auto *trip = new BrowserRoundTrip(QStringLiteral("/logout"), this);
    if (!trip->listener.listen()) {
        delete trip;
        return failLater(webAuthError(QStringLiteral("listenerFailed"), QStringLiteral("No local port for the logout answer")));
    }
    trip->timer = Scheduler::instance().singleShot(m_logoutLimitMs, trip, [trip, answer] {
        trip->timer = 0;
        trip->deleteLater();
        (*answer)(webAuthError(QStringLiteral("timedOut"), QStringLiteral("The logout was not finished in time")));
    });
    connect(&trip->listener, &LoopbackListener::received, trip, [trip, answer](const QUrlQuery &) {
        if (trip->timer) {
            Scheduler::instance().cancel(trip->timer);
            trip->timer = 0;
        }
        trip->deleteLater();
        (*answer)(std::nullopt);
    });
    QUrl url = m_domainUrl;
    url.setPath(m_domainUrl.path() + QStringLiteral("/v2/logout"));
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("client_id"), m_clientId);
    q.addQueryItem(QStringLiteral("returnTo"), trip->listener.redirectUri());
    if (federated)
        q.addQueryItem(QStringLiteral("federated"), QString());
    url.setQuery(q);
    if (!UrlOpener::open(url)) {
        delete trip;
        return failLater(webAuthError(QStringLiteral("browserUnavailable"), QStringLiteral("The browser could not be opened")));
    }
}
