// Streams a 200 KB Markdown answer through a task's chat in 5-20 character chunks at 200 chunks
// per second (virtual time, so timers fire as they would) over a store on disk, and prints the
// main thread's busy time per chunk. The cost of a chunk must not grow with the answer.
// A second run adds a bubble that reads the reply's display text on every row update, as the
// chat view does.
#include "ChatBench.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "chat/ChatViewModel.h"
#include "chat/MessageBubbleViewModel.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using ChatBench::markdownAnswer;
using ChatBench::percentile;

namespace {

struct Figures {
    std::vector<double> perChunkUs;
    double endMs = 0;
    double totalMs = 0;
    qsizetype replyChars = 0;
};

Figures run(const QString &answer, bool withBubble)
{
    FakeScheduler clock;
    QTemporaryDir dir;
    ModelContainer container(ModelStore::schema(), ModelConfiguration{dir.filePath(QStringLiteral("default.store")), false});
    ModelContext *context = container.mainContext();
    auto *task = new TaskData(QUuid::createUuid(), QStringLiteral("Bench"), std::nullopt, std::nullopt, clock.now(), false,
                              std::nullopt, std::nullopt, StreamStatus::Streaming, std::nullopt);
    context->insert(task);
    context->save();

    ChatViewModel chat(context, task);
    chat.addUserMessage(QStringLiteral("Write a long report"));
    ChatMessageData *reply = chat.streamingMessage();
    std::unique_ptr<MessageBubbleViewModel> bubble;
    if (withBubble) {
        bubble = std::make_unique<MessageBubbleViewModel>(reply, 1, true, chat.taskAssociationService());
        QObject::connect(&chat, &ChatViewModel::messageUpdated, bubble.get(), [&](int row) {
            if (chat.messages().at(row) == bubble->message())
                (void)bubble->displayText();
        });
    }

    Figures f;
    QRandomGenerator rng(7);
    QElapsedTimer total;
    total.start();
    qsizetype at = 0;
    while (at < answer.size()) {
        qsizetype n = 5 + rng.bounded(16);
        // Never cut a surrogate pair apart.
        if (at + n < answer.size() && answer.at(at + n - 1).isHighSurrogate())
            ++n;
        const QString chunk = answer.mid(at, n);
        at += n;
        QElapsedTimer t;
        t.start();
        chat.processStreamChunk(chunk);
        clock.advance(5); // 200 chunks per second: the batching timers fire in between
        f.perChunkUs.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    QElapsedTimer end;
    end.start();
    chat.endStreamingResponse();
    clock.advance(20);
    f.endMs = double(end.nsecsElapsed()) / 1e6;
    f.totalMs = double(total.nsecsElapsed()) / 1e6;
    f.replyChars = reply ? reply->aiFinalReplyText().value_or(QString()).size() : 0;
    return f;
}

void print(const char *title, const Figures &f)
{
    const std::vector<double> &v = f.perChunkUs;
    const size_t tenth = v.size() / 10;
    const std::vector<double> first(v.begin(), v.begin() + qsizetype(tenth));
    const std::vector<double> last(v.end() - qsizetype(tenth), v.end());
    const auto worst = std::max_element(v.begin(), v.end());
    std::printf("%s: %zu chunks, reply %lld characters\n", title, v.size(), qlonglong(f.replyChars));
    std::printf("  busy time per chunk (us): median %.1f  p95 %.1f  max %.1f (chunk %lld)\n", percentile(v, 0.5),
                percentile(v, 0.95), *worst, qlonglong(worst - v.begin()));
    std::printf("  first tenth: median %.1f  p95 %.1f  |  last tenth: median %.1f  p95 %.1f\n", percentile(first, 0.5),
                percentile(first, 0.95), percentile(last, 0.5), percentile(last, 0.95));
    std::printf("  end of answer %.2f ms, total busy %.1f ms\n", f.endMs, f.totalMs);
}

}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    Log::setSink([](const QString &) {});
    const QString answer = markdownAnswer(200 * 1024);
    std::printf("answer: %lld characters of Markdown\n", qlonglong(answer.size()));
    print("chat", run(answer, false));
    print("chat with a bubble reading the display text", run(answer, true));
    return 0;
}
