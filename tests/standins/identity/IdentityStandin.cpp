#include "IdentityStandin.h"

#include <QCryptographicHash>
#include <QJsonDocument>

namespace {
QByteArray b64(const QByteArray &data)
{
    return data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}
StandinHttpServer::Reply jsonReply(int status, const QJsonObject &o)
{
    StandinHttpServer::Reply r;
    r.status = status;
    r.body = QJsonDocument(o).toJson(QJsonDocument::Compact);
    return r;
}
}

IdentityStandin::IdentityStandin(QObject *parent)
    : QObject(parent)
{
    claims = QJsonObject{{QStringLiteral("sub"), QStringLiteral("google-oauth2|1001")},
                         {QStringLiteral("name"), QStringLiteral("Ada Lovelace")},
                         {QStringLiteral("email"), QStringLiteral("ada@example.com")},
                         {QStringLiteral("picture"), QStringLiteral("https://example.com/ada.png")}};
    m_server.on("GET", QStringLiteral("/authorize"), [this](const StandinHttpServer::Request &request) {
        const QUrlQuery q(request.url);
        lastAuthorize = q;
        const QString redirect = q.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded);
        QUrl back(redirect);
        QUrlQuery answer;
        if (!authorizeError.isEmpty()) {
            answer.addQueryItem(QStringLiteral("error"), authorizeError);
            answer.addQueryItem(QStringLiteral("error_description"), QStringLiteral("The user refused"));
        } else {
            const QString code = QStringLiteral("code-%1").arg(++m_serial);
            m_codes.insert(code, {q.queryItemValue(QStringLiteral("code_challenge")), redirect});
            answer.addQueryItem(QStringLiteral("code"), code);
        }
        answer.addQueryItem(QStringLiteral("state"), overrideState.isEmpty() ? q.queryItemValue(QStringLiteral("state")) : overrideState);
        back.setQuery(answer);
        StandinHttpServer::Reply r;
        r.status = 302;
        r.contentType = "text/plain";
        r.headers.append({"Location", back.toEncoded()});
        return r;
    });
    m_server.on("POST", QStringLiteral("/oauth/token"), [this](const StandinHttpServer::Request &request) { return token(request); });
    m_server.on("GET", QStringLiteral("/v2/logout"), [this](const StandinHttpServer::Request &request) {
        ++logouts;
        StandinHttpServer::Reply r;
        r.status = 302;
        r.contentType = "text/plain";
        r.headers.append({"Location", QUrlQuery(request.url).queryItemValue(QStringLiteral("returnTo"), QUrl::FullyDecoded).toUtf8()});
        return r;
    });
}

quint16 IdentityStandin::start()
{
    return m_server.start();
}

QString IdentityStandin::makeJwt(const QJsonObject &claims)
{
    const QByteArray header = b64(R"({"alg":"none","typ":"JWT"})");
    return QString::fromLatin1(header + '.' + b64(QJsonDocument(claims).toJson(QJsonDocument::Compact)) + '.');
}

StandinHttpServer::Reply IdentityStandin::tokenReply(bool withRefresh)
{
    lastAccessToken = QStringLiteral("access-%1").arg(++m_serial);
    QJsonObject o{{QStringLiteral("access_token"), lastAccessToken},
                  {QStringLiteral("id_token"), makeJwt(claims)},
                  {QStringLiteral("token_type"), QStringLiteral("Bearer")},
                  {QStringLiteral("expires_in"), expiresIn},
                  {QStringLiteral("scope"), QStringLiteral("openid profile email")}};
    if (withRefresh) {
        const QString refresh = QStringLiteral("refresh-%1").arg(m_serial);
        m_refreshTokens.append(refresh);
        o.insert(QStringLiteral("refresh_token"), refresh);
    }
    return jsonReply(200, o);
}

StandinHttpServer::Reply IdentityStandin::token(const StandinHttpServer::Request &request)
{
    const QUrlQuery form(QString::fromUtf8(request.body));
    lastTokenRequest = form;
    const QString grant = form.queryItemValue(QStringLiteral("grant_type"));
    const auto invalid = [](const QString &text) {
        return jsonReply(400, {{QStringLiteral("error"), QStringLiteral("invalid_grant")}, {QStringLiteral("error_description"), text}});
    };
    if (grant == QLatin1String("authorization_code")) {
        ++codeExchanges;
        const QString code = form.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
        if (!m_codes.contains(code))
            return invalid(QStringLiteral("Unknown or used code"));
        const Grant g = m_codes.take(code);
        const QByteArray verifier = form.queryItemValue(QStringLiteral("code_verifier"), QUrl::FullyDecoded).toLatin1();
        if (b64(QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)) != g.challenge.toLatin1())
            return invalid(QStringLiteral("PKCE verification failed"));
        if (form.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded) != g.redirectUri)
            return invalid(QStringLiteral("Redirect URI mismatch"));
        return tokenReply(grantRefreshTokens);
    }
    if (grant == QLatin1String("refresh_token")) {
        ++refreshes;
        const QString refresh = form.queryItemValue(QStringLiteral("refresh_token"), QUrl::FullyDecoded);
        if (!refreshAllowed || !m_refreshTokens.contains(refresh))
            return invalid(QStringLiteral("Unknown or invalid refresh token"));
        return tokenReply(false);
    }
    return jsonReply(400, {{QStringLiteral("error"), QStringLiteral("unsupported_grant_type")}});
}
