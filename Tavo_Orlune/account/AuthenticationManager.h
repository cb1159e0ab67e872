#pragma once
#include "account/RemoteError.h"

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <optional>

class Auth0Manager;
class RemoteService;

// Whether the user must sign in, must finish onboarding, or may use the application.
// `authenticated` is never assigned.
enum class AuthenticationStatus { notAuthenticated, authenticated, needsOnboarding, completed };

// The sign-in state machine: waits for the identity's stored-credential check, then follows its
// signed-in flag; every time the flag is set to true it checks the account with the account API
// and publishes `completed`, `needsOnboarding` or `notAuthenticated`. isInitializing stays true
// until the first outcome. Lives on the main thread.
class AuthenticationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isInitializing READ isInitializing NOTIFY isInitializingChanged)
public:
    static AuthenticationManager &shared();
    // Tests: their own identity and account API client (not owned).
    AuthenticationManager(Auth0Manager *auth0, RemoteService *remote, QObject *parent = nullptr);

    AuthenticationStatus authStatus() const { return m_authStatus; }
    // The application delegate (sign-out) and the onboarding screen (after completeOnboarding)
    // assign it too. authStatusChanged fires on every assignment.
    void setAuthStatus(AuthenticationStatus status);
    std::optional<RemoteError> error() const { return m_error; }
    // The sign-in screen clears the error when the user dismisses it; the manager never does.
    void clearError();
    bool isInitializing() const { return m_isInitializing; }
    std::optional<QString> userEmail() const { return m_userEmail; }
    std::optional<QString> pendingInvitationCode() const { return m_pendingInvitationCode; }
    // The sign-in screen sets it just before it starts a login.
    void setPendingInvitationCode(const std::optional<QString> &code) { m_pendingInvitationCode = code; }
    bool hasCompletedAuth0Check() const { return m_hasCompletedAuth0Check; }
    bool hasCompletedServerCheck() const { return m_hasCompletedServerCheck; }

    // Sends the onboarding answers for the signed-in user; done gets nothing on success or the
    // error. The status is left to the caller.
    virtual void completeOnboarding(const QString &firstName, const QString &lastName, const QString &companyName,
                                    const QString &linkedin, const QString &twitter, QObject *context,
                                    std::function<void(const std::optional<RemoteError> &)> done);
    virtual void validateRemoteUser();
    virtual void observeAuth0State();
    void handleAuth0StateChange(bool isAuthenticated);

    static QString statusName(AuthenticationStatus status);

Q_SIGNALS:
    void authStatusChanged(AuthenticationStatus status);
    void errorChanged();
    void isInitializingChanged(bool value);

private:
    // The "sub" claim of the in-memory credentials' ID token, when all of it is there.
    std::optional<QString> subject() const;
    void finishServerCheck();
    QVariantMap credentialFlags() const;

    AuthenticationStatus m_authStatus = AuthenticationStatus::notAuthenticated;
    std::optional<RemoteError> m_error;
    bool m_isInitializing = true;
    Auth0Manager *m_auth0;
    RemoteService *m_remote;
    bool m_hasCompletedAuth0Check = false;
    bool m_hasCompletedServerCheck = false;
    std::optional<QString> m_userEmail;
    std::optional<QString> m_pendingInvitationCode;
    QMetaObject::Connection m_checkSubscription;
    QMetaObject::Connection m_flagSubscription;
};

Q_DECLARE_METATYPE(AuthenticationStatus)
