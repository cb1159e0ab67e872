// The shell's sign-in state over the real identity and sign-in state machine (identity and
// account API stand-ins, credentials in memory), and a sign-out through the application
// delegate that ends with the status notAuthenticated.
#include "SignInStandins.h"
#include "BrowserHook.h"
#include "CoordinatorFixture.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "Platform/Settings.h"
#include "Platform/Updater/SoftwareUpdater.h"
#include "TestMain.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"
#include "shell/AccountSignInState.h"
#include "shell/AppDelegate.h"

#include <QSignalSpy>

using Status = SignInState::Status;

class TestAccountSignInState : public QObject {
    Q_OBJECT
    SignInStandins m_s;

    void storeSignedInUser()
    {
        std::optional<CredentialsResult> out;
        m_s.client->startWebLogin({}, this, [&](const CredentialsResult &r) { out = r; });
        QVERIFY(QTest::qWaitFor([&] { return out.has_value(); }, 10000));
        QVERIFY(out->ok());
        m_s.store->entries.insert(QStringLiteral("credentials"), out->credentials->encode());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_s.start(this));
        Settings::instance().remove("hasSeenIntro");
    }
    void cleanup()
    {
        m_s.stop();
    }

    void statusesPassBothWays_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("notAuthenticated") << int(Status::notAuthenticated);
        QTest::newRow("authenticated") << int(Status::authenticated);
        QTest::newRow("needsOnboarding") << int(Status::needsOnboarding);
        QTest::newRow("completed") << int(Status::completed);
    }
    void statusesPassBothWays()
    {
        QFETCH(int, status);
        Auth0Manager identity(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&identity, m_s.remote);
        AccountSignInState state(&manager, &identity);
        QTRY_VERIFY(!state.isInitializing());
        QList<Status> announced;
        connect(&state, &SignInState::authStatusChanged, this, [&](Status s) { announced << s; });

        manager.setAuthStatus(AuthenticationStatus(status));
        QCOMPARE(state.authStatus(), Status(status));
        // The same value again is announced again.
        state.setAuthStatus(Status(status));
        QCOMPARE(manager.authStatus(), AuthenticationStatus(status));
        QCOMPARE(announced, (QList<Status>{Status(status), Status(status)}));
    }

    void startWithoutStoredCredentials()
    {
        Auth0Manager identity(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&identity, m_s.remote);
        AccountSignInState state(&manager, &identity);
        QSignalSpy initializing(&state, &SignInState::isInitializingChanged);
        QVERIFY(state.isInitializing());
        QTRY_COMPARE(initializing.count(), 1);
        QCOMPARE(initializing.first().first().toBool(), false);
        QVERIFY(!state.isInitializing());
        QCOMPARE(state.authStatus(), Status::notAuthenticated);
        QCOMPARE(state.profileEmail(), std::nullopt);
    }

    void signedInUserSignsOutThroughTheDelegate()
    {
        storeSignedInUser();
        Settings::instance().setValue("hasSeenIntro", true);
        Auth0Manager identity(m_s.client, m_s.store, QString());
        AuthenticationManager manager(&identity, m_s.remote);
        AccountSignInState state(&manager, &identity);
        QTRY_COMPARE(state.authStatus(), Status::completed);
        QVERIFY(!state.isInitializing());
        QCOMPARE(state.profileEmail(), std::optional<QString>(QStringLiteral("ada@example.com")));

        CoordinatorFixture coord;
        SoftwareUpdater updater;
        AppDelegate::Services services;
        services.container = &coord.container;
        services.authManager = &state;
        services.updater = &updater;
        services.makeMainViewModel = [&coord] {
            coord.make();
            return std::unique_ptr<MainViewModel>(coord.vm.release());
        };
        AppDelegate delegate(services);
        delegate.applicationDidFinishLaunching();
        QTRY_VERIFY(delegate.isStatusItemShown());
        QTRY_VERIFY(coord.windows.log.calls.contains("canvas.show"));

        // What the analytics client had seen each time the status was announced.
        QList<QPair<Status, QStringList>> announced;
        connect(&state, &SignInState::authStatusChanged, this, [&](Status s) {
            QStringList seen;
            for (const auto &call : coord.analytics.calls())
                seen << (call.kind == "capture" ? call.event : call.kind);
            announced.append({s, seen});
        });
        coord.analytics.clear();
        delegate.logout();
        QTRY_COMPARE(announced.size(), 1);
        QCOMPARE(announced.first().first, Status::notAuthenticated);
        QCOMPARE(manager.authStatus(), AuthenticationStatus::notAuthenticated);
        const QStringList seen = announced.first().second;
        QCOMPARE(seen.mid(0, 3), (QStringList{"logout_started", "logout_completed", "reset"}));
        QCOMPARE(m_s.idp->logouts, 1);
        QVERIFY(m_s.store->entries.isEmpty());
        QCOMPARE(state.profileEmail(), std::nullopt);
        QVERIFY(!Settings::instance().boolValue("hasSeenIntro", true));
        QTRY_VERIFY(!delegate.isStatusItemShown());
    }
};

TAVO_TEST_MAIN(TestAccountSignInState)
#include "tst_accountsigninstate.moc"
