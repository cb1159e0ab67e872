#include "account/AuthenticationManager.h"
#include "account/Auth0Manager.h"
#include "Platform/Identity/JwtPayload.h"
#include "Platform/Log.h"
#include "account/RemoteService.h"
#include "analytics/AnalyticsService.h"

#include <QPointer>

namespace {
const QString kContext = QStringLiteral("AuthenticationManager");
}

AuthenticationManager &AuthenticationManager::shared()
{
    static AuthenticationManager *instance = new AuthenticationManager(&Auth0Manager::shared(), &RemoteService::shared());
    return *instance;
}

AuthenticationManager::AuthenticationManager(Auth0Manager *auth0, RemoteService *remote, QObject *parent)
    : QObject(parent)
    , m_auth0(auth0)
    , m_remote(remote)
{
    // The first true value of the identity's check, now or later.
    if (m_auth0->isCredentialCheckComplete()) {
        observeAuth0State();
    } else {
        m_checkSubscription = connect(m_auth0, &Auth0Manager::isCredentialCheckCompleteChanged, this, [this](bool done) {
            if (!done)
                return;
            disconnect(m_checkSubscription);
            observeAuth0State();
        });
    }
}

QString AuthenticationManager::statusName(AuthenticationStatus status)
{
    switch (status) {
    case AuthenticationStatus::notAuthenticated: return QStringLiteral("notAuthenticated");
    case AuthenticationStatus::authenticated: return QStringLiteral("authenticated");
    case AuthenticationStatus::needsOnboarding: return QStringLiteral("needsOnboarding");
    case AuthenticationStatus::completed: return QStringLiteral("completed");
    }
    return {};
}

void AuthenticationManager::setAuthStatus(AuthenticationStatus status)
{
    m_authStatus = status;
    Q_EMIT authStatusChanged(status);
}

void AuthenticationManager::observeAuth0State()
{
    if (m_flagSubscription)
        return;
    m_flagSubscription = connect(m_auth0, &Auth0Manager::isAuthenticatedChanged, this,
                                 [this](bool value) { handleAuth0StateChange(value); });
    handleAuth0StateChange(m_auth0->isAuthenticated());
}

void AuthenticationManager::handleAuth0StateChange(bool isAuthenticated)
{
    m_hasCompletedAuth0Check = true;
    if (isAuthenticated) {
        validateRemoteUser();
        return;
    }
    m_hasCompletedServerCheck = true;
    if (m_isInitializing) {
        m_isInitializing = false;
        Q_EMIT isInitializingChanged(false);
    }
}

std::optional<QString> AuthenticationManager::subject() const
{
    const auto credentials = m_auth0->credentials();
    if (!credentials)
        return std::nullopt;
    const auto payload = JwtPayload::decode(credentials->idToken);
    if (!payload)
        return std::nullopt;
    return payload->claim(QStringLiteral("sub"));
}

void AuthenticationManager::finishServerCheck()
{
    m_hasCompletedServerCheck = true;
    if (m_hasCompletedAuth0Check && m_isInitializing) {
        m_isInitializing = false;
        Q_EMIT isInitializingChanged(false);
    }
}

QVariantMap AuthenticationManager::credentialFlags() const
{
    const bool hasCredentials = m_auth0->credentials().has_value();
    return {{QStringLiteral("has_access_token"), hasCredentials},
            {QStringLiteral("has_id_token"), hasCredentials},
            {QStringLiteral("has_email"), m_userEmail.has_value()}};
}

void AuthenticationManager::validateRemoteUser()
{
    m_auth0->getValidAccessToken(this, [this](std::optional<QString> token) {
        const auto sub = subject();
        if (!token || !sub) {
            setAuthStatus(AuthenticationStatus::notAuthenticated);
            finishServerCheck();
            return;
        }
        const QString email = m_auth0->userProfile() ? m_auth0->userProfile()->email : QString();
        m_remote->createAuthUser(*sub, email, *token, m_pendingInvitationCode, this, [this](const RemoteResult<AuthUserResponse> &result) {
            if (result.ok()) {
                // Only now do the credentials of a first sign-in survive a restart.
                m_auth0->storeCredentials();
                m_userEmail = result.value->email;
                m_pendingInvitationCode.reset();
                setAuthStatus(result.value->is_active ? AuthenticationStatus::completed : AuthenticationStatus::needsOnboarding);
                finishServerCheck();
                return;
            }
            const RemoteError error = *result.error;
            Log::line(QStringLiteral("[AuthManager] Error validating user in server: ") + error.caseText());
            m_error = error;
            Q_EMIT errorChanged();
            setAuthStatus(AuthenticationStatus::notAuthenticated);
            finishServerCheck();
            QVariantMap properties = credentialFlags();
            properties.insert(QStringLiteral("operation"), QStringLiteral("validateRemoteUser"));
            properties.insert(QStringLiteral("invitation_code"), m_pendingInvitationCode.value_or(QString()));
            AnalyticsService::shared().trackError(error, kContext, properties);
        });
    });
}

void AuthenticationManager::completeOnboarding(const QString &firstName, const QString &lastName, const QString &companyName,
                                               const QString &linkedin, const QString &twitter, QObject *context,
                                               std::function<void(const std::optional<RemoteError> &)> done)
{
    QPointer<QObject> caller(context);
    auto answer = [caller, done](const std::optional<RemoteError> &error) {
        if (caller)
            done(error);
    };
    m_auth0->getValidAccessToken(this, [=, this](std::optional<QString> token) {
        const auto sub = subject();
        if (!token || !sub || !m_userEmail) {
            const auto credentials = m_auth0->credentials();
            Log::line(QStringLiteral("[AuthManager] Missing required credentials or email"));
            // Whether each token is there, never the token itself.
            Log::line(QStringLiteral("[AuthManager] Access Token: ")
                      + (credentials && !credentials->accessToken.isEmpty() ? QStringLiteral("present") : QStringLiteral("nil")));
            Log::line(QStringLiteral("[AuthManager] ID Token: ")
                      + (credentials && !credentials->idToken.isEmpty() ? QStringLiteral("present") : QStringLiteral("nil")));
            QVariantMap properties = credentialFlags();
            properties.insert(QStringLiteral("operation"), QStringLiteral("completeOnboarding"));
            AnalyticsService::shared().trackError(RemoteError::unauthorized(), kContext, properties);
            return answer(RemoteError::unauthorized());
        }
        m_remote->updateUserProfile(*sub, *m_userEmail, firstName, lastName, companyName, linkedin, twitter, *token, this,
                                    [answer](const RemoteResult<UserResponse> &result) { answer(result.error); });
    });
}

void AuthenticationManager::clearError()
{
    m_error.reset();
    Q_EMIT errorChanged();
}
