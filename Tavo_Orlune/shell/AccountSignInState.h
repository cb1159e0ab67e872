#pragma once
#include "shell/SignInState.h"

class Auth0Manager;
class AuthenticationManager;

// The shell's view of the real sign-in services: the status and the first check come from the
// sign-in state machine, the profile and the logout from the signed-in identity. Every status
// assignment of the state machine is passed on, also of an unchanged value.
class AccountSignInState : public SignInState {
    Q_OBJECT
public:
    // Neither is owned; both must outlive this object.
    AccountSignInState(AuthenticationManager *authManager, Auth0Manager *identity, QObject *parent = nullptr);

    Status authStatus() const override;
    void setAuthStatus(Status status) override;
    bool isInitializing() const override;
    std::optional<QString> profileEmail() const override;
    void logout() override;

private:
    AuthenticationManager *m_authManager;
    Auth0Manager *m_identity;
};
