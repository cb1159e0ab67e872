#pragma once
#include <QObject>
#include <QString>
#include <optional>

// What the shell follows of the sign-in services: the authentication status (every
// assignment announced, also of an unchanged value), whether the first check still runs, the
// signed-in profile's e-mail and the identity's logout (which ends by posting "logoutCompleted").
class SignInState : public QObject {
    Q_OBJECT
public:
    enum class Status { notAuthenticated, authenticated, needsOnboarding, completed };

    explicit SignInState(QObject *parent = nullptr) : QObject(parent) {}
    virtual Status authStatus() const = 0;
    virtual void setAuthStatus(Status status) = 0;
    virtual bool isInitializing() const = 0;
    // The e-mail of the identity's profile, none when the identity holds no profile.
    virtual std::optional<QString> profileEmail() const = 0;
    virtual void logout() = 0;

Q_SIGNALS:
    void authStatusChanged(SignInState::Status status);
    void isInitializingChanged(bool initializing);
};
