#include "AccountApiStandin.h"
#include "BrowserHook.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "InMemoryCredentialsStore.h"
#include "Platform/Identity/JwtPayload.h"
#include "NotificationSpy.h"
#include "NpmProgram.h"
#include "TestMain.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrlQuery>

using Endpoint = AccountApiStandin::Endpoint;

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
const QString kClientId = S("tavo-desktop");
const QString kAudience = S("https://api.tavo.test");
}

// Sign-in, renewal and sign-out against a real OpenID provider on 127.0.0.1, the test playing
// the user's browser (cookies, redirects, the provider's logout form).
class OpenIdLoginTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginRenewLogout()
    {
        TAVO_REQUIRE(QFileInfo::exists(NpmProgram::modulePath(S("oidc-provider/package.json"))),
                     S("oidc-provider in the test programs' npm folder (run the test command)"));
        NpmProgram provider;
        QVERIFY(provider.startProgram(S("node"), {qEnvironmentVariable("TAVO_SOURCE_DIR") + S("/tests/account/openid_provider.mjs")}));
        QVERIFY2(provider.waitForOutput(S("listening ")), qPrintable(provider.output()));
        const QString issuer = QRegularExpression(S("listening (\\S+)")).match(provider.output()).captured(1);

        AccountApiStandin api;
        QVERIFY(api.start());
        api.setReply(Endpoint::CreateAuthUser, 200, R"({"id": "user-9", "email": "grace@example.com", "is_active": true})");
        RemoteService remote(api.baseUrl());
        HostedLoginClient client(kClientId, issuer);
        InMemoryCredentialsStore store;
        BrowserHook browser;
        // Plays the user answering the provider's sign-out question with "yes".
        browser.onPage = [&](const QUrl &, const QByteArray &body) {
            const auto form = QRegularExpression(S(R"re(<form id="op.logoutForm" method="post" action="([^"]+)"><input type="hidden" name="xsrf" value="([^"]+)")re"))
                                  .match(QString::fromUtf8(body));
            if (form.hasMatch())
                browser.submitForm(QUrl(issuer).resolved(QUrl(form.captured(1))), "logout=yes&xsrf=" + QUrl::toPercentEncoding(form.captured(2)));
        };

        const UserInfo grace{S("google-oauth2|2002"), S("Grace Hopper"), S("grace@example.com"), S("https://example.com/grace.png")};
        Credentials first;
        {
            Auth0Manager auth(&client, &store, kAudience);
            AuthenticationManager manager(&auth, &remote);
            QTRY_VERIFY(!manager.isInitializing());
            QCOMPARE(manager.authStatus(), AuthenticationStatus::notAuthenticated);
            auth.loginWithGoogle();
            QTRY_VERIFY_WITH_TIMEOUT(manager.authStatus() == AuthenticationStatus::completed || auth.error(), 20000);
            QVERIFY2(!auth.error(), qPrintable(auth.error() ? auth.error()->description : QString()));
            QCOMPARE(manager.authStatus(), AuthenticationStatus::completed);
            QCOMPARE(*auth.userProfile(), grace);

            // The provider saw the service's parameters and a PKCE login.
            const QUrlQuery authorize(provider.output().section(S("authorize "), 1, 1).section(u'\n', 0, 0));
            QCOMPARE(authorize.queryItemValue(S("audience"), QUrl::FullyDecoded), kAudience);
            QCOMPARE(authorize.queryItemValue(S("connection")), S("google-oauth2"));
            QCOMPARE(authorize.queryItemValue(S("code_challenge_method")), S("S256"));

            // The provider's own tokens: its signed ID token for this client, and the access token
            // that went to the account check.
            QTRY_VERIFY(store.entries.contains(S("credentials")));
            first = *Credentials::decode(store.entries.value(S("credentials")));
            QCOMPARE(first.accessToken, auth.credentials()->accessToken);
            QVERIFY(first.refreshToken);
            const auto idToken = JwtPayload::decode(first.idToken);
            QCOMPARE(idToken->claim(S("iss")), std::optional<QString>(issuer));
            QCOMPARE(idToken->claim(S("aud")), std::optional<QString>(kClientId));
            QCOMPARE(api.lastHeader(Endpoint::CreateAuthUser, "Authorization"), "Bearer " + first.accessToken.toUtf8());
            QCOMPARE(api.lastBody(Endpoint::CreateAuthUser).value(S("auth_id")).toString(), grace.id);
        }

        // Next start with expired credentials: renewed by the provider with the refresh token.
        Credentials expired = first;
        expired.expiresAt = QDateTime::currentDateTimeUtc().addSecs(-60);
        store.entries.insert(S("credentials"), expired.encode());
        Auth0Manager auth(&client, &store, kAudience);
        QTRY_VERIFY_WITH_TIMEOUT(auth.isCredentialCheckComplete(), 20000);
        QVERIFY(auth.isAuthenticated());
        QCOMPARE(*auth.userProfile(), grace);
        const auto renewed = Credentials::decode(store.entries.value(S("credentials")));
        QVERIFY(renewed->accessToken != first.accessToken);
        QVERIFY(renewed->expiresAt > QDateTime::currentDateTimeUtc());
        QVERIFY(renewed->refreshToken && renewed->refreshToken != first.refreshToken); // public clients' tokens rotate

        // Sign-out through the provider's logout page comes back and clears the store.
        NotificationSpy spy;
        auth.logout();
        QTRY_VERIFY_WITH_TIMEOUT(spy.count(S("logoutCompleted")) == 1 || auth.error(), 20000);
        QVERIFY2(!auth.error(), qPrintable(auth.error() ? auth.error()->description : QString()));
        QVERIFY(store.entries.isEmpty());
        QVERIFY(!auth.isAuthenticated());
    }
};

TAVO_TEST_MAIN(OpenIdLoginTest)
#include "tst_openidlogin.moc"
