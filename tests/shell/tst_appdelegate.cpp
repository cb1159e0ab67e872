// The launch sequence, the sign-in window per status, the status menu, the main menu, the
// routed notifications, sign-out and a second launch.
#include "CoordinatorFixture.h"
#include "FakeScheduler.h"
#include "FakeSignInState.h"
#include "NotificationSpy.h"
#include "Platform/AppInfo.h"
#include "Platform/AppTermination.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "shell/AppDelegate.h"
#include "shell/SingleInstanceGuard.h"
#include "shell/TavoOrluneApp.h"
#include "Platform/Updater/SoftwareUpdater.h"
#include "model/TaskData.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/SessionManager.h"
#include "windows/NSCanvasWindowManager.h"

#include <QLayout>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>

void FakeSignInState::logout()
{
    ++logouts;
    NotificationCenter::defaultCenter().post(QStringLiteral("logoutCompleted"));
}

namespace {
// Runs virtual time and the real event loop together (queued signals, socket work).
void settle(FakeScheduler &clock)
{
    for (int i = 0; i < 30; ++i) {
        clock.advance(10);
        QCoreApplication::processEvents();
    }
}

// The delegate over the coordinator fixture, with every launch step recorded.
struct DelegateFixture {
    CoordinatorFixture coord;
    FakeSignInState auth;
    SoftwareUpdater updater;
    QStringList steps;
    std::unique_ptr<TavoOrluneApp> app;

    AppDelegate::Services services()
    {
        AppDelegate::Services s;
        s.container = &coord.container;
        s.authManager = &auth;
        s.updater = &updater;
        s.configureCrashReporter = [this] { steps << "crashReporter"; };
        s.makeMainViewModel = [this] {
            steps << "mainViewModel";
            coord.make();
            return std::unique_ptr<MainViewModel>(coord.vm.release());
        };
        s.makeTranscriptManager = [this](MainViewModel *) {
            steps << "transcriptManager";
            return std::make_unique<FakeWindow<WindowPort>>(&coord.windows.log, "delegateTranscript");
        };
        s.seedDummyData = [this](ModelContext *) { steps << "seed"; };
        s.refreshPredefinedAppIcons = [this](ModelContext *) { steps << "refreshIcons"; };
        return s;
    }
    AppDelegate &launch()
    {
        app = std::make_unique<TavoOrluneApp>(services());
        app->launch();
        return *app->appDelegate();
    }
};
}

class TestAppDelegate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Settings::instance().remove("hasSeenIntro"); }

    void launchOrder();
    void signInWindowFollowsTheStatus_data();
    void signInWindowFollowsTheStatus();
    void statusMenuItems();
    void menuBarWithoutATray();
    void quitEndsWhateverTheWindowsSay();
    void mainMenuPruning_data();
    void mainMenuPruning();
    void routedNotifications_data();
    void routedNotifications();
    void observersAreRegisteredOnce();
    void signedInOpensFlowerAndCanvas();
    void signedInWithoutIntroIsSignedOut();
    void signOutCleansUpInOrder();
    void reopen();
    void secondLaunchActivatesTheFirst();
    void instanceSocketIsPrivate();
};

void TestAppDelegate::launchOrder()
{
    FakeScheduler clock;
    DelegateFixture f;
    Settings::instance().setValue("NSApplicationCrashOnExceptions", false);
    Settings::instance().setValue(SoftwareUpdater::automaticChecksKey(), true);
    AppDelegate &d = f.launch();
    QCOMPARE(f.steps, (QStringList{"crashReporter", "mainViewModel", "transcriptManager"}));
    QCOMPARE(f.coord.analytics.eventNames().first(), QString("app_launched"));
    QVERIFY(Settings::instance().boolValue("NSApplicationCrashOnExceptions"));
    QVERIFY(f.updater.isStarted());
    QVERIFY(!f.updater.automaticallyChecksForUpdates());
    QVERIFY(!d.statusItem()); // on the next turn
    clock.runPending();
    QVERIFY(d.statusItem());
    QCOMPARE(f.steps, (QStringList{"crashReporter", "mainViewModel", "transcriptManager", "seed", "refreshIcons"}));
    const QStringList populate = CoordinatorFixture::log().filter(QRegularExpression("populat|Refreshing app icons"));
    QCOMPARE(populate, (QStringList{"Starting to populate AppStore data...", "Successfully populated AppStore data",
                                    "Starting to populate other data...",
                                    "Refreshing app icons to ensure all apps are available...", "Successfully populated all data"}));
    QCOMPARE(d.mainMenu()->actions().size(), 6);
    clock.advance(100);
    QCOMPARE(d.mainMenu()->actions().size(), 2);
    // No observer of the coordinator runs before sign-in.
    QVERIFY(d.mainViewModel()->notificationObservers().isEmpty());
    QVERIFY(!d.isStatusItemShown());
}

void TestAppDelegate::signInWindowFollowsTheStatus_data()
{
    QTest::addColumn<bool>("initializing");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("hasSeenIntro");
    QTest::addColumn<bool>("hasProfile");
    QTest::addColumn<int>("content");
    QTest::addColumn<bool>("windowShown");
    using S = SignInState::Status;
    using C = SignInWindow::Content;
    QTest::newRow("initializing") << true << int(S::notAuthenticated) << false << false << int(C::None) << true;
    QTest::newRow("first launch: intro") << false << int(S::notAuthenticated) << false << false << int(C::Intro) << true;
    QTest::newRow("intro seen: invitation") << false << int(S::notAuthenticated) << true << false << int(C::Invitation) << true;
    QTest::newRow("onboarding with a profile") << false << int(S::needsOnboarding) << true << true << int(C::Onboarding) << true;
    QTest::newRow("onboarding without a profile") << false << int(S::needsOnboarding) << true << false << int(C::Invitation) << true;
    QTest::newRow("completed: hidden") << false << int(S::completed) << true << true << int(C::None) << false;
}

void TestAppDelegate::signInWindowFollowsTheStatus()
{
    QFETCH(bool, initializing);
    QFETCH(int, status);
    QFETCH(bool, hasSeenIntro);
    QFETCH(bool, hasProfile);
    QFETCH(int, content);
    QFETCH(bool, windowShown);
    FakeScheduler clock;
    DelegateFixture f;
    Settings::instance().setValue("hasSeenIntro", hasSeenIntro);
    f.auth.initializing = initializing;
    f.auth.status = SignInState::Status(status);
    if (hasProfile)
        f.auth.email = "ada@example.com";
    f.launch();
    settle(clock);
    QCOMPARE(int(f.app->signInWindow()->content()), content);
    QCOMPARE(f.app->signInWindow()->isVisible(), windowShown);
    if (windowShown && content != int(SignInWindow::Content::None)) {
        QVERIFY(f.app->signInWindow()->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(f.app->signInWindow()->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!f.app->signInWindow()->placeholderText().isEmpty());
    }
    QCOMPARE(f.app->appDelegate()->isStatusItemShown(), SignInState::Status(status) == SignInState::Status::completed);
}

void TestAppDelegate::statusMenuItems()
{
    FakeScheduler clock;
    DelegateFixture f;
    AppDelegate &d = f.launch();
    clock.runPending();
    QStringList titles;
    for (QAction *a : d.statusMenu()->actions())
        titles << (a->isSeparator() ? QString("--") : a->text());
    QCOMPARE(titles, (QStringList{"Floating Panel : Double Tap ⌥", "Voice Mode : Double Tap fn", "Toggle Transcript - Double Tap ⌃", "--",
                                  "Canvas", "--", "App Store", "--", "Check for Updates", "--", "Logout", "--", "Quit"}));
    QCOMPARE(d.statusMenu()->actions().at(10)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QCOMPARE(d.statusMenu()->actions().at(12)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(d.statusMenu()->actions().at(0)->shortcut().isEmpty());

    // The first item toggles the panel with source "menu"; the transcript item drives the
    // delegate's own transcript panel, not the coordinator's.
    d.statusMenu()->actions().at(0)->trigger();
    QVERIFY(f.coord.windows.log.calls.contains("panel.show"));
    QCOMPARE(f.coord.analytics.lastProperties("panel_interaction").value("source").toString(), QString("menu"));
    d.statusMenu()->actions().at(0)->trigger();
    QCOMPARE(f.coord.analytics.lastProperties("panel_interaction").value("action").toString(), QString("close"));
    d.statusMenu()->actions().at(2)->trigger();
    QVERIFY(f.coord.windows.log.calls.contains("delegateTranscript.show"));
    QVERIFY(!f.coord.windows.log.calls.contains("transcript.show"));
    d.statusMenu()->actions().at(6)->trigger();
    QVERIFY(f.coord.windows.log.calls.contains("store.show"));
    QCOMPARE(f.coord.analytics.lastProperties("app_store_interaction").value("source").toString(), QString("menu"));
}

// Without a tray (stock desktops, Xvfb) the status menu's actions are in the canvas window's
// menu bar, with their shortcuts.
void TestAppDelegate::menuBarWithoutATray()
{
    FakeScheduler clock;
    DelegateFixture f;
    Settings::instance().setValue("hasSeenIntro", true);
    AppDelegate &d = f.launch();
    clock.runPending();
    clock.advance(100); // the main menu is pruned; the application menu stays
    QMenu *appMenu = nullptr;
    for (QAction *a : d.mainMenu()->actions())
        if (a->menu() && a->text() == "Tavo Orlune")
            appMenu = a->menu();
    QVERIFY(appMenu);
    QCOMPARE(appMenu->actions(), d.statusMenu()->actions());
    QStringList titles;
    for (QAction *a : appMenu->actions())
        if (!a->isSeparator())
            titles << a->text() + (a->shortcut().isEmpty() ? QString() : " " + a->shortcut().toString());
    for (const char *wanted : {"Canvas", "App Store", "Check for Updates", "Logout Ctrl+L", "Quit Ctrl+Q"})
        QVERIFY2(titles.contains(wanted), qPrintable(titles.join(", ")));

    // Signed in: the canvas gets the menu bar before it shows.
    f.auth.setAuthStatus(SignInState::Status::completed);
    settle(clock);
    QCOMPARE(f.coord.windows.canvas->menuBar, d.mainMenu());

    // The real canvas window shows it, and Ctrl+Q there takes the quit road.
    NSCanvasWindowManager canvas([]() -> std::shared_ptr<QObject> { return nullptr; });
    canvas.setMenuBar(d.mainMenu());
    QWidget *window = canvas.window();
    QVERIFY(window);
    QCOMPARE(window->layout()->menuBar(), d.mainMenu());
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    int ended = 0;
    AppTermination::reset([&ended] { ++ended; });
    auto forget = qScopeGuard([] { AppTermination::reset(); });
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(AppTermination::isRequested());
    QCOMPARE(ended, 1); // no steps here: the loop ends at once
}

// The Quit action does not ask the windows: the termination steps run and the loop ends.
void TestAppDelegate::quitEndsWhateverTheWindowsSay()
{
    FakeScheduler clock;
    DelegateFixture f;
    AppDelegate &d = f.launch();
    clock.runPending();
    int stepsRun = 0;
    int ended = 0;
    AppTermination::reset([&ended] { ++ended; });
    auto forget = qScopeGuard([] { AppTermination::reset(); });
    AppTermination::setSteps([&](std::function<void()> done) {
        ++stepsRun;
        d.terminate(std::move(done));
    });
    d.statusMenu()->actions().constLast()->trigger();
    QVERIFY(AppTermination::isRequested());
    QCOMPARE(stepsRun, 1);
    QCOMPARE(f.coord.analytics.count("app_terminated"), 1);
    // The sessions are closed, then the loop ends (the windows are not asked).
    settle(clock);
    QTRY_COMPARE(ended, 1);
    // The loop's own end does not run the steps again.
    d.applicationWillTerminate();
    QCOMPARE(f.coord.analytics.count("app_terminated"), 1);
}

void TestAppDelegate::mainMenuPruning_data()
{
    QTest::addColumn<bool>("bundleName");
    QTest::newRow("bundle name Tavo Orlune") << true;
    QTest::newRow("no bundle name") << false;
}

void TestAppDelegate::mainMenuPruning()
{
    QFETCH(bool, bundleName);
    FakeScheduler clock;
    const QVariantMap saved = AppInfo::instance().dictionary();
    QVariantMap dict = saved;
    if (!bundleName)
        dict.remove("CFBundleName");
    AppInfo::instance().setDictionary(dict);
    DelegateFixture f;
    AppDelegate &d = f.launch();
    d.mainMenu()->addMenu("Orlune Tools"); // another title is removed too
    d.pruneMainMenu();
    QStringList titles;
    for (QAction *a : d.mainMenu()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"Tavo Orlune", "Edit"}));
    AppInfo::instance().setDictionary(saved);
}

void TestAppDelegate::routedNotifications_data()
{
    QTest::addColumn<QString>("notification");
    QTest::addColumn<QString>("windowCall");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("source");
    QTest::newRow("Option double tap") << "PanelKeyDoubleTap" << "panel.show" << "panel_interaction" << "kb";
    QTest::newRow("Control double tap") << "TranscriptKeyDoubleTap" << "transcript.show" << "transcription_interaction" << "kb";
    QTest::newRow("fn double tap") << "FlowerKeyDoubleTap" << "flower.showFlowerWindow" << "voice_recording" << "kb";
    QTest::newRow("panel for canvas") << "togglePanelVisibilityForCanvas" << "panel.show" << "panel_interaction" << "auto";
    QTest::newRow("panel toggle") << "togglePanelVisibility" << "panel.show" << "panel_interaction" << "panel";
    QTest::newRow("show floating panel") << "showFloatingPanel" << "panel.show" << "panel_interaction" << "auto";
    QTest::newRow("transcript from flower") << "toggleTranscriptWindowFromFlower" << "transcript.show" << "transcription_interaction" << "flower";
    QTest::newRow("transcript from panel") << "toggleTranscriptWindow" << "transcript.show" << "transcription_interaction" << "panel";
    QTest::newRow("canvas toggle") << "toggleCanvasWindow" << "canvas.show" << "canvas_interaction" << "panel";
    QTest::newRow("canvas from panel") << "showCanvasWindowFromPanel" << "canvas.show" << "canvas_interaction" << "panel";
    QTest::newRow("canvas from flower") << "showCanvasWindow" << "canvas.show" << "canvas_interaction" << "flower";
}

void TestAppDelegate::routedNotifications()
{
    QFETCH(QString, notification);
    QFETCH(QString, windowCall);
    QFETCH(QString, event);
    QFETCH(QString, source);
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    vm.setupNotificationObservers();
    QCOMPARE(vm.notificationObservers().size(), 16);
    f.windows.log.calls.clear();
    NotificationSpy spy;
    NotificationCenter::defaultCenter().post(notification);
    QVERIFY(!f.windows.log.calls.contains(windowCall)); // the work runs after the post returns
    clock.advance(100);
    QVERIFY2(f.windows.log.calls.contains(windowCall), qPrintable(f.windows.log.calls.join(',')));
    QCOMPARE(f.analytics.count(event), 1);
    QCOMPARE(f.analytics.lastProperties(event).value("source").toString(), source);
    if (notification == "FlowerKeyDoubleTap")
        QCOMPARE(spy.count("startFlowerRecording"), 1);
}

void TestAppDelegate::observersAreRegisteredOnce()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    vm.setupNotificationObservers();
    vm.setupNotificationObservers();
    QCOMPARE(NotificationCenter::defaultCenter().observerCount("PanelKeyDoubleTap"), 1);
    NotificationCenter::defaultCenter().post("PanelKeyDoubleTap");
    clock.runPending();
    QCOMPARE(f.windows.log.calls.filter("panel.").size(), 1);
    // The second double tap closes it again and, with no canvas, resets the microphone mode.
    NotificationSpy spy;
    NotificationCenter::defaultCenter().post("PanelKeyDoubleTap");
    clock.advance(10);
    QVERIFY(f.windows.log.calls.contains("panel.baseHide"));
    QCOMPARE(f.analytics.lastProperties("panel_interaction").value("action").toString(), QString("close"));
    QCOMPARE(spy.count("resetMicrophoneMode"), 1);
    vm.teardownWindows();
    QCOMPARE(NotificationCenter::defaultCenter().observerCount("PanelKeyDoubleTap"), 0);
}

void TestAppDelegate::signedInOpensFlowerAndCanvas()
{
    FakeScheduler clock;
    DelegateFixture f;
    Settings::instance().setValue("hasSeenIntro", true);
    AppDelegate &d = f.launch();
    clock.runPending();
    f.auth.setAuthStatus(SignInState::Status::completed);
    settle(clock); // the status arrives queued
    QVERIFY(d.isStatusItemShown());
    QCOMPARE(d.mainViewModel()->notificationObservers().size(), 16);
    QVERIFY(f.coord.windows.log.calls.contains("flower.showFlowerWindow"));
    QVERIFY(f.coord.windows.log.calls.contains("canvas.show"));
    QCOMPARE(f.coord.analytics.lastProperties("flower_interaction").value("source").toString(), QString("auto"));
    QCOMPARE(f.coord.analytics.lastProperties("canvas_interaction").value("source").toString(), QString("auto"));
    QVERIFY(!d.mainViewModel()->isInitializing()); // no start-up services in this fixture
    QVERIFY(!f.app->signInWindow()->isVisible());
}

void TestAppDelegate::signedInWithoutIntroIsSignedOut()
{
    FakeScheduler clock;
    DelegateFixture f;
    f.auth.status = SignInState::Status::completed;
    f.launch();
    settle(clock);
    QVERIFY(CoordinatorFixture::log().contains("User is authenticated but hasn't seen intro. Forcing logout..."));
    QCOMPARE(f.auth.logouts, 1);
    QCOMPARE(f.coord.analytics.count("logout_started"), 1);
    QCOMPARE(f.auth.status, SignInState::Status::notAuthenticated);
    QCOMPARE(f.app->signInWindow()->content(), SignInWindow::Content::Intro);
}

void TestAppDelegate::signOutCleansUpInOrder()
{
    FakeScheduler clock;
    DelegateFixture f;
    Settings::instance().setValue("hasSeenIntro", true);
    Settings::instance().setValue("pipedreamExternalUserId", "user-1");
    AppDelegate &d = f.launch();
    clock.runPending();
    MainViewModel *vm = d.mainViewModel();
    vm->chatViewModel(vm->createTask("one", "All Tasks", false));
    vm->createTask("two", "All Tasks", false);
    QCOMPARE(vm->controlManager()->sessionManager()->sessions().size(), 2);
    vm->setTranscriptInput("draft");
    f.coord.analytics.clear();
    clock.advance(2500);
    d.logout();
    QCOMPARE(f.auth.logouts, 1);
    settle(clock);
    QCOMPARE(f.auth.assigned, QList<SignInState::Status>{SignInState::Status::notAuthenticated});
    QVERIFY(!Settings::instance().boolValue("hasSeenIntro", true));
    QCOMPARE(Settings::instance().stringValue("pipedreamExternalUserId"), QString());
    QStringList events = f.coord.analytics.eventNames();
    QCOMPARE(events.mid(0, 2), (QStringList{"logout_started", "logout_completed"}));
    QCOMPARE(f.coord.analytics.lastProperties("logout_completed").value("logout_duration").toDouble(), 0.0);
    QVERIFY(f.coord.analytics.calls().at(2).kind == "reset");
    QCOMPARE(events.mid(2), (QStringList{"panel_interaction", "flower_interaction", "canvas_interaction",
                                         "app_store_interaction", "transcription_interaction"}));
    for (const QString &e : events.mid(2)) {
        QCOMPARE(f.coord.analytics.lastProperties(e).value("action").toString(), QString("close"));
        QCOMPARE(f.coord.analytics.lastProperties(e).value("source").toString(), QString("auto"));
    }
    QVERIFY(vm->controlManager()->sessionManager()->sessions().isEmpty());
    QVERIFY(vm->chatViewModels().isEmpty());
    QVERIFY(vm->transcriptInput().isEmpty());
    QVERIFY(vm->isInitializing());
    QVERIFY(vm->notificationObservers().isEmpty());
    QVERIFY(f.coord.windows.log.calls.contains("store.createWindow"));
    QVERIFY(CoordinatorFixture::log().contains(
        "✅ [MainViewModel] Logout cleanup completed - all windows closed, sessions terminated, and services reset"));
    QVERIFY(!d.isStatusItemShown());
}

void TestAppDelegate::reopen()
{
    FakeScheduler clock;
    DelegateFixture f;
    AppDelegate &d = f.launch();
    QVERIFY(d.applicationShouldHandleReopen(true));
    QVERIFY(d.applicationShouldHandleReopen(false)); // not signed in yet
    f.auth.status = SignInState::Status::completed;
    f.coord.windows.log.calls.clear();
    QVERIFY(!d.applicationShouldHandleReopen(false));
    QVERIFY(f.coord.windows.log.calls.contains("canvas.show"));
    QCOMPARE(f.coord.analytics.lastProperties("canvas_interaction").value("source").toString(), QString("dock"));
}

void TestAppDelegate::secondLaunchActivatesTheFirst()
{
    const QString name = "tavo-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    SingleInstanceGuard first(name);
    QVERIFY(first.tryBecomePrimary());
    QSignalSpy reopened(&first, &SingleInstanceGuard::reopenRequested);
    bool secondIsPrimary = true;
    // The second instance's blocking hand-over needs the first one's event loop running.
    QThread *thread = QThread::create([&] {
        SingleInstanceGuard second(name);
        secondIsPrimary = second.tryBecomePrimary();
    });
    thread->start();
    QTRY_VERIFY(thread->isFinished());
    delete thread;
    QVERIFY(!secondIsPrimary);
    QTRY_COMPARE(reopened.count(), 1);
}

// The socket is in the user's own runtime folder, and a request from another user is refused.
void TestAppDelegate::instanceSocketIsPrivate()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QVERIFY2(SingleInstanceGuard::defaultName().startsWith(runtime + '/'), qPrintable(SingleInstanceGuard::defaultName()));

    if (::getuid() != 0)
        QSKIP("acting as another user needs root");
    QTemporaryDir dir(QStringLiteral("/tmp/tavo-guard-XXXXXX"));
    QVERIFY(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString name = dir.filePath(QStringLiteral("guard.sock"));
    SingleInstanceGuard first(name);
    QVERIFY(first.tryBecomePrimary());
    ::chmod(QFile::encodeName(name).constData(), 0777); // reachable, so that only the user check stands in the way
    QSignalSpy reopened(&first, &SingleInstanceGuard::reopenRequested);
    const QByteArray path = QFile::encodeName(name);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(std::min<qsizetype>(path.size(), sizeof address.sun_path - 1)));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            ::_exit(3);
        const char request[] = "reopen\n";
        if (::write(fd, request, sizeof request - 1) < 0)
            ::_exit(4);
        ::usleep(300000);
        ::_exit(0);
    }
    QVERIFY(child > 0);
    int status = 0;
    bool reaped = false;
    QTRY_VERIFY(reaped || (reaped = ::waitpid(child, &status, WNOHANG) == child));
    QCOMPARE(WEXITSTATUS(status), 0);
    QTest::qWait(200);
    QCOMPARE(reopened.count(), 0);
}

TAVO_TEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
