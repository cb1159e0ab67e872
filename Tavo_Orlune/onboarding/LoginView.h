#pragma once
#include "account/RemoteError.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class Auth0Manager;
class AuthenticationManager;
class BackgroundVisibilityManager;
class FilledButton;
class LocalKeyMonitor;
class QLabel;
class QPushButton;
class TavoCircleLoading;

// The sign-in screen of the sign-in window: starts the Google login with the invitation code it
// was given and shows the account check's failure in a card until the user dismisses it. The
// status change after a successful check replaces the whole screen; this one never moves on.
class LoginView : public QWidget {
    Q_OBJECT
public:
    // With the application's sign-in services.
    LoginView(std::optional<QString> validatedInvitationCode, std::function<void()> onBackToInvitation,
              BackgroundVisibilityManager *bgManager, QWidget *parent = nullptr);
    LoginView(AuthenticationManager &authManager, Auth0Manager &auth0Manager,
              std::optional<QString> validatedInvitationCode, std::function<void()> onBackToInvitation,
              BackgroundVisibilityManager *bgManager, QWidget *parent = nullptr);
    ~LoginView() override;

    std::optional<QString> validatedInvitationCode() const { return m_validatedInvitationCode; }
    bool showError() const { return m_showError; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }

    void signInWithGoogle();
    void handleAuthError(const std::optional<RemoteError> &error);
    void dismissError();

    // The card's text for an account-check failure.
    static QString errorText(const RemoteError &error);

    QPushButton *googleButton() const { return m_googleButton; }
    QPushButton *okButton() const;
    QPushButton *backButton() const { return m_backButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QLabel *errorLabel() const { return m_errorLabel; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void build();
    void refresh();
    void closeApplication();

    AuthenticationManager &m_auth;
    Auth0Manager &m_auth0;
    QPointer<BackgroundVisibilityManager> m_bgManager;
    std::optional<QString> m_validatedInvitationCode;
    std::function<void()> m_onBackToInvitation;
    bool m_showError = false;
    std::optional<QString> m_errorMessage;

    QPushButton *m_closeButton = nullptr;
    QPushButton *m_backButton = nullptr;
    QWidget *m_logoBlock = nullptr;
    QWidget *m_errorCard = nullptr;
    QLabel *m_errorLabel = nullptr;
    FilledButton *m_okButton = nullptr;
    QPushButton *m_googleButton = nullptr;
    QLabel *m_googleIcon = nullptr;
    TavoCircleLoading *m_loading = nullptr;
    LocalKeyMonitor *m_keyMonitor = nullptr;
};
