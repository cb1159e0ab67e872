#pragma once
#include "Platform/Identity/Credentials.h"

#include <QObject>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

// The options of one web login.
struct WebLoginOptions {
    QString audience;   // the API the access token is for
    QString connection; // the identity provider behind the service ("google-oauth2")
    QString scope;      // "openid profile email"
};

// Our client of the hosted identity service: the authorization-code flow with PKCE (S256)
// and `state`, opened in the system browser and answered on a one-shot listener on 127.0.0.1;
// the code is exchanged at the token endpoint; refresh tokens renew credentials; the web
// session is cleared through the service's logout page.
//
// Endpoints on the service's domain: GET /authorize, POST /oauth/token (form-encoded),
// GET /v2/logout (redirects back to the listener).
class HostedLoginClient : public QObject {
    Q_OBJECT
public:
    // domain: a host name ("tenant.example.com", meaning https), or a full https address; plain
    // http only to a loopback host (tests). An unusable domain makes every call fail.
    HostedLoginClient(const QString &clientId, const QString &domain, QObject *parent = nullptr);
    ~HostedLoginClient() override;

    QString clientId() const { return m_clientId; }
    QUrl domainUrl() const { return m_domainUrl; }
    bool isConfigured() const { return m_domainUrl.isValid() && !m_clientId.isEmpty(); }
    static QUrl domainUrl(const QString &domain);

    // How long the browser may take to come back (5 minutes for a login, 2 for a logout).
    void setTimeLimits(qint64 loginMs, qint64 logoutMs);

    // Each call runs on its own; done answers once, never after `context` is gone.
    void startWebLogin(const WebLoginOptions &options, QObject *context, std::function<void(const CredentialsResult &)> done);
    void clearSession(bool federated, QObject *context, std::function<void(const std::optional<IdentityError> &)> done);
    // New credentials from the refresh token of `current`; tokens the reply leaves out are kept.
    void renew(const Credentials &current, QObject *context, std::function<void(const CredentialsResult &)> done);

    // The authorization address of a login, as the browser opens it (for tests).
    QUrl authorizeUrl(const WebLoginOptions &options, const QString &redirectUri, const QString &state,
                      const QString &codeChallenge) const;

private:
    void exchangeCode(const QString &code, const QString &verifier, const QString &redirectUri, QObject *context,
                      std::function<void(const CredentialsResult &)> done);
    void postToken(const QList<QPair<QString, QString>> &form, QObject *context,
                   std::function<void(int status, const QByteArray &body, const QString &transportError)> done);

    QString m_clientId;
    QUrl m_domainUrl;
    QNetworkAccessManager *m_network;
    qint64 m_loginLimitMs = 5 * 60 * 1000;
    qint64 m_logoutLimitMs = 2 * 60 * 1000;
};
