#include "SignInStandins.h"
#include "BrowserHook.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "Platform/Log.h"
#include "NotificationSpy.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"
#include "analytics/AnalyticsService.h"

using Endpoint = AccountApiStandin::Endpoint;
using Status = AuthenticationStatus;

namespace {
QStringList g_lines;
void captureLine(const QString &line)
{
    g_lines.append(line);
}
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
bool logged(const QString &line)
{
    return g_lines.contains(line);
}
}

// The signed-in identity and the sign-in state machine against the identity-service and
// account API stand-ins, with the credentials store in memory.
class SignInTest : public QObject {
    Q_OBJECT
    SignInStandins m_s;
    RecordingAnalyticsClient m_analytics;

    // Credentials the stand-in knows, as a first login would leave them.
    Credentials issuedCredentials(int expiresIn)
    {
        m_s.idp->expiresIn = expiresIn;
        std::optional<CredentialsResult> out;
        m_s.client->startWebLogin({}, this, [&](const CredentialsResult &r) { out = r; });
        if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000) || !out->ok())
            qFatal("no credentials");
        m_s.idp->expiresIn = 3600;
        return *out->credentials;
    }
    std::optional<QString> token(Auth0Manager &auth)
    {
        std::optional<std::optional<QString>> out;
        auth.getValidAccessToken(this, [&](std::optional<QString> t) { out = t; });
        if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
            qFatal("no token answer");
        return *out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(captureLine);
        AnalyticsService::shared().setClient(&m_analytics);
    }
    void cleanupTestCase()
    {
        AnalyticsService::shared().setClient(nullptr);
        Log::setSink(nullptr);
    }
    void init()
    {
        QVERIFY(m_s.start(this));
        m_analytics.clear();
        g_lines.clear();
    }
    void cleanup()
    {
        m_s.stop();
    }

    void firstStartWithAnEmptyStore()
    {
        Auth0Manager auth(m_s.client, m_s.store, S("https://api.example.test"));
        AuthenticationManager manager(&auth, m_s.remote);
        QVERIFY(manager.isInitializing());
        QTRY_VERIFY(auth.isCredentialCheckComplete());
        QVERIFY(!auth.isAuthenticated());
        QVERIFY(!auth.credentials());
        QVERIFY(!manager.isInitializing());
        QCOMPARE(manager.authStatus(), Status::notAuthenticated);
        QCOMPARE(m_s.api->count(Endpoint::CreateAuthUser), 0);
        QVERIFY(g_lines.filter(S("[Auth0Manager]")).isEmpty());

        QCOMPARE(token(auth), std::nullopt);
        QVERIFY(logged(S("❌ [Auth0Manager] No in-memory credentials available as fallback")));
        auth.storeCredentials();
        QVERIFY(logged(S("❌ [Auth0Manager] Failed to store credentials. Credentials null")));
        QCOMPARE(m_s.store->writes, 0);
    }

    void storedCredentialsAreRenewedAtStart_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<Status>("status");
        QTest::newRow("active account") << true << Status::completed;
        QTest::newRow("inactive account") << false << Status::needsOnboarding;
    }
    void storedCredentialsAreRenewedAtStart()
    {
        QFETCH(bool, active);
        QFETCH(Status, status);
        const Credentials expired = issuedCredentials(0);
        m_s.store->entries.insert(S("credentials"), expired.encode());
        m_s.api->setReply(Endpoint::CreateAuthUser, 200,
                        active ? R"({"id": "user-1", "email": "server@example.com", "is_active": true})"
                               : R"({"id": "user-1", "email": "server@example.com", "is_active": false})");

        Auth0Manager auth(m_s.client, m_s.store, S("https://api.example.test"));
        QList<bool> order; // isAuthenticated turns true before the check completes
        connect(&auth, &Auth0Manager::isAuthenticatedChanged, this, [&] { order << auth.isCredentialCheckComplete(); });
        AuthenticationManager manager(&auth, m_s.remote);
        QTRY_VERIFY(!manager.isInitializing());
        QCOMPARE(order.value(0), false);
        QCOMPARE(manager.authStatus(), status);
        QCOMPARE(m_s.idp->refreshes, 1);
        QCOMPARE(*auth.userProfile(), (UserInfo{S("google-oauth2|1001"), S("Ada Lovelace"), S("ada@example.com"), S("https://example.com/ada.png")}));

        QCOMPARE(m_s.api->count(Endpoint::CreateAuthUser), 1);
        QCOMPARE(m_s.api->lastBody(Endpoint::CreateAuthUser),
                 (QJsonObject{{S("auth_id"), S("google-oauth2|1001")}, {S("email"), S("ada@example.com")}}));
        QCOMPARE(m_s.api->lastHeader(Endpoint::CreateAuthUser, "Authorization"), "Bearer " + m_s.idp->lastAccessToken.toUtf8());
        QCOMPARE(manager.userEmail(), std::optional<QString>(S("server@example.com")));
        QTRY_COMPARE(Credentials::decode(m_s.store->entries.value(S("credentials")))->accessToken, m_s.idp->lastAccessToken);
        QTRY_COMPARE(m_analytics.calls().value(0).kind, S("identify"));
        QCOMPARE(m_analytics.calls().value(0).event, S("google-oauth2|1001"));
    }

    void firstLoginWhoseAccountCheckFailsStoresNothing()
    {
        NotificationSpy spy;
        Auth0Manager auth(m_s.client, m_s.store, S("https://api.example.test"));
        AuthenticationManager manager(&auth, m_s.remote);
        QTRY_VERIFY(!manager.isInitializing());

        m_s.api->setReply(Endpoint::CreateAuthUser, 500, "down");
        manager.setPendingInvitationCode(S("INV-1"));
        auth.loginWithGoogle();
        QVERIFY(auth.isLoadingGoogle());
        QTRY_VERIFY(manager.error());
        QVERIFY(!auth.isLoadingGoogle());
        QVERIFY(auth.isAuthenticated());
        QCOMPARE(manager.authStatus(), Status::notAuthenticated);
        QCOMPARE(m_s.api->lastBody(Endpoint::CreateAuthUser).value(S("invitation_code")).toString(), S("INV-1"));
        QCOMPARE(manager.pendingInvitationCode(), std::optional<QString>(S("INV-1")));
        QVERIFY(logged(S("📦 [Auth0Manager] Falling back to in-memory credentials (first sign-in)")));
        QVERIFY(logged(S("[AuthManager] Error validating user in server: serverError(\"Server returned status code 500\")")));
        QTest::qWait(50);
        QVERIFY(m_s.store->entries.isEmpty());
        QCOMPARE(m_s.store->writes, 0);

        QTRY_COMPARE(m_analytics.count(S("authentication_success")), 1);
        QCOMPARE(m_analytics.count(S("authentication_started")), 1);
        QVERIFY(m_analytics.lastProperties(S("authentication_success")).contains(S("duration_seconds")));
        QVariantMap report;
        for (const auto &e : m_analytics.events(S("error_occurred")))
            if (e.properties.value(S("context")) == S("AuthenticationManager"))
                report = e.properties;
        QCOMPARE(report.value(S("operation")).toString(), S("validateRemoteUser"));
        QCOMPARE(report.value(S("invitation_code")).toString(), S("INV-1"));
        QCOMPARE(report.value(S("has_access_token")).toBool(), true);
        QCOMPARE(report.value(S("has_email")).toBool(), false);

        // A new login starts a new check; this time the account is there.
        m_s.api->setReply(Endpoint::CreateAuthUser, 200, R"({"id": "user-1", "email": "ada@example.com", "is_active": true})");
        auth.loginWithGoogle();
        QTRY_COMPARE(manager.authStatus(), Status::completed);
        QCOMPARE(m_s.api->count(Endpoint::CreateAuthUser), 2);
        QVERIFY(!manager.pendingInvitationCode());
        QTRY_COMPARE(m_s.store->writes, 1);
    }

    void profileClaimsFallBack()
    {
        Auth0Manager auth(m_s.client, m_s.store, QString());
        QTRY_VERIFY(auth.isCredentialCheckComplete());
        auth.loginWithGoogle();
        QTRY_VERIFY(auth.isAuthenticated());
        // A later token without email or picture keeps the previous profile's values.
        m_s.idp->claims = QJsonObject{{S("sub"), S("google-oauth2|1001")}, {S("name"), S("Ada King")}};
        auth.loginWithGoogle();
        QTRY_COMPARE(auth.userProfile()->name, S("Ada King"));
        QCOMPARE(auth.userProfile()->email, S("ada@example.com"));
        QCOMPARE(auth.userProfile()->picture, S("https://example.com/ada.png"));

        // No profile before and no claims: empty fields, and the missing e-mail is logged.
        Auth0Manager fresh(m_s.client, m_s.store, QString());
        QTRY_VERIFY(fresh.isCredentialCheckComplete());
        m_s.idp->claims = QJsonObject{};
        g_lines.clear();
        m_analytics.clear();
        fresh.loginWithGoogle();
        QTRY_VERIFY(fresh.isAuthenticated());
        QCOMPARE(*fresh.userProfile(), UserInfo{});
        QVERIFY(logged(S("[Auth0Manager] No email found in JWT or previous profile")));
        QTRY_VERIFY(std::any_of(m_analytics.calls().cbegin(), m_analytics.calls().cend(),
                                [](const auto &c) { return c.kind == S("identify") && c.event.isEmpty(); }));
    }

    void undecodableIdTokenAtStartSignsOut()
    {
        Credentials broken = issuedCredentials(3600);
        broken.idToken = S("not-a-jwt");
        m_s.store->entries.insert(S("credentials"), broken.encode());
        Auth0Manager auth(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&auth, m_s.remote);
        QTRY_VERIFY(auth.isCredentialCheckComplete());
        QVERIFY(!auth.isAuthenticated());
        QVERIFY(!auth.credentials());
        QVERIFY(logged(S("[Auth0Manager] Failed to decode JWT")));
        QTRY_VERIFY(!manager.isInitializing());
        QCOMPARE(manager.authStatus(), Status::notAuthenticated);
    }

    void logoutClearsTheStoreThenPosts()
    {
        m_s.store->entries.insert(S("credentials"), issuedCredentials(3600).encode());
        Auth0Manager auth(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&auth, m_s.remote);
        QTRY_COMPARE(manager.authStatus(), Status::completed);
        NotificationSpy spy;
        bool storeEmptyWhenPosted = false;
        QObject context;
        NotificationCenter::defaultCenter().addObserver(S("logoutCompleted"), &context,
                                                        [&](const Notification &) { storeEmptyWhenPosted = m_s.store->entries.isEmpty(); });
        auth.logout();
        QTRY_COMPARE(spy.count(S("logoutCompleted")), 1);
        QVERIFY(storeEmptyWhenPosted);
        QCOMPARE(m_s.idp->logouts, 1);
        QVERIFY(!auth.isAuthenticated());
        QVERIFY(!auth.userProfile());
        QVERIFY(!auth.credentials());
        QVERIFY(auth.isCredentialCheckComplete());
        QCOMPARE(manager.authStatus(), Status::completed); // the application delegate sets it
        QCOMPARE(token(auth), std::nullopt);

        // A logout that never comes back leaves the user signed in.
        auth.loginWithGoogle();
        QTRY_VERIFY(auth.isAuthenticated());
        m_s.browser->setFollow(false);
        m_s.client->setTimeLimits(300000, 200);
        auth.logout();
        QTRY_VERIFY(auth.error());
        QVERIFY(auth.isAuthenticated());
        QCOMPARE(spy.count(S("logoutCompleted")), 1);
        QVERIFY(g_lines.filter(QRegularExpression(S("^Logout failed: "))).size() == 1);
    }

    void onboardingNeedsTheAccountCheckFirst()
    {
        Auth0Manager auth(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&auth, m_s.remote);
        QTRY_VERIFY(!manager.isInitializing());
        m_s.api->setReply(Endpoint::CreateAuthUser, 500, "");
        auth.loginWithGoogle();
        QTRY_VERIFY(manager.error());
        const Credentials held = *auth.credentials();
        g_lines.clear();
        m_analytics.clear();

        std::optional<std::optional<RemoteError>> out;
        manager.completeOnboarding(S("Ada"), S("L"), S(""), S(""), S(""), this, [&](const std::optional<RemoteError> &e) { out = e; });
        QTRY_VERIFY(out);
        QCOMPARE(out->value().kind(), RemoteError::Kind::unauthorized);
        QVERIFY(logged(S("[AuthManager] Missing required credentials or email")));
        QVERIFY(logged(S("[AuthManager] Access Token: present")));
        QVERIFY(logged(S("[AuthManager] ID Token: present")));
        for (const auto &line : std::as_const(g_lines)) // never a token itself
            QVERIFY(!line.contains(held.accessToken) && !line.contains(held.idToken));
        const QVariantMap report = m_analytics.lastProperties(S("error_occurred"));
        QCOMPARE(report.value(S("operation")).toString(), S("completeOnboarding"));
        QCOMPARE(report.value(S("has_email")).toBool(), false);
        QCOMPARE(m_s.api->count(Endpoint::CreateProfile), 0);

        // After the account check the answers go out with the server's e-mail address.
        m_s.api->setReply(Endpoint::CreateAuthUser, 200, R"({"id": "u", "email": "server@example.com", "is_active": false})");
        auth.loginWithGoogle();
        QTRY_COMPARE(manager.authStatus(), Status::needsOnboarding);
        out.reset();
        manager.completeOnboarding(S("Ada"), S("L"), S("Engines"), S("in/ada"), S("@ada"), this,
                                   [&](const std::optional<RemoteError> &e) { out = e; });
        QTRY_VERIFY(out);
        QVERIFY(!out->has_value());
        QCOMPARE(m_s.api->lastBody(Endpoint::CreateProfile).value(S("email")).toString(), S("server@example.com"));
        QCOMPARE(m_s.api->lastBody(Endpoint::CreateProfile).value(S("auth_id")).toString(), S("google-oauth2|1001"));
        QCOMPARE(manager.authStatus(), Status::needsOnboarding); // the onboarding screen moves on
    }
};

TAVO_TEST_MAIN(SignInTest)
#include "tst_signin.moc"
