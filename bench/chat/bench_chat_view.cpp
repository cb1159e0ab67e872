// Streams Markdown answers of 20 KB, 200 KB and 1 MB into a chat view (offscreen) at 50 chunks per
// second in virtual time, so the chat's batching timers fire as they would, and prints the GUI
// thread's time per frame: the chunk handed to the chat, the timers due in its 20 ms, the list's
// layout and a paint of the whole view. Then the final render of the whole answer (the last frame
// of the stream) and the chat opened afresh on the finished answer (build, layout and first
// paint). Each figure is printed per size with the ratio of the largest size to the smallest: a
// view that costs what is on screen keeps that ratio near 1.
//
//   bench_chat_view [chunk characters, default 100] [sizes in KB, default 20,200,1024]
#include "ChatBench.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "chat/ChatMessageList.h"
#include "chat/ChatView.h"
#include "chat/ChatViewModel.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using ChatBench::markdownAnswer;
using ChatBench::percentile;

namespace {

constexpr qint64 kFrameMs = 20; // 50 chunks per second

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

// Everything due now on the GUI thread, then a paint of the whole view.
void frame(FakeScheduler &clock, QWidget &view, qint64 ms)
{
    clock.advance(ms);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    view.repaint();
}

struct Figures {
    qsizetype size = 0;
    size_t chunks = 0;
    qsizetype stored = 0;
    double median = 0;
    double p95 = 0;
    double max = 0;
    double firstTenthP95 = 0;
    double lastTenthP95 = 0;
    double finalRender = 0;
    double open = 0;
    double repaint = 0;
};

Figures run(FakeScheduler &clock, qsizetype size, int chunkChars)
{
    Figures fig;
    fig.size = size;
    const QString answer = markdownAnswer(size);
    QTemporaryDir dir;
    ModelContainer container(ModelStore::schema(), ModelConfiguration{dir.filePath(QStringLiteral("default.store")), false});
    ModelContext *context = container.mainContext();
    auto *task = new TaskData(QUuid::createUuid(), QStringLiteral("Bench"), std::nullopt, std::nullopt, clock.now(), false,
                              std::nullopt, std::nullopt, StreamStatus::Streaming, std::nullopt);
    context->insert(task);
    context->save();
    ChatViewModel chat(context, task);

    auto view = std::make_unique<ChatView>(&chat, nullptr, task, QStringLiteral("panel"), nullptr, nullptr);
    view->resize(376, 640);
    view->show();
    view->setChatVisible(true);
    frame(clock, *view, 500);

    chat.addUserMessage(QStringLiteral("Write a long report"));
    frame(clock, *view, kFrameMs);

    std::vector<double> frames;
    QRandomGenerator rng(7);
    qsizetype at = 0;
    while (at < answer.size()) {
        qsizetype n = std::max<qsizetype>(1, chunkChars / 2 + rng.bounded(chunkChars + 1));
        if (at + n < answer.size() && answer.at(at + n - 1).isHighSurrogate())
            ++n; // never cut a surrogate pair apart
        const QString chunk = answer.mid(at, n);
        at += n;
        QElapsedTimer t;
        t.start();
        chat.processStreamChunk(chunk);
        frame(clock, *view, kFrameMs);
        frames.push_back(msSince(t));
    }
    QElapsedTimer last;
    last.start();
    chat.endStreamingResponse();
    frame(clock, *view, kFrameMs);
    fig.finalRender = msSince(last);

    // The finished answer in a chat opened afresh: build, layout and first paint.
    view.reset();
    QElapsedTimer open;
    open.start();
    {
        ChatView reopened(&chat, nullptr, task, QStringLiteral("panel"), nullptr, nullptr);
        reopened.resize(376, 640);
        reopened.show();
        reopened.messageList()->relayout();
        reopened.messageList()->setOffset(reopened.messageList()->maxOffset());
        QCoreApplication::sendPostedEvents();
        reopened.repaint();
        fig.open = msSince(open);
        QElapsedTimer again;
        again.start();
        reopened.repaint();
        fig.repaint = msSince(again);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const ChatMessageData *reply = chat.messages().isEmpty() ? nullptr : chat.messages().constLast();
    fig.stored = reply ? reply->aiFinalReplyText().value_or(QString()).size() : 0;
    fig.chunks = frames.size();
    fig.median = percentile(frames, 0.5);
    fig.p95 = percentile(frames, 0.95);
    fig.max = frames.empty() ? 0.0 : *std::max_element(frames.begin(), frames.end());
    const size_t tenth = frames.size() / 10;
    if (tenth > 0) {
        fig.firstTenthP95 = percentile(std::vector<double>(frames.begin(), frames.begin() + qsizetype(tenth)), 0.95);
        fig.lastTenthP95 = percentile(std::vector<double>(frames.end() - qsizetype(tenth), frames.end()), 0.95);
    }
    return fig;
}

const char *verdict(bool met) { return met ? "met" : "NOT met"; }

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Log::setSink([](const QString &) {});
    const int chunkChars = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100;
    std::vector<qsizetype> sizes;
    for (const QString &kb : (argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("20,200,1024")).split(QLatin1Char(','))) {
        if (kb.toInt() > 0)
            sizes.push_back(qsizetype(kb.toInt()) * 1024);
    }
    if (sizes.empty())
        return 1;

    FakeScheduler clock;
    std::vector<Figures> all;
    for (const qsizetype size : sizes) {
        const Figures f = run(clock, size, chunkChars);
        all.push_back(f);
        std::printf("%lld KB: %zu chunks of about %d characters, one per %lld ms; reply stored: %lld characters\n",
                    qlonglong(size / 1024), f.chunks, chunkChars, qlonglong(kFrameMs), qlonglong(f.stored));
        std::printf("  GUI thread per frame (ms): median %.2f  p95 %.2f  max %.2f   [bar: p95 <= 12]  %s\n", f.median, f.p95,
                    f.max, verdict(f.p95 <= 12));
        const double ratio = f.firstTenthP95 > 0 ? f.lastTenthP95 / f.firstTenthP95 : 0;
        std::printf("  p95 first tenth %.2f, last tenth %.2f: ratio %.2f   [bar: <= 1.2]  %s\n", f.firstTenthP95,
                    f.lastTenthP95, ratio, verdict(ratio <= 1.2));
        const double openBar = size <= 200 * 1024 ? 50 : 100;
        std::printf("  chat opened afresh to the first paint (ms): %.2f   [bar: <= %.0f]  %s; repaint %.2f\n", f.open,
                    openBar, verdict(f.open <= openBar), f.repaint);
        std::printf("  final render when the stream ends (ms): %.2f   [bar: <= 30]  %s\n", f.finalRender,
                    verdict(f.finalRender <= 30));
        std::fflush(stdout);
    }
    if (all.size() > 1) {
        const Figures &small = all.front();
        const Figures &large = all.back();
        auto r = [](double a, double b) { return b > 0 ? a / b : 0.0; };
        std::printf("largest / smallest (%lld KB / %lld KB): frame p95 %.2f, frame median %.2f, open %.2f, final render %.2f\n",
                    qlonglong(large.size / 1024), qlonglong(small.size / 1024), r(large.p95, small.p95),
                    r(large.median, small.median), r(large.open, small.open), r(large.finalRender, small.finalRender));
    }
    return 0;
}
