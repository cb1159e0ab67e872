#include "BrowserHook.h"
#include "Platform/Identity/CrashReporter.h"
#include "Platform/Identity/CredentialsManager.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "Platform/Identity/JwtPayload.h"
#include "Platform/Identity/LoopbackListener.h"
#include "Platform/Identity/Pkce.h"
#include "TestMain.h"
#include "Platform/Log.h"

#include <QDir>
#include <QRegularExpression>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
}

// The hosted-login client, its credentials manager, the token decoder and the crash reporter.
class IdentityTest : public QObject {
    Q_OBJECT
    IdentityStandin *m_idp = nullptr;
    HostedLoginClient *m_client = nullptr;

    CredentialsResult login()
    {
        std::optional<CredentialsResult> out;
        m_client->startWebLogin({S("https://api.example.test"), S("google-oauth2"), S("openid profile email")}, this,
                                [&](const CredentialsResult &r) { out = r; });
        if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
            qFatal("no login answer");
        return *out;
    }

private Q_SLOTS:
    void init()
    {
        m_idp = new IdentityStandin(this);
        QVERIFY(m_idp->start());
        m_client = new HostedLoginClient(S("client-1"), m_idp->domain(), this);
    }
    void cleanup()
    {
        delete m_client;
        delete m_idp;
    }

    void pkceVerifierAndChallenge()
    {
        // The example of the PKCE standard.
        QCOMPARE(Pkce::challenge(S("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")), S("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
        const QString a = Pkce::makeVerifier();
        const QString b = Pkce::makeVerifier();
        QVERIFY(a != b);
        QCOMPARE(a.size(), 43);
        QVERIFY(QRegularExpression(S("^[A-Za-z0-9_-]+$")).match(a).hasMatch());
        QVERIFY(Pkce::makeState() != Pkce::makeState());
    }

    void jwtPayload_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("sub"); // empty: no string claim
        QTest::newRow("claims") << IdentityStandin::makeJwt({{S("sub"), S("u1")}}) << true << S("u1");
        QTest::newRow("sub not a string") << IdentityStandin::makeJwt({{S("sub"), 7}}) << true << QString();
        QTest::newRow("two parts") << S("a.b") << false << QString();
        QTest::newRow("not base64url") << S("a.***.c") << false << QString();
        QTest::newRow("payload not an object") << S("e30.WzFd.") << false << QString();
        QTest::newRow("empty") << QString() << false << QString();
    }
    void jwtPayload()
    {
        QFETCH(QString, token);
        QFETCH(bool, decodes);
        QFETCH(QString, sub);
        const auto payload = JwtPayload::decode(token);
        QCOMPARE(payload.has_value(), decodes);
        if (payload)
            QCOMPARE(payload->claim(S("sub")).value_or(QString()), sub);
    }

    void listenerTakesOneCallbackOnLoopbackOnly()
    {
        LoopbackListener listener(S("/callback"));
        QVERIFY(listener.listen());
        QCOMPARE(listener.address(), QHostAddress(QHostAddress::LocalHost));
        QVERIFY(listener.redirectUri().startsWith(S("http://127.0.0.1:")));
        QList<QUrlQuery> received;
        connect(&listener, &LoopbackListener::received, this, [&](const QUrlQuery &q) { received << q; });
        QNetworkAccessManager network;
        // The status of a GET, or 0 when nothing answers.
        const auto get = [&](const QString &target) {
            QNetworkReply *reply = network.get(QNetworkRequest(QUrl(S("http://127.0.0.1:%1").arg(listener.port()) + target)));
            if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 5000))
                return -1;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            reply->deleteLater();
            return status;
        };
        QCOMPARE(get(S("/favicon.ico")), 404);
        QVERIFY(received.isEmpty());
        QCOMPARE(get(S("/callback?code=abc&state=xyz")), 200);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().queryItemValue(S("code")), S("abc"));
        // One shot: the listener is gone afterwards.
        QCOMPARE(get(S("/callback?code=again")), 0);
        QCOMPARE(received.size(), 1);
    }

    void webLoginWithPkceAndState()
    {
        BrowserHook browser;
        const auto result = login();
        QVERIFY2(result.ok(), qPrintable(result.error ? result.error->description : QString()));
        QCOMPARE(result.credentials->accessToken, m_idp->lastAccessToken);
        QVERIFY(result.credentials->refreshToken);
        QCOMPARE(JwtPayload::decode(result.credentials->idToken)->claim(S("email")), std::optional<QString>(S("ada@example.com")));

        const QUrlQuery &q = m_idp->lastAuthorize;
        QCOMPARE(q.queryItemValue(S("response_type")), S("code"));
        QCOMPARE(q.queryItemValue(S("client_id")), S("client-1"));
        QCOMPARE(q.queryItemValue(S("connection")), S("google-oauth2"));
        QCOMPARE(q.queryItemValue(S("scope"), QUrl::FullyDecoded), S("openid profile email"));
        QCOMPARE(q.queryItemValue(S("audience"), QUrl::FullyDecoded), S("https://api.example.test"));
        QCOMPARE(q.queryItemValue(S("code_challenge_method")), S("S256"));
        QVERIFY(q.queryItemValue(S("redirect_uri"), QUrl::FullyDecoded).startsWith(S("http://127.0.0.1:")));
        QVERIFY(!q.queryItemValue(S("state")).isEmpty());
        QCOMPARE(Pkce::challenge(m_idp->lastTokenRequest.queryItemValue(S("code_verifier"), QUrl::FullyDecoded)),
                 q.queryItemValue(S("code_challenge")));
        QCOMPARE(browser.opened().size(), 1);
    }

    void refusedAnswers_data()
    {
        QTest::addColumn<QString>("forgedState");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("code");
        QTest::newRow("state mismatch") << S("forged") << QString() << S("stateMismatch");
        QTest::newRow("cancelled") << QString() << S("access_denied") << S("userCancelled");
    }
    void refusedAnswers()
    {
        QFETCH(QString, forgedState);
        QFETCH(QString, error);
        QFETCH(QString, code);
        BrowserHook browser;
        m_idp->overrideState = forgedState;
        m_idp->authorizeError = error;
        // A forged state does not end the wait; the time limit does, and says why.
        m_client->setTimeLimits(1000, 1000);
        const auto result = login();
        QVERIFY(!result.ok());
        QCOMPARE(result.error->typeName, S("WebAuthError"));
        QCOMPARE(result.error->code, code);
        QCOMPARE(m_idp->codeExchanges, 0);
    }

    // Another local program that finds the listener's port cannot end the sign-in: its guess
    // is answered 400 and the real answer still completes it.
    void forgedCallbackDoesNotEndTheLogin()
    {
        BrowserHook browser;
        browser.setFollow(false);
        std::optional<CredentialsResult> out;
        m_client->startWebLogin({S("https://api.example.test"), S("google-oauth2"), S("openid profile email")}, this,
                                [&](const CredentialsResult &r) { out = r; });
        QTRY_COMPARE(browser.opened().size(), 1);
        const QUrl authorize = browser.opened().first();
        QUrl forged(QUrlQuery(authorize).queryItemValue(S("redirect_uri"), QUrl::FullyDecoded));
        forged.setQuery(S("code=evil&state=guessed"));
        QNetworkAccessManager network;
        QNetworkReply *reply = network.get(QNetworkRequest(forged));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 400);
        reply->deleteLater();
        QTest::qWait(100);
        QVERIFY(!out.has_value());
        browser.visit(authorize);
        QTRY_VERIFY_WITH_TIMEOUT(out.has_value(), 10000);
        QVERIFY2(out->ok(), qPrintable(out->error ? out->error->description : QString()));
        QCOMPARE(m_idp->codeExchanges, 1);
    }

    void unfinishedLoginTimesOut()
    {
        BrowserHook browser;
        browser.setFollow(false);
        m_client->setTimeLimits(200, 200);
        const auto result = login();
        QCOMPARE(result.error->code, S("timedOut"));
        HostedLoginClient unconfigured(S("client-1"), S("http://example.com")); // plain http elsewhere is refused
        QVERIFY(!unconfigured.isConfigured());
    }

    void managerRenewsExpiredCredentials()
    {
        BrowserHook browser;
        m_idp->expiresIn = 0;
        const auto first = login();
        QVERIFY(first.ok());
        InMemoryCredentialsStore store;
        CredentialsManager manager(m_client, &store, S("credentials"));
        std::optional<CredentialsResult> out;
        manager.credentials(0, this, [&](const CredentialsResult &r) { out = r; });
        QTRY_VERIFY(out);
        QCOMPARE(out->error->code, S("noCredentials"));

        store.entries.insert(S("credentials"), first.credentials->encode());
        m_idp->expiresIn = 3600;
        out.reset();
        manager.credentials(0, this, [&](const CredentialsResult &r) { out = r; });
        QTRY_VERIFY(out);
        QVERIFY(out->ok());
        QCOMPARE(m_idp->refreshes, 1);
        QVERIFY(out->credentials->accessToken != first.credentials->accessToken);
        QCOMPARE(out->credentials->refreshToken, first.credentials->refreshToken); // kept when not reissued
        QCOMPARE(Credentials::decode(store.entries.value(S("credentials")))->accessToken, out->credentials->accessToken);

        // Fresh now: no renewal.
        out.reset();
        manager.credentials(0, this, [&](const CredentialsResult &r) { out = r; });
        QTRY_VERIFY(out);
        QCOMPARE(m_idp->refreshes, 1);

        // A refused renewal is an error.
        store.entries.insert(S("credentials"), first.credentials->encode());
        m_idp->refreshAllowed = false;
        out.reset();
        manager.credentials(0, this, [&](const CredentialsResult &r) { out = r; });
        QTRY_VERIFY(out);
        QCOMPARE(out->error->typeName, S("CredentialsManagerError"));
        QCOMPARE(out->error->code, S("renewFailed"));
    }

    // Sessions that reconnect together with expired credentials share one renewal: the identity
    // service sees one refresh grant, and everyone gets the same fresh token.
    void concurrentCallersShareOneRenewal()
    {
        BrowserHook browser;
        m_idp->expiresIn = 0;
        const auto first = login();
        QVERIFY(first.ok());
        InMemoryCredentialsStore store;
        store.entries.insert(S("credentials"), first.credentials->encode());
        store.failWrites = true; // a keychain that refuses: still answered, and said in the log
        static QStringList lines;
        lines.clear();
        Log::setSink([](const QString &l) { lines << l; });
        auto restore = qScopeGuard([] { Log::setSink(nullptr); });
        CredentialsManager manager(m_client, &store, S("credentials"));
        m_idp->expiresIn = 3600;
        QList<CredentialsResult> answers;
        for (int i = 0; i < 3; ++i)
            manager.credentials(60, this, [&](const CredentialsResult &r) { answers << r; });
        QTRY_COMPARE(answers.size(), 3);
        QCOMPARE(m_idp->refreshes, 1);
        for (const CredentialsResult &r : answers) {
            QVERIFY(r.ok());
            QCOMPARE(r.credentials->accessToken, answers.first().credentials->accessToken);
        }
        QVERIFY(answers.first().credentials->accessToken != first.credentials->accessToken);
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString &l) { return l.contains(S("could not be written to the keychain")); }));
    }

    void expiryIsClamped_data()
    {
        QTest::addColumn<double>("expiresIn");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("plain") << 3600.0 << qint64(3600);
        QTest::newRow("negative") << -50.0 << qint64(0);
        QTest::newRow("absurd") << 1e300 << qint64(365) * 24 * 3600;
        QTest::newRow("not a number") << std::nan("") << qint64(0);
    }

    void expiryIsClamped()
    {
        QFETCH(double, expiresIn);
        QFETCH(qint64, seconds);
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        QCOMPARE(now.secsTo(Credentials::expiryFrom(now, expiresIn)), seconds);
    }

    void logoutComesBackThroughTheBrowser()
    {
        BrowserHook browser;
        std::optional<std::optional<IdentityError>> out;
        m_client->clearSession(false, this, [&](const std::optional<IdentityError> &e) { out = e; });
        QTRY_VERIFY(out);
        QVERIFY(!out->has_value());
        QCOMPARE(m_idp->logouts, 1);
        QVERIFY(!QUrlQuery(browser.opened().first()).hasQueryItem(S("federated")));
    }

    void crashReporterWritesAReport()
    {
        QTemporaryDir dir;
        const QString reports = dir.path() + S("/CrashReports");
        QVERIFY(CrashReporter::start(reports));
        const pid_t child = ::fork();
        if (child == 0) {
            CrashReporter::setUserIdentifier(S("google-oauth2|42"));
            ::raise(SIGSEGV);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGSEGV);
        const QStringList files = QDir(reports).entryList({S("crash-*.txt")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile file(reports + u'/' + files.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(S("signal: 11 (SIGSEGV)")));
        QVERIFY(text.contains(S("user: google-oauth2|42")));
        QVERIFY(text.contains(S("pid: ") + QString::number(child)));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(file.fileName()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }
};

TAVO_TEST_MAIN(IdentityTest)
#include "tst_identity.moc"
