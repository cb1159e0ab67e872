#include "Platform/AppPaths.h"
#include "Platform/AppTermination.h"
#include "Platform/Identity/CrashReporter.h"
#include "Controller/session/McpSessionToolRuntime.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "model/DummyData.h"
#include "model/SharedModelContainer.h"
#include "shell/AccountSignInState.h"
#include "shell/AppDelegate.h"
#include "shell/ApplicationSetup.h"
#include "shell/MainViewModel.h"
#include "app/ProductServices.h"
#include "shell/SingleInstanceGuard.h"
#include "shell/TavoOrluneApp.h"
#include "workspace/WebViewManager.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    ApplicationSetup::choosePlatform();
    // The web engine learns its schemes before the application object exists.
    WebViewManager::registerSchemes();
    // Web views in several windows (the workspace, canvas web components) share one GL context set.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ApplicationSetup::configure(app);
    SingleInstanceGuard guard;
    if (!guard.tryBecomePrimary())
        return 0;
    // Only the primary instance may clear what an earlier run left behind.
    AppPaths::sweepTempDir();
    // The status-bar item keeps the application running without a window.
    app.setQuitOnLastWindowClosed(false);
    ApplicationSetup::quitOnTerminationSignals();

    ModelContainer *container = sharedModelContainer();
    AppDelegate::Services services;
    services.container = container;
    AccountSignInState signIn(&AuthenticationManager::shared(), &Auth0Manager::shared());
    services.authManager = &signIn;
    services.configureCrashReporter = [] { CrashReporter::start(); };
    services.seedDummyData = [](ModelContext *context) { seedDummyData(context); };
    services.refreshPredefinedAppIcons = [](ModelContext *context) { refreshPredefinedAppIcons(context); };
    McpSessionToolRuntime toolRuntime;
    ProductWindowFactory windows;
    ProductStartupServices startup;
    services.makeMainViewModel = [&] {
        MainViewModel::Services parts;
        parts.toolRuntime = &toolRuntime;
        parts.tokenProvider = &Auth0Manager::shared();
        parts.windows = &windows;
        parts.startup = &startup;
        return std::make_unique<MainViewModel>(container, parts);
    };
    // The delegate's own transcript panel, beside the coordinator's.
    services.makeTranscriptManager = [&windows, container](MainViewModel *mainViewModel) {
        return windows.makeTranscript(mainViewModel, mainViewModel->audioService(), container);
    };
    TavoOrluneApp tavo(services);

    QObject::connect(&guard, &SingleInstanceGuard::reopenRequested, &tavo, [&tavo] {
        QWidget *visible = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && !visible)
                visible = w;
        if (tavo.appDelegate()->applicationShouldHandleReopen(visible != nullptr) && visible) {
            visible->raise();
            visible->activateWindow();
        }
    });
    // Signals and the Quit action run the termination steps and then end the loop.
    AppTermination::setSteps([&tavo](std::function<void()> done) { tavo.appDelegate()->terminate(std::move(done)); },
                             true);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &tavo, [&tavo] { tavo.appDelegate()->applicationWillTerminate(); });
    // Website data but cookies does not outlive a run.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &tavo, [] { WebViewManager::shared().clearWebsiteData(); });
    tavo.launch();
    const int code = app.exec();
    // Web pages and their profiles end while the application object still exists.
    WebViewManager::shutdownShared();
    AppTermination::setSteps({});
    return code;
}
