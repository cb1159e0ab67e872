#pragma once
#include "Controller/session/AccessTokenProvider.h"
#include "Platform/Identity/Credentials.h"

#include <QObject>
#include <memory>
#include <optional>

class CredentialsManager;
class CredentialsStore;
class HostedLoginClient;

// The signed-in user as the ID token names them; a missing claim is the empty string.
struct UserInfo {
    QString id;
    QString name;
    QString email;
    QString picture;
    bool operator==(const UserInfo &) const = default;
};

// The identity service's configuration: the resource "Auth0.plist" (keys "ClientId" and
// "Domain", both strings), each overridden by TAVO_IDENTITY_CLIENT_ID / TAVO_IDENTITY_DOMAIN
// when set; the API audience from Info.plist "TavoIdentityAudience" (TAVO_IDENTITY_AUDIENCE).
struct Auth0Config {
    QString clientId;
    QString domain;
    QString audience;
    // Nothing when the resource is missing, unreadable, or a key is missing or not a string.
    static std::optional<Auth0Config> load(const QString &resource = QStringLiteral(":/Auth0.plist"));
};

// The signed-in identity: the stored-credential check at start, the Google web login, the
// profile built from the ID token, access tokens for every call to the maker's servers, and
// sign-out. The only component that talks to the identity service. Lives on the main thread.
//
// Its change signals fire on every assignment, also when the value stays the same (the sign-in
// state machine counts on it for isAuthenticated).
class Auth0Manager : public QObject, public AccessTokenProvider {
    Q_OBJECT
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    Q_PROPERTY(bool isLoadingGoogle READ isLoadingGoogle NOTIFY isLoadingGoogleChanged)
    Q_PROPERTY(bool isLoadingApple READ isLoadingApple CONSTANT)
    Q_PROPERTY(bool isCredentialCheckComplete READ isCredentialCheckComplete NOTIFY isCredentialCheckCompleteChanged)
public:
    static constexpr const char *storeKey = "credentials";

    // The process-wide instance: configured from Auth0.plist (the process stops with
    // "Auth0.plist not found or invalid" when it is missing or invalid), credentials in the
    // desktop keychain under the bundle identifier.
    static Auth0Manager &shared();
    // Tests: a client and a store of their own (not owned). Starts the stored-credential check.
    Auth0Manager(HostedLoginClient *client, CredentialsStore *store, const QString &audience, QObject *parent = nullptr);
    ~Auth0Manager() override;

    bool isAuthenticated() const { return m_isAuthenticated; }
    std::optional<UserInfo> userProfile() const { return m_userProfile; }
    std::optional<IdentityError> error() const { return m_error; }
    bool isLoadingGoogle() const { return m_isLoadingGoogle; }
    bool isLoadingApple() const { return false; } // there is no Apple sign-in
    std::optional<Credentials> credentials() const { return m_credentials; }
    bool isCredentialCheckComplete() const { return m_isCredentialCheckComplete; }
    QString clientId() const { return m_clientId; }
    QString domain() const { return m_domain; }

    // Starts a Google web login in the browser; the outcome arrives through the properties.
    void loginWithGoogle();
    // The stored credentials (renewed when expired), else right after a first login the
    // in-memory ones, else nothing.
    void getValidAccessToken(QObject *context, Callback done) override;
    // Saves the in-memory credentials in the store (after the account check succeeded).
    virtual void storeCredentials();
    // Clears the web session; on success forgets the user, deletes the stored credentials and
    // posts "logoutCompleted".
    virtual void logout();

Q_SIGNALS:
    void isAuthenticatedChanged(bool value);
    void userProfileChanged();
    void errorChanged();
    void isLoadingGoogleChanged(bool value);
    void credentialsChanged();
    void isCredentialCheckCompleteChanged(bool value);

private:
    struct Owned;
    Auth0Manager(std::unique_ptr<Owned> owned, const Auth0Config &config);
    void init(HostedLoginClient *client, CredentialsStore *store);
    void checkStoredCredentials();
    // Builds userProfile from the record's ID token; false when the token cannot be decoded.
    bool buildProfile(const Credentials &credentials, bool startupCheck);
    void setAuthenticated(bool value);
    void setCredentials(const std::optional<Credentials> &credentials);
    void setCheckComplete();
    void setLoadingGoogle(bool value);
    void setError(const IdentityError &error);

    bool m_isAuthenticated = false;
    std::optional<UserInfo> m_userProfile;
    std::optional<IdentityError> m_error;
    bool m_isLoadingGoogle = false;
    std::optional<Credentials> m_credentials;
    bool m_isCredentialCheckComplete = false;
    QString m_clientId;
    QString m_domain;
    QString m_audience;
    std::unique_ptr<Owned> m_owned;
    HostedLoginClient *m_client = nullptr;
    CredentialsManager *m_credentialsManager = nullptr;
};
