#include "shell/AccountSignInState.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"

namespace {
SignInState::Status toShell(AuthenticationStatus status)
{
    switch (status) {
    case AuthenticationStatus::notAuthenticated: return SignInState::Status::notAuthenticated;
    case AuthenticationStatus::authenticated: return SignInState::Status::authenticated;
    case AuthenticationStatus::needsOnboarding: return SignInState::Status::needsOnboarding;
    case AuthenticationStatus::completed: return SignInState::Status::completed;
    }
    return SignInState::Status::notAuthenticated;
}

AuthenticationStatus toAccount(SignInState::Status status)
{
    switch (status) {
    case SignInState::Status::notAuthenticated: return AuthenticationStatus::notAuthenticated;
    case SignInState::Status::authenticated: return AuthenticationStatus::authenticated;
    case SignInState::Status::needsOnboarding: return AuthenticationStatus::needsOnboarding;
    case SignInState::Status::completed: return AuthenticationStatus::completed;
    }
    return AuthenticationStatus::notAuthenticated;
}
}

AccountSignInState::AccountSignInState(AuthenticationManager *authManager, Auth0Manager *identity, QObject *parent)
    : SignInState(parent)
    , m_authManager(authManager)
    , m_identity(identity)
{
    connect(m_authManager, &AuthenticationManager::authStatusChanged, this,
            [this](AuthenticationStatus status) { Q_EMIT authStatusChanged(toShell(status)); });
    connect(m_authManager, &AuthenticationManager::isInitializingChanged, this, &SignInState::isInitializingChanged);
}

SignInState::Status AccountSignInState::authStatus() const
{
    return toShell(m_authManager->authStatus());
}

void AccountSignInState::setAuthStatus(Status status)
{
    m_authManager->setAuthStatus(toAccount(status));
}

bool AccountSignInState::isInitializing() const
{
    return m_authManager->isInitializing();
}

std::optional<QString> AccountSignInState::profileEmail() const
{
    const auto profile = m_identity->userProfile();
    if (!profile)
        return std::nullopt;
    return profile->email;
}

void AccountSignInState::logout()
{
    m_identity->logout();
}
