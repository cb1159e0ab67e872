// Pages the whole generated catalog (3,000 apps, pages of 100) from the platform stand-in and
// decodes it, and prints the total time and, per page, the longest single stretch the main
// thread spent in one event (its longest stall). The stand-in runs on a thread of its own so
// that only the client's work lands on the main thread.
#include "TimingApplication.h"
#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "integrations/PipedreamAPIService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    TimingApplication app(argc, argv);
    Log::setSink([](const QString &) {});

    QThread platformThread;
    platformThread.start();
    PipedreamStandin *platform = nullptr;
    QObject anchor;
    anchor.moveToThread(&platformThread);
    QMetaObject::invokeMethod(&anchor, [&] {
        platform = new PipedreamStandin;
        platform->start();
    }, Qt::BlockingQueuedConnection);

    constexpr int kRuns = 5;
    for (int run = 1; run <= kRuns; ++run) {
        PipedreamAPIService catalog(platform->baseUrl() + QStringLiteral("/v1/apps"), platform->catalogKey());
        QList<double> stallsMs;
        qint64 apps = 0;
        bool failed = false;
        QElapsedTimer wall;
        wall.start();
        while (catalog.hasMoreData() && !failed) {
            app.takeLongestNs();
            bool done = false;
            catalog.fetchNextPage(100, &catalog, [&](const IntegrationResult<QList<PipedreamApp>> &r) {
                done = true;
                failed = !r.ok();
                if (r.ok())
                    apps += r.value->size();
            });
            while (!done)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            stallsMs << app.takeLongestNs() / 1e6;
        }
        const double totalMs = wall.nsecsElapsed() / 1e6;
        if (failed) {
            std::printf("run %d: a page failed: %s\n", run, qPrintable(catalog.errorMessage().value_or(QString())));
            return 1;
        }
        QList<double> sorted = stallsMs;
        std::sort(sorted.begin(), sorted.end());
        const double longest = sorted.last();
        std::printf("run %d: %lld apps in %lld pages, %8.1f ms total (%6.2f ms/page); main-thread stall per page: "
                    "median %6.2f ms, longest %6.2f ms (budget 50 ms: %s)\n",
                    run, static_cast<long long>(apps), static_cast<long long>(stallsMs.size()), totalMs,
                    totalMs / stallsMs.size(), sorted.at(sorted.size() / 2), longest, longest <= 50.0 ? "within" : "OVER");
    }

    QMetaObject::invokeMethod(&anchor, [&] { delete platform; }, Qt::BlockingQueuedConnection);
    platformThread.quit();
    platformThread.wait();
    return 0;
}
