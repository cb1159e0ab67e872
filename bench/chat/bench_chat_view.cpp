// Streams a 200 KB Markdown answer into a chat view (offscreen) at 50 chunks per second in virtual
// time, so the chat's batching timers fire as they would, and prints the GUI thread's time per
// frame: the chunk handed to the chat, the timers due in its 20 ms, the list's layout and a paint
// of the whole view. Then the final render of the whole answer: the last frame of the stream, and
// the chat opened afresh on the finished answer (build, layout and first paint).
//
//   bench_chat_view [chunk characters, default 100]
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

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Log::setSink([](const QString &) {});
    const int chunkChars = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100;
    const QString answer = markdownAnswer(200 * 1024);

    FakeScheduler clock;
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
    const double lastFrameMs = msSince(last);

    // The finished answer in a chat opened afresh: build, layout and first paint.
    view.reset();
    QElapsedTimer open;
    open.start();
    ChatView reopened(&chat, nullptr, task, QStringLiteral("panel"), nullptr, nullptr);
    reopened.resize(376, 640);
    reopened.show();
    reopened.messageList()->relayout();
    reopened.messageList()->setOffset(reopened.messageList()->maxOffset());
    QCoreApplication::sendPostedEvents();
    reopened.repaint();
    const double openMs = msSince(open);
    QElapsedTimer again;
    again.start();
    reopened.repaint();
    const double repaintMs = msSince(again);

    const ChatMessageData *reply = chat.messages().isEmpty() ? nullptr : chat.messages().constLast();
    const auto worst = std::max_element(frames.begin(), frames.end());
    std::printf("answer: %lld characters of Markdown, %zu chunks of about %d characters, one per %lld ms\n",
                qlonglong(answer.size()), frames.size(), chunkChars, qlonglong(kFrameMs));
    std::printf("reply stored: %lld characters\n", qlonglong(reply ? reply->aiFinalReplyText().value_or(QString()).size() : 0));
    std::printf("GUI thread per frame (ms): median %.2f  p95 %.2f  max %.2f (frame %lld)   [goal p95 < 16]\n",
                percentile(frames, 0.5), percentile(frames, 0.95), worst == frames.end() ? 0.0 : *worst,
                qlonglong(worst - frames.begin()));
    const size_t tenth = frames.size() / 10;
    if (tenth > 0) {
        const std::vector<double> first(frames.begin(), frames.begin() + qsizetype(tenth));
        const std::vector<double> end(frames.end() - qsizetype(tenth), frames.end());
        std::printf("  first tenth: median %.2f p95 %.2f   last tenth: median %.2f p95 %.2f\n", percentile(first, 0.5),
                    percentile(first, 0.95), percentile(end, 0.5), percentile(end, 0.95));
    }
    std::printf("final render of the whole answer (ms): last frame of the stream %.2f   [goal < 30]\n", lastFrameMs);
    std::printf("  chat opened afresh on the answer: %.2f (build, layout, first paint); repaint %.2f\n", openMs, repaintMs);
    return 0;
}
