#pragma once
#include "shell/CoordinatorWindows.h"
#include "shell/SignInState.h"

#include <QDateTime>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class MainViewModel;
class ModelContainer;
class ModelContext;
class QAction;
class QMenu;
class QMenuBar;
class QSystemTrayIcon;
class SoftwareUpdater;

// Runs the application's launch and quit: analytics, crash reporter, updater, the coordinator
// and the delegate's own transcript panel, the status-bar menu, the main menu, and the reaction
// to each sign-in status (the signed-in state opens the flower and the canvas; sign-out cleans
// everything up). One instance for the life of the process; main thread only.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Services {
        ModelContainer *container = nullptr;
        SignInState *authManager = nullptr; // none: nobody can sign in in this build
        std::function<void()> configureCrashReporter;
        std::function<std::unique_ptr<MainViewModel>()> makeMainViewModel;
        std::function<std::unique_ptr<WindowPort>(MainViewModel *)> makeTranscriptManager;
        std::function<void(ModelContext *)> seedDummyData;
        std::function<void(ModelContext *)> refreshPredefinedAppIcons;
        SoftwareUpdater *updater = nullptr; // none: the delegate makes the real one
    };

    explicit AppDelegate(const Services &services, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationDidBecomeActive();
    // The user asked for the application again (tray icon, a second launch). Answers whether
    // the platform should go on with its own handling.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void applicationWillTerminate();
    // The termination steps (analytics, sessions closed, windows torn down), once per process;
    // sessionsClosed runs when the sessions are closed. The quit road calls it before the
    // event loop ends, the loop's end through applicationWillTerminate.
    void terminate(std::function<void()> sessionsClosed);
    void windowWillClose();
    void triggerUpdateCheck();
    void handleAuthStatusChange(SignInState::Status status);
    void enterSignedInState();
    void populateInitialData();

    // Status-bar menu and main menu.
    void setupStatusItem();
    void togglePanel();
    void startVoiceMode();
    void toggleTranscript();
    void toggleNSCanvas();
    void openAppStore();
    void checkForUpdates();
    void logout();
    void showPanel();
    void toggleFlower();
    void pruneMainMenu();
    void handleLogoutCompleted();

    SignInState::Status authStatus() const;
    bool isAuthInitializing() const;
    MainViewModel *mainViewModel() const { return m_mainViewModel.get(); }
    WindowPort *transcriptManager() const { return m_transcriptManager.get(); }
    QSystemTrayIcon *statusItem() const { return m_statusItem; }
    QMenu *statusMenu() const { return m_statusMenu; }
    QMenuBar *mainMenu() const;
    bool isStatusItemShown() const { return m_statusItemShown; }
    SoftwareUpdater *updaterController() const { return m_updaterController; }

Q_SIGNALS:
    // The sign-in window must show the content of the current status again.
    void signInContentChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setStatusItemShown(bool shown);
    // The application menu of the main menu carries the status menu's actions, so they and
    // their shortcuts are there also where no tray shows the status item.
    void fillApplicationMenu();
    QString applicationName() const;
    QAction *addMenuItem(const QString &title, void (AppDelegate::*action)(), const QKeySequence &key = {});

    Services m_services;
    QSystemTrayIcon *m_statusItem = nullptr;
    QMenu *m_statusMenu = nullptr;
    // Shown in the canvas window, which takes it over.
    QPointer<QMenuBar> m_mainMenu;
    bool m_statusItemShown = false;
    std::unique_ptr<MainViewModel> m_mainViewModel;
    std::unique_ptr<WindowPort> m_transcriptManager;
    std::optional<QDateTime> m_logoutStartTime;
    SoftwareUpdater *m_updaterController = nullptr;
    quint64 m_fullScreenObserver = 0;
    bool m_launched = false;
    bool m_terminated = false;
};
