#include "account/Auth0Manager.h"
#include "Platform/AppInfo.h"
#include "Platform/Identity/CrashReporter.h"
#include "Platform/Identity/CredentialsManager.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "Platform/Identity/JwtPayload.h"
#include "Platform/Identity/KeychainCredentialsStore.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/PlistReader.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"

#include <QPointer>

namespace {
const QString kGoogle = QStringLiteral("google");
}

std::optional<Auth0Config> Auth0Config::load(const QString &resource)
{
    const auto dict = PlistReader::readDictionary(resource);
    if (!dict)
        return std::nullopt;
    const QVariant clientId = dict->value(QStringLiteral("ClientId"));
    const QVariant domain = dict->value(QStringLiteral("Domain"));
    if (clientId.typeId() != QMetaType::QString || domain.typeId() != QMetaType::QString)
        return std::nullopt;
    Auth0Config config;
    config.clientId = clientId.toString();
    config.domain = domain.toString();
    // The deployment (and the tests) fill in the service through the environment.
    if (const QString env = qEnvironmentVariable("TAVO_IDENTITY_CLIENT_ID"); !env.isEmpty())
        config.clientId = env;
    if (const QString env = qEnvironmentVariable("TAVO_IDENTITY_DOMAIN"); !env.isEmpty())
        config.domain = env;
    config.audience = AppInfo::instance().configured(QStringLiteral("TavoIdentityAudience"), "TAVO_IDENTITY_AUDIENCE");
    return config;
}

struct Auth0Manager::Owned {
    std::unique_ptr<HostedLoginClient> client;
    std::unique_ptr<KeychainCredentialsStore> store;
};

Auth0Manager &Auth0Manager::shared()
{
    static Auth0Manager *instance = [] {
        const auto config = Auth0Config::load();
        if (!config)
            qFatal("Auth0.plist not found or invalid");
        auto owned = std::make_unique<Owned>();
        owned->client = std::make_unique<HostedLoginClient>(config->clientId, config->domain);
        const QString bundleId = AppInfo::instance().string(QStringLiteral("CFBundleIdentifier"));
        owned->store = std::make_unique<KeychainCredentialsStore>(bundleId.isEmpty() ? QStringLiteral("com.tavo.orlune") : bundleId);
        return new Auth0Manager(std::move(owned), *config);
    }();
    return *instance;
}

Auth0Manager::Auth0Manager(std::unique_ptr<Owned> owned, const Auth0Config &config)
    : m_clientId(config.clientId)
    , m_domain(config.domain)
    , m_audience(config.audience)
    , m_owned(std::move(owned))
{
    init(m_owned->client.get(), m_owned->store.get());
}

Auth0Manager::Auth0Manager(HostedLoginClient *client, CredentialsStore *store, const QString &audience, QObject *parent)
    : QObject(parent)
    , m_clientId(client->clientId())
    , m_domain(client->domainUrl().toString())
    , m_audience(audience)
{
    init(client, store);
}

Auth0Manager::~Auth0Manager() = default;

void Auth0Manager::init(HostedLoginClient *client, CredentialsStore *store)
{
    m_client = client;
    m_credentialsManager = new CredentialsManager(client, store, QString::fromLatin1(storeKey), this);
    checkStoredCredentials();
}

void Auth0Manager::setAuthenticated(bool value)
{
    m_isAuthenticated = value;
    Q_EMIT isAuthenticatedChanged(value);
}

void Auth0Manager::setCredentials(const std::optional<Credentials> &credentials)
{
    m_credentials = credentials;
    Q_EMIT credentialsChanged();
}

void Auth0Manager::setCheckComplete()
{
    m_isCredentialCheckComplete = true;
    Q_EMIT isCredentialCheckCompleteChanged(true);
}

void Auth0Manager::setLoadingGoogle(bool value)
{
    m_isLoadingGoogle = value;
    Q_EMIT isLoadingGoogleChanged(value);
}

void Auth0Manager::setError(const IdentityError &error)
{
    m_error = error;
    Q_EMIT errorChanged();
}

void Auth0Manager::checkStoredCredentials()
{
    m_credentialsManager->credentials(0, this, [this](const CredentialsResult &result) {
        if (result.ok()) {
            setCredentials(result.credentials);
            if (buildProfile(*result.credentials, true))
                return;
        }
        // Nothing usable stored (or an ID token that cannot be read): signed out.
        setAuthenticated(false);
        setCredentials(std::nullopt);
        setCheckComplete();
    });
}

bool Auth0Manager::buildProfile(const Credentials &credentials, bool startupCheck)
{
    const auto payload = JwtPayload::decode(credentials.idToken);
    if (!payload) {
        Log::line(QStringLiteral("[Auth0Manager] Failed to decode JWT"));
        return false;
    }
    const std::optional<UserInfo> previous = m_userProfile;
    const auto pick = [&](const char *claim, QString UserInfo::*field) {
        if (auto value = payload->claim(QString::fromLatin1(claim)))
            return *value;
        return previous ? (*previous).*field : QString();
    };
    UserInfo info;
    info.id = pick("sub", &UserInfo::id);
    CrashReporter::setUserIdentifier(info.id);
    const QString id = info.id;
    MainQueue::post(this, [id] { AnalyticsService::shared().identifyUser(id); });
    info.email = pick("email", &UserInfo::email);
    info.name = pick("name", &UserInfo::name);
    info.picture = pick("picture", &UserInfo::picture);
    if (info.email.isEmpty())
        Log::line(QStringLiteral("[Auth0Manager] No email found in JWT or previous profile"));
    m_userProfile = info;
    Q_EMIT userProfileChanged();
    setAuthenticated(true);
    if (startupCheck)
        setCheckComplete();
    return true;
}

void Auth0Manager::loginWithGoogle()
{
    MainQueue::post(this, [] { AnalyticsService::shared().trackAuthenticationStarted(kGoogle); });
    setLoadingGoogle(true);
    const qint64 started = Scheduler::instance().monotonicMs();
    const WebLoginOptions options{m_audience, QStringLiteral("google-oauth2"), QStringLiteral("openid profile email")};
    m_client->startWebLogin(options, this, [this, started](const CredentialsResult &result) {
        setLoadingGoogle(false);
        const double duration = (Scheduler::instance().monotonicMs() - started) / 1000.0;
        if (result.ok()) {
            // Kept in memory only: the sign-in state machine stores it once the account is known.
            setCredentials(result.credentials);
            if (buildProfile(*result.credentials, false))
                MainQueue::post(this, [duration] { AnalyticsService::shared().trackAuthenticationSuccess(kGoogle, duration); });
            return;
        }
        const IdentityError error = *result.error;
        Log::line(QStringLiteral("Google login failed: ") + error.description);
        setError(error);
        MainQueue::post(this, [error, duration] {
            AnalyticsService::shared().trackAuthenticationFailure(kGoogle, error.description, duration);
        });
    });
}

void Auth0Manager::getValidAccessToken(QObject *context, Callback done)
{
    Log::line(QStringLiteral("🔄 [Auth0Manager] Fetching credentials from credentials manager..."));
    QPointer<QObject> caller(context);
    auto answer = [caller, done](std::optional<QString> token) {
        if (caller)
            done(token);
    };
    m_credentialsManager->credentials(0, this, [this, answer](const CredentialsResult &result) {
        if (result.ok()) {
            Log::line(QStringLiteral("✅ [Auth0Manager] Successfully retrieved credentials from store"));
            Log::line(QStringLiteral("[Auth0Manager]   - Expires In: ") + result.credentials->expiresAt.toString(Qt::ISODate));
            setCredentials(result.credentials);
            return answer(result.credentials->accessToken);
        }
        Log::line(QStringLiteral("❌ [Auth0Manager] Failed to get valid credentials from store: ") + result.error->description);
        Log::line(QStringLiteral("[Auth0Manager]   - Error Type: ") + result.error->typeName);
        Log::line(QStringLiteral("[Auth0Manager]   - Error Description: ") + result.error->description);
        if (m_credentials) {
            Log::line(QStringLiteral("📦 [Auth0Manager] Falling back to in-memory credentials (first sign-in)"));
            Log::line(QStringLiteral("[Auth0Manager]   - Expires In: ") + m_credentials->expiresAt.toString(Qt::ISODate));
            return answer(m_credentials->accessToken);
        }
        Log::line(QStringLiteral("❌ [Auth0Manager] No in-memory credentials available as fallback"));
        answer(std::nullopt);
    });
}

void Auth0Manager::storeCredentials()
{
    if (!m_credentials) {
        Log::line(QStringLiteral("❌ [Auth0Manager] Failed to store credentials. Credentials null"));
        return;
    }
    m_credentialsManager->store(*m_credentials, this, [](bool) {});
}

void Auth0Manager::logout()
{
    m_client->clearSession(false, this, [this](const std::optional<IdentityError> &error) {
        if (error) {
            Log::line(QStringLiteral("Logout failed: ") + error->description);
            setError(*error);
            return;
        }
        setAuthenticated(false);
        m_userProfile.reset();
        Q_EMIT userProfileChanged();
        setCredentials(std::nullopt);
        // The notification waits for the deletion, so nobody reads the old entry after it.
        m_credentialsManager->clear(this, [](bool) { NotificationCenter::defaultCenter().post(QStringLiteral("logoutCompleted")); });
    });
}
