#include "shell/AppDelegate.h"
#include "analytics/AnalyticsService.h"
#include "Platform/AppInfo.h"
#include "Platform/AppTermination.h"
#include "Platform/Assets.h"
#include "Platform/Log.h"
#include "shell/MainViewModel.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/Updater/SoftwareUpdater.h"
#include "Platform/Store/StoreError.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
QVariantMap source(const QString &caller) { return {{QStringLiteral("source"), caller}}; }
const QString kHasSeenIntro = QStringLiteral("hasSeenIntro");
}

AppDelegate::AppDelegate(const Services &services, QObject *parent) : QObject(parent), m_services(services) {}

AppDelegate::~AppDelegate()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    if (m_fullScreenObserver)
        NotificationCenter::defaultCenter().removeObserver(m_fullScreenObserver);
    delete m_statusItem;
    delete m_statusMenu;
    delete m_mainMenu;
}

SignInState::Status AppDelegate::authStatus() const
{
    return m_services.authManager ? m_services.authManager->authStatus() : SignInState::Status::notAuthenticated;
}

bool AppDelegate::isAuthInitializing() const
{
    return m_services.authManager && m_services.authManager->isInitializing();
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;
    AnalyticsService::shared().setup();
    AnalyticsService::shared().trackAppLaunch();
    if (m_services.configureCrashReporter)
        m_services.configureCrashReporter();
    Settings::instance().setValue(QStringLiteral("NSApplicationCrashOnExceptions"), true);
    // The light appearance is forced by the application set-up before any window exists.
    m_updaterController = m_services.updater ? m_services.updater : new SoftwareUpdater(this);
    m_updaterController->start();
    m_updaterController->setAutomaticallyChecksForUpdates(false);
    if (m_services.makeMainViewModel)
        m_mainViewModel = m_services.makeMainViewModel();
    if (m_mainViewModel) {
        // The profile screen signs out the way the status menu does.
        QPointer<AppDelegate> self(this);
        m_mainViewModel->setSignOutAction([self] {
            if (self)
                self->logout();
        });
    }
    if (m_services.makeTranscriptManager && m_mainViewModel)
        m_transcriptManager = m_services.makeTranscriptManager(m_mainViewModel.get());

    qApp->installEventFilter(this); // window-will-close
    if (m_services.authManager) {
        connect(m_services.authManager, &SignInState::authStatusChanged, this,
                [this](SignInState::Status status) { handleAuthStatusChange(status); }, Qt::QueuedConnection);
        connect(m_services.authManager, &SignInState::isInitializingChanged, this, &AppDelegate::signInContentChanged);
        QPointer<AppDelegate> self(this);
        MainQueue::post(this, [self] {
            if (self)
                self->handleAuthStatusChange(self->authStatus());
        });
    }
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("logoutCompleted"), this,
                                                    [this](const Notification &) { handleLogoutCompleted(); });
    m_fullScreenObserver = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("canvasWindowDidEnterFullScreen"), this, [this](const Notification &) { triggerUpdateCheck(); });

    QPointer<AppDelegate> self(this);
    MainQueue::post(this, [self] {
        if (!self)
            return;
        if (self->m_statusItem)
            self->setStatusItemShown(self->authStatus() == SignInState::Status::completed);
        else
            self->setupStatusItem();
    });
    MainQueue::post(this, [self] {
        if (self)
            self->populateInitialData();
    });
    // The platform would fill the main menu with its standard menus; ours starts the same way.
    m_mainMenu = new QMenuBar;
    for (const QString &title : {applicationName(), QStringLiteral("File"), QStringLiteral("Edit"), QStringLiteral("View"),
                                 QStringLiteral("Window"), QStringLiteral("Help")})
        m_mainMenu->addMenu(title);
    fillApplicationMenu();
    Scheduler::instance().singleShot(100, this, [this] { pruneMainMenu(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            applicationDidBecomeActive();
    });
}

void AppDelegate::applicationDidBecomeActive()
{
    pruneMainMenu();
}

void AppDelegate::handleAuthStatusChange(SignInState::Status status)
{
    if (m_statusItem)
        setStatusItemShown(authStatus() == SignInState::Status::completed);
    else
        setupStatusItem();
    Q_EMIT signInContentChanged();
    const bool hasSeenIntro = Settings::instance().boolValue(kHasSeenIntro, false);
    if (hasSeenIntro) {
        if (status == SignInState::Status::completed) {
            QPointer<AppDelegate> self(this);
            MainQueue::post(this, [self] {
                if (self)
                    self->enterSignedInState();
            });
        }
        return;
    }
    if (status == SignInState::Status::authenticated || status == SignInState::Status::completed) {
        Log::line(QStringLiteral("User is authenticated but hasn't seen intro. Forcing logout..."));
        AnalyticsService::shared().trackLogoutStarted();
        if (m_services.authManager)
            m_services.authManager->logout();
    }
}

void AppDelegate::enterSignedInState()
{
    MainViewModel *vm = m_mainViewModel.get();
    if (!vm)
        return;
    vm->setupNotificationObservers();
    QPointer<MainViewModel> model(vm);
    MainQueue::post(vm, [model] {
        if (model)
            model->initializeServices();
    });
    AnalyticsService::shared().trackFlowerInteraction(QStringLiteral("open"), source(QStringLiteral("auto")));
    if (FlowerWindowPort *flower = vm->flowerManager(); flower && !flower->isVisible())
        flower->showFlowerWindow();
    AnalyticsService::shared().trackCanvasInteraction(QStringLiteral("open"), source(QStringLiteral("auto")));
    if (CanvasWindowPort *canvas = vm->nsCanvasManager()) {
        canvas->setMenuBar(m_mainMenu);
        canvas->show();
    }
}

void AppDelegate::populateInitialData()
{
    if (!m_services.container)
        return;
    ModelContext context(m_services.container);
    try {
        Log::line(QStringLiteral("Starting to populate AppStore data..."));
        context.save();
        Log::line(QStringLiteral("Successfully populated AppStore data"));
        Log::line(QStringLiteral("Starting to populate other data..."));
        if (m_services.seedDummyData)
            m_services.seedDummyData(&context);
        Log::line(QStringLiteral("Refreshing app icons to ensure all apps are available..."));
        if (m_services.refreshPredefinedAppIcons)
            m_services.refreshPredefinedAppIcons(&context);
        context.save();
        Log::line(QStringLiteral("Successfully populated all data"));
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Error populating data: ") + error.localizedDescription());
    }
}

void AppDelegate::triggerUpdateCheck()
{
    if (m_updaterController)
        m_updaterController->checkForUpdatesInBackground();
    if (m_fullScreenObserver) {
        NotificationCenter::defaultCenter().removeObserver(m_fullScreenObserver);
        m_fullScreenObserver = 0;
    }
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (hasVisibleWindows)
        return true;
    if (authStatus() != SignInState::Status::completed)
        return true;
    if (!m_mainViewModel)
        return false;
    AnalyticsService::shared().trackCanvasInteraction(QStringLiteral("open"), source(QStringLiteral("dock")));
    if (CanvasWindowPort *canvas = m_mainViewModel->nsCanvasManager())
        canvas->show();
    return false;
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()
        && static_cast<QWidget *>(watched)->isVisible())
        windowWillClose();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::windowWillClose()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        const QString title = w->windowTitle();
        if (w->isVisible() && title != QLatin1String("NSStatusBarWindow") && title != QLatin1String("Item-0"))
            ++count;
    }
    if (count <= 1 && m_mainViewModel)
        m_mainViewModel->closeAllSessions();
}

// ---------------------------------------------------------------------------------------------
// Status-bar menu and main menu

QAction *AppDelegate::addMenuItem(const QString &title, void (AppDelegate::*action)(), const QKeySequence &key)
{
    QAction *item = m_statusMenu->addAction(title);
    item->setShortcut(key);
    connect(item, &QAction::triggered, this, action);
    return item;
}

void AppDelegate::setupStatusItem()
{
    delete m_statusItem;
    delete m_statusMenu;
    m_statusItem = new QSystemTrayIcon(this);
    const QIcon icon = Assets::icon(QStringLiteral("StatusBarIcon"));
    if (!icon.isNull())
        m_statusItem->setIcon(icon);
    m_statusMenu = new QMenu;
    addMenuItem(QStringLiteral("Floating Panel : Double Tap ⌥"), &AppDelegate::togglePanel);
    addMenuItem(QStringLiteral("Voice Mode : Double Tap fn"), &AppDelegate::startVoiceMode);
    addMenuItem(QStringLiteral("Toggle Transcript - Double Tap ⌃"), &AppDelegate::toggleTranscript);
    m_statusMenu->addSeparator();
    addMenuItem(QStringLiteral("Canvas"), &AppDelegate::toggleNSCanvas);
    m_statusMenu->addSeparator();
    addMenuItem(QStringLiteral("App Store"), &AppDelegate::openAppStore);
    m_statusMenu->addSeparator();
    addMenuItem(QStringLiteral("Check for Updates"), &AppDelegate::checkForUpdates);
    m_statusMenu->addSeparator();
    addMenuItem(QStringLiteral("Logout"), &AppDelegate::logout, QKeySequence(Qt::CTRL | Qt::Key_L));
    m_statusMenu->addSeparator();
    QAction *quit = m_statusMenu->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [] { AppTermination::request(); });
    m_statusItem->setContextMenu(m_statusMenu);
    fillApplicationMenu();
    // Clicking the icon is this desktop's way of asking for the application again.
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            bool visible = false;
            for (QWidget *w : QApplication::topLevelWidgets())
                visible = visible || w->isVisible();
            applicationShouldHandleReopen(visible);
        }
    });
    setStatusItemShown(true);
}

QMenuBar *AppDelegate::mainMenu() const
{
    return m_mainMenu;
}

QString AppDelegate::applicationName() const
{
    const QVariant bundleName = AppInfo::instance().value(QStringLiteral("CFBundleName"));
    const QString name = bundleName.typeId() == QMetaType::QString ? bundleName.toString() : QString();
    return name.isEmpty() ? QStringLiteral("Tavo Orlune") : name;
}

void AppDelegate::fillApplicationMenu()
{
    if (!m_mainMenu || !m_statusMenu)
        return;
    const QString appName = applicationName();
    for (QAction *item : m_mainMenu->actions()) {
        if (item->text() != appName || !item->menu())
            continue;
        // The same actions as the status menu: one shortcut each, wherever they are shown.
        QMenu *menu = item->menu();
        menu->clear();
        menu->addActions(m_statusMenu->actions());
        return;
    }
}

void AppDelegate::setStatusItemShown(bool shown)
{
    m_statusItemShown = shown;
    if (m_statusItem && QSystemTrayIcon::isSystemTrayAvailable())
        m_statusItem->setVisible(shown);
}

void AppDelegate::togglePanel()
{
    if (m_mainViewModel)
        m_mainViewModel->togglePanel(QStringLiteral("menu"));
}

void AppDelegate::startVoiceMode()
{
    if (m_mainViewModel)
        m_mainViewModel->toggleVoiceMode(QStringLiteral("menu"));
}

void AppDelegate::toggleTranscript()
{
    if (!m_transcriptManager) {
        Log::line(QStringLiteral("Transcript manager is nil. Ignoring toggle."));
        return;
    }
    if (m_transcriptManager->isWindowVisible()) {
        AnalyticsService::shared().trackTranscriptionInteraction(QStringLiteral("close"), std::nullopt, source(QStringLiteral("menu")));
        m_transcriptManager->hide();
    } else {
        AnalyticsService::shared().trackTranscriptionInteraction(QStringLiteral("open"), std::nullopt, source(QStringLiteral("menu")));
        m_transcriptManager->show();
    }
}

void AppDelegate::toggleNSCanvas()
{
    if (m_mainViewModel)
        m_mainViewModel->toggleCanvas(QStringLiteral("menu"));
}

void AppDelegate::openAppStore()
{
    if (m_mainViewModel)
        m_mainViewModel->openAppStore(QStringLiteral("menu"));
}

void AppDelegate::checkForUpdates()
{
    if (m_updaterController)
        m_updaterController->checkForUpdates();
}

void AppDelegate::showPanel()
{
    if (!m_mainViewModel)
        return;
    AnalyticsService::shared().trackPanelInteraction(QStringLiteral("open"), source(QStringLiteral("menu")));
    if (PanelWindowPort *panel = m_mainViewModel->panelManager())
        panel->show();
}

void AppDelegate::toggleFlower()
{
    if (m_mainViewModel)
        m_mainViewModel->toggleFlower(QStringLiteral("menu"));
}

void AppDelegate::pruneMainMenu()
{
    if (!m_mainMenu) {
        Log::line(QStringLiteral("⚠️ [Menu] No main menu found"));
        return;
    }
    const QVariant bundleName = AppInfo::instance().value(QStringLiteral("CFBundleName"));
    const QString appName = bundleName.typeId() == QMetaType::QString ? bundleName.toString() : QStringLiteral("Tavo Orlune");
    const QList<QAction *> items = m_mainMenu->actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        QAction *item = m_mainMenu->actions().value(i);
        if (!item)
            continue;
        const QString title = item->text();
        if (title == QLatin1String("Edit") || title == appName)
            continue;
        m_mainMenu->removeAction(item);
    }
}

// ---------------------------------------------------------------------------------------------
// Sign-out and termination

void AppDelegate::logout()
{
    m_logoutStartTime = Scheduler::instance().now();
    AnalyticsService::shared().trackLogoutStarted();
    if (m_services.authManager)
        m_services.authManager->logout();
}

void AppDelegate::handleLogoutCompleted()
{
    QPointer<AppDelegate> self(this);
    MainQueue::post(this, [self] {
        if (!self)
            return;
        Settings::instance().setValue(kHasSeenIntro, false);
        const QDateTime now = Scheduler::instance().now();
        const QDateTime start = self->m_logoutStartTime.value_or(Scheduler::instance().now());
        AnalyticsService::shared().trackLogoutCompleted(start.msecsTo(now) / 1000.0);
        AnalyticsService::shared().reset();
        auto finish = [self] {
            if (self && self->m_services.authManager)
                self->m_services.authManager->setAuthStatus(SignInState::Status::notAuthenticated);
        };
        if (self->m_mainViewModel)
            self->m_mainViewModel->logoutCleanup(finish);
        else
            finish();
    });
}

void AppDelegate::applicationWillTerminate()
{
    terminate({});
}

void AppDelegate::terminate(std::function<void()> sessionsClosed)
{
    // The quit road runs these steps before the event loop ends; the loop's end must not
    // run them a second time.
    if (m_terminated) {
        if (sessionsClosed)
            sessionsClosed();
        return;
    }
    m_terminated = true;
    AnalyticsService::shared().trackAppTermination();
    if (!m_mainViewModel) {
        if (sessionsClosed)
            sessionsClosed();
        return;
    }
    QPointer<MainViewModel> vm(m_mainViewModel.get());
    MainQueue::post(vm, [vm, sessionsClosed] {
        if (vm)
            vm->closeAllSessions(sessionsClosed);
        else if (sessionsClosed)
            sessionsClosed();
    });
    m_mainViewModel->teardownWindows();
}
