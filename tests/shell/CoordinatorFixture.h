#pragma once
#include "analytics/AnalyticsService.h"
#include "FakeAudioCaptureBackend.h"
#include "FakeToolRuntime.h"
#include "FakeWindows.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "RecordingAnalyticsClient.h"
#include "model/SharedModelContainer.h"
#include "shell/KeyboardEventMonitor.h"
#include "shell/MainViewModel.h"
#include "voice/AudioManagerService.h"
#include "voice/GroqService.h"

#include <QStringList>

// A coordinator over an in-memory store, the real recorder with a scripted backend, recorded
// analytics and recording window managers.
struct CoordinatorFixture {
    static QStringList &log()
    {
        static QStringList lines;
        return lines;
    }
    static void capture(const QString &line) { log().append(line); }

    RecordingAnalyticsClient analytics;
    ModelContainer container{ModelStore::schema(), ModelConfiguration{QString(), true}};
    AudioManagerService audio{std::make_unique<FakeAudioCaptureBackend>(),
                              std::make_unique<GroqService>(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions"))};
    FakeToolRuntime tools;
    FakeWindowFactory windows;
    std::unique_ptr<MainViewModel> vm;

    CoordinatorFixture()
    {
        log().clear();
        Log::setSink(&capture);
        AnalyticsService::shared().setClient(&analytics);
    }
    ~CoordinatorFixture()
    {
        vm.reset();
        AnalyticsService::shared().setClient(nullptr);
        Log::setSink(nullptr);
    }
    MainViewModel &make()
    {
        MainViewModel::Services s;
        s.audioService = &audio;
        s.toolRuntime = &tools;
        s.windows = &windows;
        s.makeKeyboardMonitor = [] { return new KeyboardEventMonitor(std::vector<ModifierEventSource *>{}, nullptr); };
        vm = std::make_unique<MainViewModel>(&container, s);
        return *vm;
    }
    ModelContext *context() { return container.mainContext(); }
};
