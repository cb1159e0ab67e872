#include "FakeScheduler.h"
#include "TestMain.h"
#include "onboarding/IntroView.h"
#include "onboarding/InvitationView.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "shell/SignInWindow.h"

#include <QPointer>

// The sign-in window puts in a new screen when the step changes and keeps the one on show when
// the same step is asked for again (the shell asks on every status and nebula change).
class TestSignInWindowScreens : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aScreenPerStep()
    {
        FakeScheduler scheduler;
        BackgroundVisibilityManager bg;
        SignInWindow window(&bg);
        // Asked again for its step whenever the nebula switch changes, as the shell does.
        connect(&bg, &BackgroundVisibilityManager::showNebulaChanged, &window,
                [&] { window.setContent(window.content()); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.setContent(SignInWindow::Content::Invitation);
        QPointer<QWidget> invitation = window.screenWidget();
        QVERIFY(qobject_cast<InvitationView *>(invitation));
        QVERIFY(invitation->isVisible());
        QVERIFY(!bg.showNebula()); // the screen hid the nebula on appearing
        window.setContent(SignInWindow::Content::Invitation);
        QCOMPARE(window.screenWidget(), invitation.data());

        window.setContent(SignInWindow::Content::Intro);
        QVERIFY(qobject_cast<IntroView *>(window.screenWidget()));
        QVERIFY(invitation && invitation->isHidden()); // removed on a later turn
        QTRY_VERIFY(!invitation);

        window.setContent(SignInWindow::Content::None);
        QVERIFY(!window.screenWidget());
    }
};

TAVO_TEST_MAIN(TestSignInWindowScreens)
#include "tst_signinwindowscreens.moc"
