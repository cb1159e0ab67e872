// The canvas under load: a canvas window of 1920 x 1080 (offscreen unless a display is set)
// with the welcome component and 50 columns of 20 cards (1,000 cards), next to the same for 5
// columns, driven by synthesised events as a user would drive it:
// - first frame: from making the canvas to its first painted frame;
// - pan step: one wheel event and the repaint it causes, 240 steps across the columns;
// - zoom step: one pinch step and its repaint, during gestures between 0.75 and 0.3;
// - final pass: the end of such a gesture (visible columns drawn afresh) and its repaint;
// - idle: CPU share of one core while the shown canvas is left alone;
// - memory: resident growth from before the canvas to after the pans and zooms.
// Columns and cards are stand-ins of the real sizes (a 1680-wide column, 224 x 290 cards) until
// the real ones exist. Times are GUI-thread wall times. Bars: pan p95 <= 8 ms, zoom p95 <= 16
// ms, final pass <= 50 ms, first frame <= 500 ms, idle < 1 %, memory growth <= 150 MB.
#include "canvas/CanvasPerformanceMonitor.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/PlaceholderContent.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QNativeGestureEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr int cardsPerColumn = 20;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

double residentMb()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// A column of the real size: a header and a grid of 20 cards, seven to a row.
QWidget *standInColumn(const NSCanvasComponent &component)
{
    auto *column = new QWidget;
    column->setAttribute(Qt::WA_TranslucentBackground);
    auto *grid = new QGridLayout(column);
    grid->setContentsMargins(20, 80, 20, 20);
    grid->setSpacing(16);
    for (int i = 0; i < cardsPerColumn; ++i) {
        auto *card = new PlaceholderContent(component.type().category().title, QStringLiteral("Task %1").arg(i + 1), QSize(224, 290));
        card->setFixedSize(224, 290);
        grid->addWidget(card, i / 7, i % 7);
    }
    return column;
}

struct Figures {
    double firstFrameMs = 0;
    double panP50 = 0, panP95 = 0;
    double zoomP50 = 0, zoomP95 = 0;
    double finalMax = 0;
    double idlePercent = 0;
    double memoryMb = 0;
    int pansPainted = 0, pans = 0;
};

// Counts the canvas's painted frames.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

Figures measure(int columns)
{
    Figures f;
    const double rssBefore = residentMb();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    ModelContainer store(ModelStore::schema(), configuration);
    auto context = std::make_shared<ModelContext>(&store);

    QElapsedTimer open;
    open.start();
    EnhancedCanvasViewController controller;
    EnhancedCanvasView *canvas = controller.enhancedCanvasView();
    canvas->setCategoryContentFactory(&standInColumn);
    PaintCounter counter;
    canvas->viewport()->installEventFilter(&counter);
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
    while (counter.paints == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    f.firstFrameMs = ms(open);
    wait(300); // column heights settle on later turns

    QWidget *surface = canvas->viewport();
    // Pans: left across the columns and back, 60 view points a step.
    std::vector<double> pans;
    for (int i = 0; i < 240; ++i) {
        const int dx = i < 120 ? -40 : 40;
        const int before = counter.paints;
        QElapsedTimer t;
        t.start();
        QWheelEvent e(QPointF(960, 540), surface->mapToGlobal(QPointF(960, 540)), QPoint(dx, i % 2 ? 4 : -4), QPoint(), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &e);
        QCoreApplication::processEvents();
        pans.push_back(ms(t));
        f.pansPainted += counter.paints > before ? 1 : 0;
    }
    f.pans = int(pans.size());
    f.panP50 = percentile(pans, 0.5);
    f.panP95 = percentile(pans, 0.95);

    // Zoom gestures: out from 0.75 to 0.3 and back, each ending with its final pass.
    std::vector<double> zooms;
    auto pinch = [&](Qt::NativeGestureType type, qreal value) {
        QNativeGestureEvent e(type, QPointingDevice::primaryPointingDevice(), 2, QPointF(960, 540), QPointF(960, 540),
                              surface->mapToGlobal(QPointF(960, 540)), value, QPointF());
        QElapsedTimer t;
        t.start();
        QCoreApplication::sendEvent(surface, &e);
        QCoreApplication::processEvents();
        return ms(t);
    };
    for (int gesture = 0; gesture < 6; ++gesture) {
        const bool out = gesture % 2 == 0;
        pinch(Qt::BeginNativeGesture, 0);
        for (int i = 0; i < 30; ++i)
            zooms.push_back(pinch(Qt::ZoomNativeGesture, out ? -0.03 : 0.031));
        f.finalMax = std::max(f.finalMax, pinch(Qt::EndNativeGesture, 0));
        wait(50); // the off-main frame results arrive
    }
    f.zoomP50 = percentile(zooms, 0.5);
    f.zoomP95 = percentile(zooms, 0.95);

    wait(2500); // longer than both loops' idle rule
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait(5000);
    f.idlePercent = 100.0 * (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    f.memoryMb = residentMb() - rssBefore;
    window->hide();
    canvas->viewport()->removeEventFilter(&counter);
    return f;
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
    std::printf("canvas, 1920x1080 %s, welcome + columns of %d stand-in cards:\n", qgetenv("QT_QPA_PLATFORM").constData(),
                cardsPerColumn);
    std::printf("  %-34s %12s %12s   %s\n", "", "5 columns", "50 columns", "bar (50 columns)");
    auto row = [](const char *name, double a, double b, const char *bar) {
        std::printf("  %-34s %12.2f %12.2f   %s\n", name, a, b, bar);
    };
    row("first frame, ms", small.firstFrameMs, large.firstFrameMs, "<= 500");
    row("pan step p50, ms", small.panP50, large.panP50, "");
    row("pan step p95, ms", small.panP95, large.panP95, "<= 8");
    row("zoom step p50, ms", small.zoomP50, large.zoomP50, "");
    row("zoom step p95, ms", small.zoomP95, large.zoomP95, "<= 16");
    row("final pass after a zoom, max ms", small.finalMax, large.finalMax, "<= 50");
    row("idle, % of one core", small.idlePercent, large.idlePercent, "< 1");
    row("resident memory growth, MB", small.memoryMb, large.memoryMb, "<= 150");
    std::printf("  pan steps that painted: %d/%d and %d/%d\n", small.pansPainted, small.pans, large.pansPainted, large.pans);
    std::printf("  ratio 50/5: first frame %.1f, pan p95 %.1f, zoom p95 %.1f, final %.1f, memory %.1f\n",
                large.firstFrameMs / small.firstFrameMs, large.panP95 / small.panP95, large.zoomP95 / small.zoomP95,
                large.finalMax / small.finalMax, large.memoryMb / std::max(0.01, small.memoryMb));
    return 0;
}
