#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "SignInFixture.h"
#include "TestMain.h"
#include "onboarding/IconTextField.h"
#include "onboarding/InvitationView.h"
#include "onboarding/LoginView.h"
#include "widgets/WindowUtils.h"
#include "Platform/UrlOpener.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

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

// The invitation screen and the login screen it hosts, against the account API and identity
// stand-ins.
class TestInvitationView : public QObject {
    Q_OBJECT
    std::unique_ptr<SignInFixture> f;
    std::unique_ptr<InvitationView> view;

    std::unique_ptr<RemoteService> unreachable;

    void showView(RemoteService *remote = nullptr)
    {
        const InvitationView::Services services{f->auth.get(), f->auth0.get(), remote ? remote : f->remote.get()};
        view = std::make_unique<InvitationView>(&f->bgManager, services);
        view->resize(900, 900);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
    }

private Q_SLOTS:
    void initTestCase() { Log::setSink(captureLine); }
    void cleanupTestCase() { Log::setSink(nullptr); }
    void init()
    {
        f = std::make_unique<SignInFixture>();
        QVERIFY(f->start());
        f->browser.setFollow(false);
        g_lines.clear();
    }
    void cleanup()
    {
        view.reset();
        unreachable.reset();
        f.reset();
    }

    void codeRuleCountsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("11") << S("ABCDEFGHIJK") << false;
        QTest::newRow("12") << S("ABCDEFGHIJKL") << true;
        QTest::newRow("13") << S("ABCDEFGHIJKLM") << false;
        QTest::newRow("12 blanks") << S("            ") << true;
        QTest::newRow("mixed case") << S("aBcDeFgHiJkL") << true;
        // 12 characters in 13 UTF-16 units (a combining accent), and in 20 (an emoji sequence).
        QTest::newRow("combining accent") << S("ABCDEFGHIJKe\u0301") << true;
        QTest::newRow("emoji family") << S("ABCDEFGHIJK👩‍👩‍👧") << true;
        // 12 UTF-16 units, only 11 characters.
        QTest::newRow("11 with surrogates") << S("ABCDEFGHI😀X") << false;
    }
    void codeRuleCountsUserPerceivedCharacters()
    {
        QFETCH(QString, code);
        QFETCH(bool, valid);
        QCOMPARE(InvitationView::isValidCodeForm(code), valid);
        showView();
        view->codeField()->setText(code);
        QCOMPARE(view->isInvitationCodeValid(), valid);
        QCOMPARE(view->continueButton()->isEnabled(), valid);
    }

    void checkFailuresBecomeTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("errorReported");
        QTest::newRow("rejected") << 200 << QByteArray(R"({"is_valid": false})")
                                  << S("Invalid invitation code. Please check and try again.") << false;
        QTest::newRow("500") << 500 << QByteArray("oops") << S("Server error: Server returned status code 500") << true;
        QTest::newRow("401") << 401 << QByteArray() << S("Server error: Server returned status code 401") << true;
        QTest::newRow("200 not JSON") << 200 << QByteArray("<html>")
                                      << S("Network error. Please check your connection and try again.") << true;
        QTest::newRow("no connection") << 0 << QByteArray()
                                       << S("Network error. Please check your connection and try again.") << true;
    }
    void checkFailuresBecomeTexts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(bool, errorReported);
        if (status == 0)
            unreachable = std::make_unique<RemoteService>(S("http://127.0.0.1:1"));
        else
            f->api.setReply(Endpoint::ValidateInvitation, status, body);
        showView(unreachable.get());
        view->codeField()->setText(S("CODE-1234567"));
        view->continueButton()->click();
        QCOMPARE(view->isCheckingInvitationCode(), true);
        QCOMPARE(view->continueButton()->text(), S("Checking..."));
        QVERIFY(!view->continueButton()->isEnabled());

        QTRY_VERIFY(!view->isCheckingInvitationCode());
        QCOMPARE(view->invitationCodeError(), std::optional<QString>(text));
        QCOMPARE(view->errorLabel()->text(), text);
        QCOMPARE(view->errorLabel()->textFormat(), Qt::PlainText);
        QVERIFY(view->continueButton()->isEnabled());
        QCOMPARE(view->invitationCode(), S("CODE-1234567"));
        QVERIFY(!view->showLoginView());
        QCOMPARE(f->analytics.count(S("validate_invitation_code_request")), 1);
        if (status != 0)
            QCOMPARE(f->api.count(Endpoint::ValidateInvitation), 1);
        QCOMPARE(f->analytics.count(S("validate_invitation_code_invalid")), errorReported ? 0 : 1);
        bool reported = false;
        for (const auto &e : f->analytics.events(S("error_occurred")))
            reported |= e.properties.value(S("context")) == S("InvitationView")
                && e.properties.value(S("operation")) == S("validateInvitationCode");
        QCOMPARE(reported, errorReported);

        // Emptying the field keeps the text; any other edit clears it.
        view->codeField()->setText(QString());
        QCOMPARE(view->invitationCodeError(), std::optional<QString>(text));
        view->codeField()->setText(S("C"));
        QCOMPARE(view->invitationCodeError(), std::nullopt);
        QVERIFY(view->errorLabel()->isHidden());
    }

    void theValidatedCodeIsTheCodeThatWasSent()
    {
        f->api.setReply(Endpoint::ValidateInvitation, 200, R"({"is_valid": true})", 300);
        showView();
        view->codeField()->setText(S("FIRST-CODE-1"));
        view->continueButton()->click();
        QTRY_COMPARE(f->api.count(Endpoint::ValidateInvitation), 1);
        // The user keeps typing while the answer is on its way.
        view->codeField()->setText(S("OTHER-CODE-2"));
        QTRY_VERIFY(view->showLoginView());

        QCOMPARE(f->api.lastBody(Endpoint::ValidateInvitation).value(S("invitation_code")).toString(), S("FIRST-CODE-1"));
        QCOMPARE(view->validatedInvitationCode(), std::optional<QString>(S("FIRST-CODE-1")));
        QCOMPARE(f->analytics.lastProperties(S("validate_invitation_code_success")).value(S("invitation_code")).toString(),
                 S("FIRST-CODE-1"));
        QVERIFY(view->loginView());
        QCOMPARE(view->loginView()->validatedInvitationCode(), std::optional<QString>(S("FIRST-CODE-1")));
        QTRY_VERIFY(view->loginView()->isVisible());

        // The login carries that code to the account request.
        view->loginView()->googleButton()->click();
        QCOMPARE(f->auth->pendingInvitationCode(), std::optional<QString>(S("FIRST-CODE-1")));
        QTRY_VERIFY(!f->browser.opened().isEmpty());
    }

    void backKeepsTheCodeAndSignInGoesWithoutOne()
    {
        showView();
        view->codeField()->setText(S("FIRST-CODE-1"));
        view->continueButton()->click();
        QTRY_VERIFY(view->showLoginView()); // no explicit answer counts as valid
        QVERIFY(view->loginView()->backButton());
        QVERIFY(!f->bgManager.showNebula());

        view->loginView()->backButton()->click();
        QTRY_VERIFY(!view->showLoginView());
        QCOMPARE(view->validatedInvitationCode(), std::nullopt);
        QCOMPARE(view->invitationCode(), S("FIRST-CODE-1"));
        QVERIFY(view->continueButton()->isEnabled());

        f->auth->setPendingInvitationCode(S("STALE"));
        view->signInButton()->click();
        QVERIFY(view->showLoginView());
        QCOMPARE(view->loginView()->validatedInvitationCode(), std::nullopt);
        QCOMPARE(f->analytics.lastProperties(S("button_tap")).value(S("button_name")).toString(), S("already_have_account"));
        QCOMPARE(f->analytics.lastProperties(S("button_tap")).value(S("screen_name")).toString(), S("invitation_view"));
        view->loginView()->googleButton()->click();
        QCOMPARE(f->auth->pendingInvitationCode(), std::nullopt);
        // Opened twice between two resets, the screen reports its opening once.
        QCOMPARE(f->analytics.count(S("invitation_window_opened")), 1);
        QCOMPARE(f->analytics.count(S("login_window_opened")), 1);
    }

    void returnRunsContinueOnlyWhenEnabled_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("requests");
        QTest::newRow("Return, 12") << S("ABCDEFGHIJKL") << int(Qt::Key_Return) << 1;
        QTest::newRow("Return, 11") << S("ABCDEFGHIJK") << int(Qt::Key_Return) << 0;
        QTest::newRow("keypad Enter, 12") << S("ABCDEFGHIJKL") << int(Qt::Key_Enter) << 0;
    }
    void returnRunsContinueOnlyWhenEnabled()
    {
        QFETCH(QString, code);
        QFETCH(int, key);
        QFETCH(int, requests);
        f->api.setReply(Endpoint::ValidateInvitation, 200, R"({"is_valid": false})");
        showView();
        view->codeField()->setText(code);
        view->codeField()->lineEdit()->setFocus();
        QTest::keyClick(view->windowHandle(), Qt::Key(key));
        QTest::qWait(200);
        QCOMPARE(f->api.count(Endpoint::ValidateInvitation), requests);
    }

    void waitlistAndClose()
    {
        QList<QUrl> opened;
        UrlOpener::setHandler([&](const QUrl &url) {
            opened << url;
            return true;
        });
        int quits = 0;
        WindowUtils::setTerminator([&] { ++quits; });
        FakeScheduler scheduler;
        showView();

        view->waitlistButton()->click();
        QCOMPARE(opened, QList<QUrl>{QUrl(S("https://tavoorlune.app"))});
        QCOMPARE(f->analytics.lastProperties(S("button_tap")).value(S("button_name")).toString(), S("join_wait_list"));

        view->closeButton()->click();
        QVERIFY(view->isClosing());
        scheduler.advance(249);
        QCOMPARE(f->analytics.count(S("invitation_window_closed")), 0);
        scheduler.advance(1);
        QCOMPARE(f->analytics.count(S("invitation_window_closed")), 1);
        scheduler.advance(300);
        QCOMPARE(quits, 1);
        UrlOpener::setHandler({});
        WindowUtils::setTerminator({});
    }
};

TAVO_TEST_MAIN(TestInvitationView)
#include "tst_invitationview.moc"
