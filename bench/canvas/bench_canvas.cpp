// Idle cost of a shown canvas: the canvas at 1920 x 1080 (offscreen unless a display is set)
// with the welcome component and 5, then 50 columns; after one zoom step it is left alone for
// a settling time and then measured for five seconds of wall time. Prints the process's CPU
// time in that span as a share of one core and how often the main thread woke up. Bar: under
// 1 % of one core.
#include "canvas/CanvasPerformanceMonitor.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures {
    double cpuPercent;
    double wakeupsPerSecond;
    bool loopsResting;
};

Figures measure(int columns)
{
    ModelConfiguration configuration;
    configuration.inMemory = true;
    ModelContainer store(ModelStore::schema(), configuration);
    auto context = std::make_shared<ModelContext>(&store);
    EnhancedCanvasViewController controller;
    QWidget *window = controller.view();
    window->resize(1920, 1080);
    window->show();
    controller.setup(context, nullptr);
    for (int i = 0; i < columns; ++i) {
        CategoryModel column;
        column.id = QUuid::createUuid();
        column.title = QStringLiteral("Column %1").arg(i + 1);
        column.position = QPointF(60 + 2180 * i, 1540);
        controller.addCategoryComponent(column, nullptr);
    }
    wait(300);
    controller.zoomStep(false);
    controller.performanceMonitor()->recordFrame();
    controller.performanceMonitor()->recordFrame();
    wait(2500); // longer than both loops' idle rule

    // Count the main thread's wake-ups while idle.
    int wakeups = 0;
    auto *dispatcher = QAbstractEventDispatcher::instance();
    const auto connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&wakeups] { ++wakeups; });
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(5000);
    const double seconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    QObject::disconnect(connection);
    const bool resting = !controller.threadingManager()->isTimingMonitorRunning() && !controller.performanceMonitor()->isTimerRunning();
    window->hide();
    // The measuring timer itself wakes the thread once.
    return {100.0 * cpu / seconds, (wakeups - 1) / seconds, resting};
}
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Log::setSink([](const QString &) {});
    AIStepTransformer::registerTransformer();
    const Figures small = measure(5);
    const Figures large = measure(50);
    std::printf("canvas idle, 1920x1080, welcome + columns (stand-in content), 5 s after 2.5 s of rest:\n");
    std::printf("  CPU, %% of one core:  5 columns %.2f %%   50 columns %.2f %%   (bar: under 1 %%)\n", small.cpuPercent,
                large.cpuPercent);
    std::printf("  main-thread wake-ups per second:  5 columns %.1f   50 columns %.1f\n", small.wakeupsPerSecond,
                large.wakeupsPerSecond);
    std::printf("  timing loop and monitor timer resting:  5 columns %s   50 columns %s\n", small.loopsResting ? "yes" : "NO",
                large.loopsResting ? "yes" : "NO");
    return 0;
}
