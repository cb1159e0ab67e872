#pragma once
#include "shell/SignInState.h"

// The sign-in services as a test sets them; logout posts "logoutCompleted" like the identity.
class FakeSignInState : public SignInState {
public:
    Status status = Status::notAuthenticated;
    bool initializing = false;
    std::optional<QString> email;
    int logouts = 0;
    QList<Status> assigned;

    Status authStatus() const override { return status; }
    void setAuthStatus(Status s) override
    {
        status = s;
        assigned << s;
        Q_EMIT authStatusChanged(s);
    }
    bool isInitializing() const override { return initializing; }
    void setInitializing(bool on)
    {
        initializing = on;
        Q_EMIT isInitializingChanged(on);
    }
    std::optional<QString> profileEmail() const override { return email; }
    void logout() override;
};
