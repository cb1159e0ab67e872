// Opens 1,000 stored chats of 100 messages one after another, the way the floating panel does:
// an EmbeddedChatView for the task through the coordinator, shown, then closed. Prints the
// process's resident memory after the first hundred chats and after the last, and their ratio:
// a store and a coordinator that let go of closed chats keep it near 1.
//
//   bench_chat_open [chats, default 1000] [messages per chat, default 100]
#include "FakeAudioCaptureBackend.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/FetchedResults.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "chat/ChatViewModel.h"
#include "chat/EmbeddedChatView.h"
#include "model/AIStepTransformer.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"
#include "shell/KeyboardEventMonitor.h"
#include "shell/MainViewModel.h"
#include "voice/AudioManagerService.h"
#include "voice/GroqService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

void quiet(const QString &) {}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int chats = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int perChat = argc > 2 ? QByteArray(argv[2]).toInt() : 100;
    Log::setSink(&quiet);
    FakeScheduler clock;
    QTemporaryDir dir;
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.filePath = dir.filePath(QStringLiteral("bench.store"));
    ModelContainer store(ModelStore::schema(), configuration);

    QElapsedTimer timer;
    timer.start();
    {
        ModelContext seed(&store);
        const QDateTime t0(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (int c = 0; c < chats; ++c) {
            auto *task = new TaskData(QUuid::createUuid(), QStringLiteral("Task %1").arg(c), std::nullopt, std::nullopt, t0.addSecs(c),
                                      false, std::nullopt, std::nullopt, StreamStatus::Completed, false);
            seed.insert(task);
            for (int m = 0; m < perChat; ++m) {
                if (m % 2 == 0)
                    ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("Question %1 of chat %2, with a few words").arg(m).arg(c),
                                                         t0.addSecs(c * perChat + m), task);
                else
                    ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, AIReplyStatus::FinishedSuccessfully, std::nullopt,
                                                       t0.addSecs(c * perChat + m), task)
                        ->setAiFinalReplyText(QStringLiteral("An answer of a few sentences. It has **bold** text, a list:\n\n- one\n- two\n\nand a closing line %1.").arg(m));
            }
            if ((c + 1) % 50 == 0)
                seed.save();
        }
        seed.save();
    }
    // The seeding context's memory goes back to the system, so that what the chats keep shows.
    malloc_trim(0);
    std::printf("seeded %d chats of %d messages in %.1f s\n", chats, perChat, timer.nsecsElapsed() / 1e9);

    MainViewModel::Services services;
    AudioManagerService audio(std::make_unique<FakeAudioCaptureBackend>(),
                              std::make_unique<GroqService>(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions")));
    services.audioService = &audio;
    services.makeKeyboardMonitor = [] { return new KeyboardEventMonitor(std::vector<ModifierEventSource *>{}, nullptr); };
    MainViewModel vm(&store, services);
    // The panel's task list, as the floating panel holds it.
    FetchedResults tasks(store.mainContext(), FetchDescriptor::of<TaskData>({}, {{QStringLiteral("createdAt"), false}}));
    const QList<TaskData *> list = tasks.results<TaskData>();

    double afterHundred = 0;
    timer.restart();
    for (int i = 0; i < list.size(); ++i) {
        auto *view = new EmbeddedChatView(&vm, list[i], QStringLiteral("panel"), {}, {});
        view->resize(420, 640);
        view->show();
        clock.advance(EmbeddedChatView::revealDelayMs + 50);
        QCoreApplication::processEvents();
        delete view;
        clock.runPending();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i + 1 == 100) {
            afterHundred = residentMB();
            std::printf("resident after %4d chats: %8.1f MB (chat states kept: %lld)\n", i + 1, afterHundred,
                        qlonglong(vm.chatViewModels().size()));
        }
    }
    const double atEnd = residentMB();
    std::printf("resident after %4lld chats: %8.1f MB (chat states kept: %lld)\n", qlonglong(list.size()), atEnd,
                qlonglong(vm.chatViewModels().size()));
    std::printf("end / first hundred: %.3f (%.1f ms per chat opened)\n", afterHundred > 0 ? atEnd / afterHundred : 0.0,
                timer.nsecsElapsed() / 1e6 / std::max<qsizetype>(1, list.size()));
    Log::setSink(nullptr);
    return 0;
}
