// Streams answers from the assistant stand-in through a real session to counting callbacks
// and prints chunks per second and the main thread's busy time per chunk. The stand-in runs
// on a thread of its own so that only the client's work lands on the main thread.
#include "AssistantStandin.h"
#include "FakeToolRuntime.h"
#include "Platform/Log.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <ctime>

namespace {
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

struct Run {
    qint64 outputs = 0;
    qint64 outputBytes = 0;
    bool ended = false;
};

void runOne(const char *label, ControlManager &control, const QString &id, AssistantStandin *service,
            const AssistantStandin::Reply &reply, qint64 chunks)
{
    QMetaObject::invokeMethod(service, [service, reply] { service->queueReply(reply); }, Qt::BlockingQueuedConnection);
    Run run;
    QueryCallbacks cb{[&](const QString &t) { ++run.outputs; run.outputBytes += t.size(); }, [](const QString &) {}, [] {},
                      [&] { run.ended = true; }};
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = threadCpuMs();
    control.processCommand(QStringLiteral("bench"), id, false, cb);
    while (!run.ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double cpu = threadCpuMs() - cpu0;
    const double secs = wall.nsecsElapsed() / 1e9;
    std::printf("%-28s %8lld chunks  %8.1f ms  %10.0f chunks/s  main thread busy %7.2f us/chunk (%6.1f ms)  outputs %lld (%lld chars)\n",
                label, static_cast<long long>(chunks), secs * 1000.0, chunks / secs, cpu * 1000.0 / chunks, cpu,
                static_cast<long long>(run.outputs), static_cast<long long>(run.outputBytes));
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Log::setSink([](const QString &) {});

    QThread serviceThread;
    serviceThread.start();
    AssistantStandin *service = nullptr;
    QObject anchor;
    anchor.moveToThread(&serviceThread);
    QMetaObject::invokeMethod(&anchor, [&] {
        service = new AssistantStandin;
        service->start();
    }, Qt::BlockingQueuedConnection);
    qputenv("TAVO_ASSISTANT_SOCKET_URL", service->url().toString().toUtf8());

    FakeToolRuntime tools;
    ControlManager control(&tools);
    const QString id = control.createSession(std::nullopt, QStringLiteral("bench-token"));
    Session *session = control.sessionManager()->session(id);
    while (!session->isReady())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    constexpr int kSmall = 10000;
    AssistantStandin::Reply small;
    small << AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STR"));
    for (int i = 0; i < kSmall; ++i)
        small << AssistantStandin::text(QStringLiteral("word%1 ").arg(i % 10));
    small << AssistantStandin::text(QStringLiteral("ED_OF_MSG_STR\"}]")) << AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"));
    runOne("10 000 small chunks", control, id, service, small, small.size());

    // One pass of 5 MB: 50 chunks of 100 KB of answer text.
    constexpr int kBig = 50;
    const QString piece(100 * 1024, u'x');
    AssistantStandin::Reply big;
    big << AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STR"));
    for (int i = 0; i < kBig; ++i)
        big << AssistantStandin::text(piece);
    big << AssistantStandin::text(QStringLiteral("ED_OF_MSG_STR\"}]")) << AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"));
    runOne("one 5 MB pass (100 KB chunks)", control, id, service, big, big.size());

    QMetaObject::invokeMethod(&anchor, [&] { delete service; }, Qt::BlockingQueuedConnection);
    serviceThread.quit();
    serviceThread.wait();
    return 0;
}
