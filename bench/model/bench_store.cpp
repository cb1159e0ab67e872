// Store figures: bulk chat inserts, task and chat fetches, and the streaming answer that is
// rewritten and autosaved as it grows.
#include "Platform/Store/ModelContext.h"
#include "model/AIStepTransformer.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

TaskData *newTask(int i, const QDateTime &at)
{
    return new TaskData(QUuid::createUuid(), QStringLiteral("Task %1").arg(i), std::nullopt, std::nullopt, at, false,
                        std::nullopt, std::nullopt, StreamStatus::Idle, false);
}

void print(const char *what, double ms, const QString &extra = {})
{
    std::printf("%-58s %10.1f ms %s\n", what, ms, qPrintable(extra));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.filePath = dir.filePath(QStringLiteral("bench.store"));
    ModelContainer store(ModelStore::schema(), configuration);
    const QDateTime t0(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

    constexpr int kTasks = 1000, kMessages = 100000, kBatch = 1000;
    QUuid bigTaskId;
    {
        ModelContext ctx(&store);
        QList<TaskData *> tasks;
        for (int i = 0; i < kTasks; ++i) {
            tasks << newTask(i, t0.addSecs(i));
            ctx.insert(tasks.last());
        }
        ctx.save();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kMessages; ++i) {
            TaskData *task = tasks[i % kTasks];
            ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("Message %1 with a few words of text").arg(i), t0.addSecs(i), task);
            if ((i + 1) % kBatch == 0)
                ctx.save();
        }
        print("insert 100000 chat messages over 1000 tasks (batches of 1000)", timer.nsecsElapsed() / 1e6,
              QStringLiteral("(%1 us per message)").arg(timer.nsecsElapsed() / 1e3 / kMessages, 0, 'f', 1));

        TaskData *big = newTask(kTasks, t0);
        ctx.insert(big);
        for (int i = 0; i < 500; ++i)
            ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("Long chat %1").arg(i), t0.addSecs(500 - i), big);
        ctx.save();
        bigTaskId = big->id();
    }

    {
        ModelContext ctx(&store);
        QElapsedTimer timer;
        timer.start();
        const QList<TaskData *> tasks = ctx.fetch<TaskData>({}, {{QStringLiteral("createdAt"), false}});
        print("fetch all tasks (fresh context)", timer.nsecsElapsed() / 1e6, QStringLiteral("(%1 tasks)").arg(tasks.size()));

        TaskData *big = ctx.fetch<TaskData>(Predicate::equal(QStringLiteral("id"), bigTaskId), {}, 1).first();
        timer.restart();
        const QList<ChatMessageData *> chat = ctx.fetch<ChatMessageData>(Predicate::equal(QStringLiteral("task"), big), {{QStringLiteral("timestamp"), true}});
        print("fetch one task's messages sorted by timestamp", timer.nsecsElapsed() / 1e6, QStringLiteral("(%1 messages)").arg(chat.size()));
        timer.restart();
        ctx.fetch<ChatMessageData>(Predicate::equal(QStringLiteral("task"), big), {{QStringLiteral("timestamp"), true}});
        print("  the same fetch again (rows already loaded)", timer.nsecsElapsed() / 1e6);
    }

    {
        // A streaming answer: 1000 chunks of 200 bytes, each followed by the coalesced autosave.
        ModelContext ctx(&store);
        ctx.setAutosaveEnabled(true);
        TaskData *task = ctx.fetch<TaskData>(Predicate::equal(QStringLiteral("id"), bigTaskId), {}, 1).first();
        ChatMessageData *answer = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, AIReplyStatus::InProgress, std::nullopt, t0, task);
        ctx.save();
        const QString chunk = QString(199, QLatin1Char('a')) + QLatin1Char('\n');
        QString text;
        QElapsedTimer timer, step;
        double firstTenth = 0, lastTenth = 0;
        timer.start();
        for (int i = 0; i < 1000; ++i) {
            step.start();
            text += chunk;
            answer->setAiFinalReplyText(text);
            QCoreApplication::processEvents(); // the autosave runs on this turn
            const double us = step.nsecsElapsed() / 1e3;
            if (i < 100)
                firstTenth += us;
            else if (i >= 900)
                lastTenth += us;
        }
        if (ctx.hasChanges())
            std::printf("autosave did not keep up\n");
        print("rewrite a growing answer to 200 KB, 1000 autosaves", timer.nsecsElapsed() / 1e6);
        std::printf("  per rewrite: %.1f us at 0-20 KB, %.1f us at 180-200 KB (size ratio 19; linear cost gives about that ratio)\n",
                    firstTenth / 100, lastTenth / 100);
        std::printf("  per KB of answer at 180-200 KB: %.2f us\n", lastTenth / 100 / 190.0);
    }
    return 0;
}
