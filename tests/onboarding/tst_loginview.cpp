#include "Platform/Log.h"
#include "SignInFixture.h"
#include "TestMain.h"
#include "onboarding/LoginView.h"

#include <QLabel>
#include <QPushButton>

using Endpoint = AccountApiStandin::Endpoint;

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
QStringList g_lines;
void captureLine(const QString &line)
{
    g_lines.append(line);
}
}

// The login screen through a whole sign-in: the browser follows the identity stand-in's
// redirects, and the account API stand-in answers the account request.
class TestLoginView : public QObject {
    Q_OBJECT
    std::unique_ptr<SignInFixture> f;

private Q_SLOTS:
    void initTestCase() { Log::setSink(captureLine); }
    void cleanupTestCase() { Log::setSink(nullptr); }
    void init()
    {
        f = std::make_unique<SignInFixture>();
        QVERIFY(f->start());
        g_lines.clear();
    }
    void cleanup() { f.reset(); }

    void accountFailuresShowInTheCard_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("409 with detail") << 409 << QByteArray(R"({"detail": "<b>Already</b> registered"})")
                                         << S("<b>Already</b> registered") << S("Conflict: <b>Already</b> registered");
        QTest::newRow("400 without detail") << 400 << QByteArray("{}") << S("Bad request error without detail")
                                            << S("Bad Request: Bad request error without detail");
        QTest::newRow("400 with detail") << 400 << QByteArray(R"({"detail": "Code used"})") << S("Code used")
                                         << S("Bad Request: Code used");
        QTest::newRow("500") << 500 << QByteArray("down") << S("Something went wrong. Please try again.") << QString();
        QTest::newRow("undecodable reply") << 200 << QByteArray("[]") << S("Something went wrong. Please try again.")
                                           << QString();
    }
    void accountFailuresShowInTheCard()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(QString, line);
        f->api.setReply(Endpoint::CreateAuthUser, status, body);
        LoginView view(*f->auth, *f->auth0, S("CODE-1234567"), {}, &f->bgManager);
        view.resize(600, 900);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QVERIFY(!view.backButton());
        QVERIFY(!f->bgManager.showNebula());

        // Return starts the login, exactly as the button does.
        QTest::keyClick(view.windowHandle(), Qt::Key_Return);
        QVERIFY(f->auth0->isLoadingGoogle());
        QVERIFY(!view.googleButton()->isEnabled());
        QTest::keyClick(view.windowHandle(), Qt::Key_Return); // ignored while the login runs
        QTRY_VERIFY(view.showError());
        QCOMPARE(f->idp.codeExchanges, 1);
        QCOMPARE(f->api.lastBody(Endpoint::CreateAuthUser).value(S("invitation_code")).toString(), S("CODE-1234567"));

        QCOMPARE(view.errorMessage(), std::optional<QString>(text));
        QCOMPARE(view.errorLabel()->text(), text);
        QCOMPARE(view.errorLabel()->textFormat(), Qt::PlainText);
        QVERIFY(view.errorLabel()->isVisible());
        QVERIFY(!view.googleButton()->isVisible());
        if (!line.isEmpty())
            QVERIFY2(g_lines.contains(line), qPrintable(g_lines.join('\n')));
        QVERIFY(g_lines.filter(S("[LoginView] Error detected: ")).size() == 1);

        // Return does nothing while the card shows; OK hides it and clears the published error.
        QTest::keyClick(view.windowHandle(), Qt::Key_Return);
        QCOMPARE(f->idp.codeExchanges, 1);
        view.okButton()->click();
        QVERIFY(!view.showError());
        QVERIFY(!f->auth->error());
        QVERIFY(view.googleButton()->isVisible());
        QVERIFY(view.googleButton()->isEnabled());
        QCOMPARE(view.errorMessage(), std::optional<QString>(text));

        // A new attempt sends the code again.
        f->api.setReply(Endpoint::CreateAuthUser, 200, R"({"id": "u1", "email": "ada@example.com", "is_active": false})");
        view.googleButton()->click();
        QTRY_COMPARE(f->auth->authStatus(), AuthenticationStatus::needsOnboarding);
        QCOMPARE(f->api.count(Endpoint::CreateAuthUser), 2);
        QCOMPARE(f->api.lastBody(Endpoint::CreateAuthUser).value(S("invitation_code")).toString(), S("CODE-1234567"));

        view.hide();
        QVERIFY(f->bgManager.showNebula());
    }

    void anAbandonedLoginShowsNoCard()
    {
        f->idp.authorizeError = S("access_denied");
        LoginView view(*f->auth, *f->auth0, std::nullopt, [] {}, &f->bgManager);
        view.show();
        view.googleButton()->click();
        QVERIFY(view.googleButton()->isHidden() == false);
        QTRY_VERIFY(!f->auth0->isLoadingGoogle());
        QVERIFY(f->auth0->error());
        QVERIFY(view.googleButton()->isEnabled());
        QVERIFY(!view.showError());
        QVERIFY(view.backButton());
    }

    void anErrorPresentAtBuildOpensTheCard()
    {
        f->api.setReply(Endpoint::CreateAuthUser, 409, "{}");
        f->auth0->loginWithGoogle();
        QTRY_VERIFY(f->auth->error());
        LoginView view(*f->auth, *f->auth0, std::nullopt, {}, &f->bgManager);
        QVERIFY(view.showError());
        QCOMPARE(view.errorMessage(), std::optional<QString>(S("Conflict error without detail")));
    }
};

TAVO_TEST_MAIN(TestLoginView)
#include "tst_loginview.moc"
