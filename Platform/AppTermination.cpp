#include "Platform/AppTermination.h"
#include "Platform/Log.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {
std::function<void(std::function<void()>)> &steps()
{
    static std::function<void(std::function<void()>)> s;
    return s;
}
std::function<void()> &endOverride()
{
    static std::function<void()> e;
    return e;
}
bool g_requested = false;
bool g_exited = false;
bool g_watchdog = false;
bool g_watchdogStarted = false;
// A reset makes the timers and steps of an earlier request harmless.
int g_generation = 0;

void endEventLoop(int generation)
{
    if (g_exited || generation != g_generation)
        return;
    g_exited = true;
    if (endOverride())
        endOverride()();
    else
        QCoreApplication::exit(0);
}

// Last resort for a process that has left its event loop but cannot finish (a hung
// destructor): the user asked to quit, so the process ends.
void startWatchdog()
{
    if (g_watchdogStarted || !QCoreApplication::instance())
        return;
    g_watchdogStarted = true;
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(AppTermination::processBoundMs));
        ::_exit(0);
    }).detach();
}
}

namespace AppTermination {

void setSteps(std::function<void(std::function<void()>)> s, bool watchdog)
{
    steps() = std::move(s);
    g_watchdog = watchdog;
}

bool isRequested()
{
    return g_requested;
}

void request()
{
    QCoreApplication *app = QCoreApplication::instance();
    const int generation = g_generation;
    if (g_requested || !app) {
        endEventLoop(generation);
        return;
    }
    g_requested = true;
    Log::line(QStringLiteral("[AppTermination] Quit requested"));
    if (g_watchdog)
        startWatchdog();
    QTimer::singleShot(stepsBoundMs, app, [generation] { endEventLoop(generation); });
    if (!steps()) {
        endEventLoop(generation);
        return;
    }
    steps()([generation] {
        if (QCoreApplication *app = QCoreApplication::instance())
            QTimer::singleShot(0, app, [generation] { endEventLoop(generation); });
    });
}

void reset(std::function<void()> end)
{
    ++g_generation;
    g_requested = false;
    g_exited = false;
    g_watchdog = false;
    steps() = nullptr;
    endOverride() = std::move(end);
}

}
