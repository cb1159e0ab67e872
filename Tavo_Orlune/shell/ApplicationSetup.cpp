#include "shell/ApplicationSetup.h"
#include "Platform/AppInfo.h"
#include "Platform/AppTermination.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &c, 1);
}
}

namespace ApplicationSetup {

QByteArray preferredPlatform(const QProcessEnvironment &environment)
{
    if (environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        return {};
    if (environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() || environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
}

void choosePlatform()
{
    const QByteArray platform = preferredPlatform(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

void configure(QApplication &app)
{
    QCoreApplication::setOrganizationName(QStringLiteral("TavoOrlune"));
    QCoreApplication::setApplicationName(QStringLiteral("TavoOrlune"));
    QCoreApplication::setApplicationVersion(AppInfo::instance().version());
    QGuiApplication::setApplicationDisplayName(AppInfo::instance().displayName());
    // The design is drawn for the light appearance only, whatever the desktop's theme.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setPalette(app.style()->standardPalette());
}

void quitOnTerminationSignals()
{
    if (g_signalPipe[0] != -1 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &c, 1);
        AppTermination::request();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

}
