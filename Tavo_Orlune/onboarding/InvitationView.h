#pragma once
#include "account/RemoteError.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class Auth0Manager;
class AuthenticationManager;
class BackgroundVisibilityManager;
class FilledButton;
class IconTextField;
class LocalKeyMonitor;
class LoginView;
class QLabel;
class QPushButton;
class QStackedLayout;
class RemoteService;

// The invitation-code screen of the sign-in window. A code the account API accepts switches the
// screen, in place, to the login screen, which carries that code into the sign-in. From here
// the user can also join the waitlist on the web site, sign in without a code, or quit.
class InvitationView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AuthenticationManager *authManager;
        Auth0Manager *auth0Manager;
        RemoteService *remoteService;
    };
    static constexpr int codeLength = 12;

    // With the application's sign-in services (taken when first needed).
    explicit InvitationView(BackgroundVisibilityManager *bgManager, QWidget *parent = nullptr);
    InvitationView(BackgroundVisibilityManager *bgManager, Services services, QWidget *parent = nullptr);
    ~InvitationView() override;

    // Exactly 12 user-perceived characters, as typed (blanks and case included).
    static bool isValidCodeForm(const QString &code);
    // The text under Continue for a failed check.
    static QString errorText(const RemoteError &error);
    // The web site "Join the Waitlist" opens (TavoWebsiteURL / TAVO_WEBSITE_URL).
    static QString websiteAddress();

    QString invitationCode() const;
    bool isInvitationCodeValid() const { return m_isInvitationCodeValid; }
    bool showLoginView() const { return m_showLoginView; }
    bool isCheckingInvitationCode() const { return m_isCheckingInvitationCode; }
    std::optional<QString> invitationCodeError() const { return m_invitationCodeError; }
    std::optional<QString> validatedInvitationCode() const { return m_validatedInvitationCode; }
    bool isClosing() const { return m_isClosing; }

    // Continue: checks the code in the field with the account API.
    void validateCode();
    // The answer for the code that was sent.
    void handleValidationResult(const QString &sentCode, bool isValid);
    void handleValidationError(const RemoteError &error);
    void backFromLogin();
    void signIn();
    void joinWaitlist();
    void close();

    IconTextField *codeField() const { return m_codeField; }
    QPushButton *continueButton() const;
    QPushButton *signInButton() const { return m_signInButton; }
    QPushButton *waitlistButton() const { return m_waitlistButton; }
    QPushButton *closeButton() const { return m_closeButton; }
    QLabel *errorLabel() const { return m_errorLabel; }
    LoginView *loginView() const { return m_loginView; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void build();
    void refresh();
    Services services();
    void onCodeChanged(const QString &code);
    void setShowLoginView(bool show);

    QPointer<BackgroundVisibilityManager> m_bgManager;
    Services m_services;

    bool m_isInvitationCodeValid = false;
    bool m_showLoginView = false;
    bool m_isCheckingInvitationCode = false;
    std::optional<QString> m_invitationCodeError;
    std::optional<QString> m_validatedInvitationCode;
    bool m_isClosing = false;

    QStackedLayout *m_stack = nullptr;
    QWidget *m_cardPage = nullptr;
    QPushButton *m_closeButton = nullptr;
    IconTextField *m_codeField = nullptr;
    QPushButton *m_waitlistButton = nullptr;
    FilledButton *m_continueButton = nullptr;
    QLabel *m_errorLabel = nullptr;
    QPushButton *m_signInButton = nullptr;
    LoginView *m_loginView = nullptr;
    LocalKeyMonitor *m_keyMonitor = nullptr;
};
