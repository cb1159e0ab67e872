#include "integrations/PipedreamConnectService.h"

#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/UrlOpener.h"
#include "account/Auth0Manager.h"
#include "integrations/ConnectTokenResponse.h"
#include "integrations/TokenResponse.h"
#include "model/StrictJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <cmath>

namespace {
using Http = IntegrationHttp::Outcome;

// A token lifetime beyond a year is not believed (and would overflow the date arithmetic).
constexpr qint64 kMaxTokenLifetimeSeconds = 366LL * 24 * 3600;
constexpr qint64 kDefaultTokenLifetimeSeconds = 3600;
constexpr int kMaxLoggedChars = 2000;

template <typename T>
IntegrationResult<T> connectFailure(PipedreamConnectError error)
{
    return IntegrationResult<T>::failed(IntegrationFailure::connect(error));
}

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

// The entries of a listing's "data" when the body is an object whose "data" is a list of
// objects; anything else has no entries to offer.
std::optional<QJsonArray> accountEntries(const QByteArray &body)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonValue data = doc.object().value(QStringLiteral("data"));
    if (!data.isArray())
        return std::nullopt;
    const QJsonArray entries = data.toArray();
    for (const QJsonValue &entry : entries)
        if (!entry.isObject())
            return std::nullopt;
    return entries;
}

QString valueText(const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Null: return QStringLiteral("<null>");
    case QJsonValue::Bool: return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: return QString::number(v.toDouble(), 'g', 17);
    case QJsonValue::String: return v.toString();
    case QJsonValue::Array: return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object: return QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Undefined: break;
    }
    return {};
}

// One line per member of an account that did not decode, so the mismatch can be seen.
void logMembers(const QJsonObject &entry)
{
    for (auto it = entry.begin(); it != entry.end(); ++it)
        Log::line(QStringLiteral("  - ") + it.key() + QStringLiteral(": ") + Log::truncated(valueText(it.value()), 200));
}

void logErrorBody(const QString &prefix, const QByteArray &body)
{
    if (const auto text = IntegrationHttp::utf8Text(body))
        Log::line(prefix + Log::truncated(*text, kMaxLoggedChars));
}

std::optional<ConnectedAccount> decodeEntry(const QJsonObject &entry)
{
    try {
        return ConnectedAccount::fromJson(entry);
    } catch (const StrictJson::Error &) {
        logMembers(entry);
        return std::nullopt;
    }
}

// total_count counts only as a JSON integer above zero (not a text, not a Boolean).
bool hasConnectedAccounts(const QByteArray &body)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonValue pageInfo = doc.object().value(QStringLiteral("page_info"));
    if (!pageInfo.isObject())
        return false;
    const QJsonValue total = pageInfo.toObject().value(QStringLiteral("total_count"));
    if (!total.isDouble())
        return false;
    const double value = total.toDouble();
    return value == std::floor(value) && value > 0;
}
}

PipedreamConnectService &PipedreamConnectService::shared()
{
    static PipedreamConnectService *service = new PipedreamConnectService(PipedreamConfig::load(), [] {
        const std::optional<UserInfo> profile = Auth0Manager::shared().userProfile();
        return profile ? profile->id : QString();
    });
    return *service;
}

PipedreamConnectService::PipedreamConnectService(const PipedreamConfig &config, UserIdProvider externalUserId, QObject *parent)
    : QObject(parent)
    , m_config(config.normalized())
    , m_externalUserId(std::move(externalUserId))
    , m_network(new QNetworkAccessManager(this))
{
}

PipedreamConnectService::~PipedreamConnectService() = default;

bool PipedreamConnectService::isConfigured() const
{
    return !m_config.clientId.isEmpty() && !m_config.clientSecret.isEmpty() && !m_config.projectId.isEmpty()
        && IntegrationHttp::usableUrl(m_config.apiBaseURL()) && IntegrationHttp::usableUrl(m_config.connectPageHost);
}

QString PipedreamConnectService::externalUserId() const
{
    return m_externalUserId ? m_externalUserId() : QString();
}

QString PipedreamConnectService::storedExternalUserId() const
{
    return Settings::instance().stringValue(QString::fromLatin1(storedExternalUserIdKey));
}

void PipedreamConnectService::setStoredExternalUserId(const QString &value)
{
    Settings::instance().setValue(QString::fromLatin1(storedExternalUserIdKey), value);
}

void PipedreamConnectService::clearToken()
{
    const bool had = m_accessToken.has_value();
    m_accessToken.reset();
    m_tokenExpirationDate.reset();
    if (had)
        Q_EMIT accessTokenChanged();
}

void PipedreamConnectService::setToken(const QString &token, const QDateTime &expiry)
{
    m_accessToken = token;
    m_tokenExpirationDate = expiry;
    Q_EMIT accessTokenChanged();
}

void PipedreamConnectService::setErrorMessage(const QString &text)
{
    m_errorMessage = text;
    Q_EMIT errorMessageChanged();
}

void PipedreamConnectService::getAccessToken(QObject *context, Callback<QString> done)
{
    obtainToken(deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::obtainToken(Callback<QString> done)
{
    const QDateTime now = Scheduler::instance().now();
    if (m_accessToken && m_tokenExpirationDate
        && now.addMSecs(qint64(tokenExpirationBuffer * 1000)) < *m_tokenExpirationDate) {
        done(IntegrationResult<QString>::success(*m_accessToken));
        return;
    }
    // Emptied before anything is sent, so that a failed request leaves no token behind.
    clearToken();

    const auto url = IntegrationHttp::usableUrl(m_config.apiBaseURL() + QStringLiteral("/oauth/token"));
    if (!url) {
        done(connectFailure<QString>(PipedreamConnectError::authenticationFailed));
        return;
    }
    IntegrationHttp::Request request;
    request.method = "POST";
    request.url = *url;
    request.headers = {{"Content-Type", "application/json"}};
    request.body = QJsonDocument(QJsonObject{{QStringLiteral("grant_type"), QStringLiteral("client_credentials")},
                                             {QStringLiteral("client_id"), m_config.clientId},
                                             {QStringLiteral("client_secret"), m_config.clientSecret}})
                       .toJson(QJsonDocument::Compact);
    request.maxReplyBytes = kMaxReplyBytes;
    IntegrationHttp::send(*m_network, request, this, [this, done](const Http &outcome) {
        if (outcome.kind == Http::Kind::Transport) {
            done(IntegrationResult<QString>::failed(IntegrationFailure::transport(outcome.transportCode, outcome.error)));
            return;
        }
        if (outcome.kind == Http::Kind::NotHttp || !isSuccess(outcome.status)) {
            done(connectFailure<QString>(PipedreamConnectError::authenticationFailed));
            return;
        }
        QString error;
        const auto token = TokenResponse::decode(outcome.body, &error);
        if (!token) {
            done(IntegrationResult<QString>::failed(IntegrationFailure::decoding(error)));
            return;
        }
        const qint64 lifetime = qMin(token->expiresIn.value_or(kDefaultTokenLifetimeSeconds), kMaxTokenLifetimeSeconds);
        setToken(token->accessToken, Scheduler::instance().now().addSecs(lifetime));
        done(IntegrationResult<QString>::success(token->accessToken));
    });
}

void PipedreamConnectService::send(const Call &call, Callback<Reply> done)
{
    obtainToken([this, call, done](const IntegrationResult<QString> &token) {
        if (!token.ok()) {
            done(IntegrationResult<Reply>::failed(*token.failure));
            return;
        }
        QString address = m_config.apiBaseURL() + QStringLiteral("/connect/") + IntegrationHttp::encoded(m_config.projectId) + call.path;
        if (!call.query.isEmpty())
            address += u'?' + call.query;
        const auto url = IntegrationHttp::usableUrl(address);
        if (!url) {
            done(connectFailure<Reply>(PipedreamConnectError::invalidResponse));
            return;
        }
        IntegrationHttp::Request request;
        request.method = call.method;
        request.url = *url;
        if (call.body) {
            request.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
            request.body = QJsonDocument(*call.body).toJson(QJsonDocument::Compact);
        }
        request.headers.append(qMakePair(QByteArray("Authorization"), "Bearer " + token.value->toUtf8()));
        request.headers.append(qMakePair(QByteArray("X-PD-Environment"), m_config.environment.toUtf8()));
        request.maxReplyBytes = kMaxReplyBytes;
        IntegrationHttp::send(*m_network, request, this, [done](const Http &outcome) {
            switch (outcome.kind) {
            case Http::Kind::Transport:
                done(IntegrationResult<Reply>::failed(IntegrationFailure::transport(outcome.transportCode, outcome.error)));
                return;
            case Http::Kind::NotHttp:
                done(IntegrationResult<Reply>::success(Reply{0, {}}));
                return;
            case Http::Kind::Http:
                done(IntegrationResult<Reply>::success(Reply{outcome.status, outcome.body}));
                return;
            }
        });
    });
}

QString PipedreamConnectService::accountsQuery(const std::optional<QString> &appSlug) const
{
    QString query = QStringLiteral("external_user_id=") + IntegrationHttp::encoded(externalUserId());
    if (appSlug)
        query += QStringLiteral("&app=") + IntegrationHttp::encoded(*appSlug);
    return query;
}

void PipedreamConnectService::createConnectToken(const QString &appSlug, QObject *context, Callback<QString> done, bool isRetry)
{
    connectToken(appSlug, isRetry, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::connectToken(const QString &appSlug, bool isRetry, Callback<QString> done)
{
    const Call call{"POST", QStringLiteral("/tokens"), {},
                    QJsonObject{{QStringLiteral("external_user_id"), externalUserId()}, {QStringLiteral("app"), appSlug}}};
    send(call, [this, appSlug, isRetry, done](const IntegrationResult<Reply> &r) {
        if (!r.ok())
            return done(IntegrationResult<QString>::failed(*r.failure));
        const Reply &reply = *r.value;
        if (reply.status == 0)
            return done(connectFailure<QString>(PipedreamConnectError::invalidResponse));
        if (isSuccess(reply.status)) {
            QString error;
            const auto token = ConnectTokenResponse::decode(reply.body, &error);
            if (!token)
                return done(IntegrationResult<QString>::failed(IntegrationFailure::decoding(error)));
            return done(IntegrationResult<QString>::success(token->token));
        }
        if (reply.status == 401 && !isRetry) {
            clearToken();
            return connectToken(appSlug, true, done);
        }
        done(connectFailure<QString>(PipedreamConnectError::tokenGenerationFailed));
    });
}

std::optional<QString> PipedreamConnectService::connectLink(const QString &connectToken, const QString &appSlug) const
{
    const QString text = m_config.connectPageHost + QStringLiteral("/_static/connect.html?token=") + IntegrationHttp::encoded(connectToken)
        + QStringLiteral("&connectLink=true&app=") + IntegrationHttp::encoded(appSlug);
    if (!IntegrationHttp::usableUrl(text))
        return std::nullopt;
    return text;
}

void PipedreamConnectService::generateConnectLink(const QString &appSlug, QObject *context, Callback<QString> done)
{
    link(appSlug, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::link(const QString &appSlug, Callback<QString> done)
{
    connectToken(appSlug, false, [this, appSlug, done](const IntegrationResult<QString> &token) {
        if (!token.ok())
            return done(token);
        const auto text = connectLink(*token.value, appSlug);
        if (!text)
            return done(connectFailure<QString>(PipedreamConnectError::invalidResponse));
        done(IntegrationResult<QString>::success(*text));
    });
}

void PipedreamConnectService::openConnectLink(const QString &appSlug, QObject *context, std::function<void(bool)> done)
{
    QPointer<QObject> guard(context ? context : this);
    // Answered on a later turn, like every other operation, even when it fails at once.
    auto report = [guard, done](bool opened) {
        if (!guard || !done)
            return;
        QMetaObject::invokeMethod(guard.data(), [guard, done, opened] {
            if (guard)
                done(opened);
        }, Qt::QueuedConnection);
    };
    link(appSlug, [this, report](const IntegrationResult<QString> &r) {
        if (!r.ok()) {
            setErrorMessage(QStringLiteral("Failed to generate connect link: ") + r.failure->localizedDescription());
            return report(false);
        }
        const QUrl url(*r.value, QUrl::StrictMode);
        if (!url.isValid())
            return report(false);
        // A browser that did not take the page is asked once more, as the desktop may have
        // been busy starting it.
        bool opened = UrlOpener::open(url);
        if (!opened)
            opened = UrlOpener::open(url);
        report(opened);
    });
}

void PipedreamConnectService::checkConnectionStatus(const QString &appSlug, QObject *context, Callback<bool> done, bool isRetry)
{
    connectionStatus(appSlug, isRetry, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::connectionStatus(const QString &appSlug, bool isRetry, Callback<bool> done)
{
    send(Call{"GET", QStringLiteral("/accounts"), accountsQuery(appSlug), std::nullopt},
         [this, appSlug, isRetry, done](const IntegrationResult<Reply> &r) {
             if (!r.ok())
                 return done(IntegrationResult<bool>::failed(*r.failure));
             const Reply &reply = *r.value;
             if (reply.status == 0)
                 return done(connectFailure<bool>(PipedreamConnectError::invalidResponse));
             if (reply.status == 200)
                 return done(IntegrationResult<bool>::success(hasConnectedAccounts(reply.body)));
             if (reply.status == 404)
                 return done(IntegrationResult<bool>::success(false));
             if (reply.status == 401 && !isRetry) {
                 clearToken();
                 return connectionStatus(appSlug, true, done);
             }
             done(connectFailure<bool>(PipedreamConnectError::connectionCheckFailed));
         });
}

void PipedreamConnectService::getConnectedAccount(const QString &appSlug, QObject *context,
                                                  Callback<std::optional<ConnectedAccount>> done, bool isRetry)
{
    connectedAccount(appSlug, isRetry, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::connectedAccount(const QString &appSlug, bool isRetry, Callback<std::optional<ConnectedAccount>> done)
{
    using Result = IntegrationResult<std::optional<ConnectedAccount>>;
    send(Call{"GET", QStringLiteral("/accounts"), accountsQuery(appSlug), std::nullopt},
         [this, appSlug, isRetry, done](const IntegrationResult<Reply> &r) {
             if (!r.ok())
                 return done(Result::failed(*r.failure));
             const Reply &reply = *r.value;
             if (reply.status == 0)
                 return done(connectFailure<std::optional<ConnectedAccount>>(PipedreamConnectError::invalidResponse));
             if (reply.status == 200) {
                 const auto entries = accountEntries(reply.body);
                 if (!entries)
                     return done(Result::success(std::nullopt));
                 Log::line(QStringLiteral("✅ Parsed JSON successfully, found %1 accounts").arg(entries->size()));
                 if (entries->isEmpty()) {
                     Log::line(QStringLiteral("ℹ️ No accounts found in response"));
                     return done(Result::success(std::nullopt));
                 }
                 const QJsonObject first = entries->first().toObject();
                 Log::line(QStringLiteral("🔍 Raw account JSON structure:"));
                 Log::line(Log::truncated(QString::fromUtf8(QJsonDocument(first).toJson(QJsonDocument::Indented)).trimmed(), kMaxLoggedChars));
                 return done(Result::success(decodeEntry(first)));
             }
             if (reply.status == 404)
                 return done(Result::success(std::nullopt));
             if (reply.status == 401 && !isRetry) {
                 clearToken();
                 return connectedAccount(appSlug, true, done);
             }
             logErrorBody(QStringLiteral("❌ Error response: "), reply.body);
             done(connectFailure<std::optional<ConnectedAccount>>(PipedreamConnectError::connectionCheckFailed));
         });
}

void PipedreamConnectService::getAllConnectedAccounts(QObject *context, Callback<QList<ConnectedAccount>> done, bool isRetry)
{
    allAccounts(isRetry, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::allAccounts(bool isRetry, Callback<QList<ConnectedAccount>> done)
{
    using Result = IntegrationResult<QList<ConnectedAccount>>;
    send(Call{"GET", QStringLiteral("/accounts"), accountsQuery(std::nullopt), std::nullopt},
         [this, isRetry, done](const IntegrationResult<Reply> &r) {
             if (!r.ok())
                 return done(Result::failed(*r.failure));
             const Reply &reply = *r.value;
             if (reply.status == 0)
                 return done(connectFailure<QList<ConnectedAccount>>(PipedreamConnectError::invalidResponse));
             if (reply.status == 200) {
                 QList<ConnectedAccount> accounts;
                 if (const auto entries = accountEntries(reply.body)) {
                     for (const QJsonValue &entry : *entries)
                         if (auto account = decodeEntry(entry.toObject()))
                             accounts.append(*account);
                 }
                 return done(Result::success(accounts));
             }
             if (reply.status == 404)
                 return done(Result::success({}));
             if (reply.status == 401 && !isRetry) {
                 clearToken();
                 return allAccounts(true, done);
             }
             logErrorBody(QStringLiteral("❌ Get all accounts error response: "), reply.body);
             done(connectFailure<QList<ConnectedAccount>>(PipedreamConnectError::connectionCheckFailed));
         });
}

void PipedreamConnectService::deleteConnectedAccount(const QString &accountId, QObject *context, Callback<bool> done, bool isRetry)
{
    deleteAccount(accountId, isRetry, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamConnectService::deleteAccount(const QString &accountId, bool isRetry, Callback<bool> done)
{
    // An id that names no single account (nothing, or a dot segment that would climb the
    // path) forms no deletion address.
    if (accountId.isEmpty() || accountId == QLatin1String(".") || accountId == QLatin1String("..")) {
        Log::line(QStringLiteral("❌ Invalid account id for delete"));
        done(connectFailure<bool>(PipedreamConnectError::invalidResponse));
        return;
    }
    send(Call{"DELETE", QStringLiteral("/accounts/") + IntegrationHttp::encoded(accountId), {}, std::nullopt},
         [this, accountId, isRetry, done](const IntegrationResult<Reply> &r) {
             if (!r.ok())
                 return done(IntegrationResult<bool>::failed(*r.failure));
             const Reply &reply = *r.value;
             if (reply.status == 0) {
                 Log::line(QStringLiteral("❌ Invalid HTTP response for delete"));
                 return done(connectFailure<bool>(PipedreamConnectError::invalidResponse));
             }
             if (reply.status == 200 || reply.status == 204)
                 return done(IntegrationResult<bool>::success(true));
             if (reply.status == 404)
                 return done(IntegrationResult<bool>::success(false));
             if (reply.status == 401 && !isRetry) {
                 clearToken();
                 return deleteAccount(accountId, true, done);
             }
             logErrorBody(QStringLiteral("❌ Delete error response: "), reply.body);
             done(connectFailure<bool>(PipedreamConnectError::accountDeletionFailed));
         });
}
