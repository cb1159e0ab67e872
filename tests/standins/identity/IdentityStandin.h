#pragma once
#include "StandinHttpServer.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QUrlQuery>

// The hosted identity service on 127.0.0.1: /authorize redirects straight back to the
// application's redirect URI with a code (no login page), /oauth/token exchanges codes (checking
// the PKCE verifier and the redirect URI) and refresh tokens, /v2/logout redirects to returnTo.
// Tokens are unsigned test tokens; the ID token carries the claims the test sets.
class IdentityStandin : public QObject {
    Q_OBJECT
public:
    explicit IdentityStandin(QObject *parent = nullptr);
    quint16 start();
    QString domain() const { return m_server.baseUrl().toString(); }
    StandinHttpServer &server() { return m_server; }

    QJsonObject claims; // of the next ID tokens
    int expiresIn = 3600;
    bool grantRefreshTokens = true;
    bool refreshAllowed = true;
    // Scripted misbehaviour of /authorize.
    QString overrideState;   // answer with this state instead of the request's
    QString authorizeError;  // answer with ?error=... instead of a code
    // Counters and the last requests.
    QUrlQuery lastAuthorize;
    QUrlQuery lastTokenRequest;
    int codeExchanges = 0;
    int refreshes = 0;
    int logouts = 0;
    QString lastAccessToken;

    // An unsigned JSON Web Token with these claims.
    static QString makeJwt(const QJsonObject &claims);

private:
    StandinHttpServer::Reply token(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply tokenReply(bool withRefresh);

    StandinHttpServer m_server;
    struct Grant {
        QString challenge;
        QString redirectUri;
    };
    QHash<QString, Grant> m_codes;
    QStringList m_refreshTokens;
    int m_serial = 0;
};
