// An answer streaming into one task of a 50-column store: the main-thread time per streamed chunk
// (the coordinator's context appends the chunk to the task's answer and saves; the canvas's
// context merges it; every shown column hears of the change; the view repaints) with all 50
// columns shown, next to the same with only the streaming task's column shown. The columns are
// the real category columns in graphics proxies, as the canvas hosts them. Bar: the 50-column
// time per chunk at most 1.2 times the one-column time.
#include "categories/CategoryView.h"
#include "model/AIStepTransformer.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int storeColumns = 50;
constexpr int tasksPerColumn = 20;
constexpr int chunks = 300;

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

struct Figures {
    double p50 = 0, p95 = 0, mean = 0;
    int columnRefreshes = 0;
};

Figures measure(int shownColumns)
{
    ModelConfiguration configuration;
    configuration.inMemory = true;
    ModelContainer store(ModelStore::schema(), configuration);
    ModelContext *coordinator = store.mainContext();
    QList<CategoryData *> categories;
    TaskData *streaming = nullptr;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int c = 0; c < storeColumns; ++c) {
        auto *category = new CategoryData(QUuid::createUuid(), QStringLiteral("Column %1").arg(c + 1), start.addSecs(c), 60 + 2180 * c, 1540);
        coordinator->insert(category);
        categories << category;
        for (int t = 0; t < tasksPerColumn; ++t) {
            auto *task = new TaskData(QUuid::createUuid(), QStringLiteral("Task %1.%2").arg(c + 1).arg(t + 1), QStringLiteral("Summary"),
                                      std::nullopt, start.addSecs(c * 100 + t), false, std::nullopt, std::nullopt,
                                      c == 0 && t == 0 ? StreamStatus::Streaming : StreamStatus::Idle, std::nullopt);
            coordinator->insert(task);
            task->setCategory(category);
            if (c == 0 && t == 0)
                streaming = task;
        }
    }
    ChatMessageData *answer = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, std::nullopt, std::nullopt, start, streaming);
    coordinator->save();

    ModelContext canvasContext(&store);
    QGraphicsScene scene;
    QGraphicsView view(&scene);
    view.resize(1920, 1080);
    view.setTransformationAnchor(QGraphicsView::NoAnchor);
    QList<CategoryView *> columns;
    for (int c = 0; c < shownColumns; ++c) {
        auto *column = new CategoryView(CategoryModel(categories[c]), nullptr, &canvasContext);
        QGraphicsProxyWidget *proxy = scene.addWidget(column);
        proxy->setPos(60 + 2180 * c, 0);
        columns << column;
    }
    // A zoomed-out view that shows the first columns, as the canvas does at scale 0.2.
    view.setTransform(QTransform::fromScale(0.2, 0.2));
    view.show();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    int refreshesBefore = 0;
    for (CategoryView *column : std::as_const(columns))
        refreshesBefore += column->refreshCount();

    std::vector<double> times;
    QString text;
    for (int i = 0; i < chunks; ++i) {
        text += QStringLiteral("chunk %1 of the streamed answer. ").arg(i);
        QElapsedTimer t;
        t.start();
        answer->setAiFinalReplyText(text);
        coordinator->save();
        while (QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents)) {
        }
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    Figures f;
    f.p50 = percentile(times, 0.5);
    f.p95 = percentile(times, 0.95);
    double sum = 0;
    for (double v : times)
        sum += v;
    f.mean = sum / times.size();
    for (CategoryView *column : std::as_const(columns))
        f.columnRefreshes += column->refreshCount();
    f.columnRefreshes -= refreshesBefore;
    view.hide();
    scene.clear();
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
    measure(1); // warm-up
    const Figures one = measure(1);
    const Figures all = measure(storeColumns);
    std::printf("streamed chunks into one task, store of %d columns x %d tasks, %d chunks:\n", storeColumns, tasksPerColumn, chunks);
    std::printf("  %-30s %12s %12s\n", "", "1 shown", "50 shown");
    std::printf("  %-30s %12.3f %12.3f\n", "per chunk p50, ms", one.p50, all.p50);
    std::printf("  %-30s %12.3f %12.3f\n", "per chunk p95, ms", one.p95, all.p95);
    std::printf("  %-30s %12.3f %12.3f\n", "per chunk mean, ms", one.mean, all.mean);
    std::printf("  %-30s %12d %12d\n", "column refreshes", one.columnRefreshes, all.columnRefreshes);
    std::printf("  ratio 50/1: p50 %.2f, mean %.2f (bar <= 1.2)\n", all.p50 / one.p50, all.mean / one.mean);
    return 0;
}
