#pragma once
#include <QPointer>
#include "FakeAudioCaptureBackend.h"
#include "FakeScheduler.h"
#include "FakeToolRuntime.h"
#include "FakeWindows.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "RecordingAnalyticsClient.h"
#include "chat/ChatViewModel.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"
#include "analytics/AnalyticsService.h"
#include "shell/KeyboardEventMonitor.h"
#include "shell/MainViewModel.h"
#include "voice/AudioManagerService.h"
#include "voice/GroqService.h"

#include <QStringList>
#include <memory>

// Holds each transcription request until the test answers it.
class HeldSpeechService : public GroqService {
public:
    HeldSpeechService() : GroqService(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions")) {}
    void transcribeAudio(const QString &, TranscriptionModel, const std::optional<QString> &, Completion completion) override
    {
        pending.append(std::move(completion));
    }
    void answer(const QString &text)
    {
        Result r;
        r.ok = true;
        r.text = text;
        pending.takeFirst()(r);
    }
    void fail()
    {
        Result r;
        r.failure.network = NetworkError::serverError(500, QStringLiteral("down"));
        pending.takeFirst()(r);
    }
    QList<Completion> pending;
};

// A coordinator over an in-memory store with one task, the real recorder over a scripted
// microphone and held speech-to-text, recorded analytics and virtual time (unless the test
// runs in real time against a stand-in).
struct ChatInputFixture {
    std::unique_ptr<FakeScheduler> clock;
    RecordingAnalyticsClient analytics;
    ModelContainer container{ModelStore::schema(), ModelConfiguration{QString(), true}};
    FakeAudioCaptureBackend *microphone = nullptr;
    HeldSpeechService *speech = nullptr;
    std::unique_ptr<AudioManagerService> audio;
    FakeToolRuntime tools;
    FakeWindowFactory windows;
    std::unique_ptr<MainViewModel> vm;
    TaskData *task = nullptr;
    // The coordinator lets go of a chat no view shows once its work is done.
    QPointer<ChatViewModel> chat;

    explicit ChatInputFixture(bool virtualTime = true)
    {
        if (virtualTime)
            clock = std::make_unique<FakeScheduler>();
        Log::setSink([](const QString &) {});
        AnalyticsService::shared().setClient(&analytics);
        auto mic = std::make_unique<FakeAudioCaptureBackend>();
        auto held = std::make_unique<HeldSpeechService>();
        microphone = mic.get();
        speech = held.get();
        audio = std::make_unique<AudioManagerService>(std::move(mic), std::move(held));
        MainViewModel::Services s;
        s.audioService = audio.get();
        s.toolRuntime = &tools;
        s.windows = &windows;
        s.makeKeyboardMonitor = [] { return new KeyboardEventMonitor(std::vector<ModifierEventSource *>{}, nullptr); };
        vm = std::make_unique<MainViewModel>(&container, s);
        task = vm->createTask(QStringLiteral("Chat task"), QStringLiteral("All Tasks"), false);
        chat = vm->chatViewModel(task);
    }
    ~ChatInputFixture()
    {
        vm.reset();
        audio.reset();
        AnalyticsService::shared().setClient(nullptr);
        Log::setSink(nullptr);
    }
    void runPending()
    {
        if (clock)
            clock->runPending();
    }
};
