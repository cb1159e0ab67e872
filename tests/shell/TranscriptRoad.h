#pragma once
// The coordinator with the product's transcript panel, shared by the tests of the voice road.
#include "CoordinatorFixture.h"
#include "app/ProductServices.h"
#include "voice/TranscriptView.h"

#include <QApplication>
#include <memory>

// Recording window managers, except the transcript panel, which is the product's.
class RealTranscriptFactory : public FakeWindowFactory {
public:
    std::unique_ptr<WindowPort> makeTranscript(MainViewModel *vm, AudioManagerService *audio, ModelContainer *container) override
    {
        return ProductWindowFactory().makeTranscript(vm, audio, container);
    }
};

// The content of the one transcript panel on screen.
inline TranscriptView *shownTranscript()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            if (auto *view = w->findChild<TranscriptView *>())
                return view;
    return nullptr;
}

// A started coordinator over the fixture's store and tools, with that recorder and those windows.
inline std::unique_ptr<MainViewModel> startedCoordinator(CoordinatorFixture &f, AudioManagerService *audio,
                                                         CoordinatorWindowFactory *windows)
{
    MainViewModel::Services s;
    s.audioService = audio;
    s.toolRuntime = &f.tools;
    s.windows = windows;
    s.makeKeyboardMonitor = [] { return new KeyboardEventMonitor(std::vector<ModifierEventSource *>{}, nullptr); };
    auto vm = std::make_unique<MainViewModel>(&f.container, s);
    vm->setupNotificationObservers();
    vm->initializeServices();
    return vm;
}
