#pragma once
#include "shell/CoordinatorStartupServices.h"
#include "shell/CoordinatorWindows.h"

// The coordinator's window managers as this build has them: the flower, the floating panel, the
// canvas and the transcript panel; the store window comes with its own subsystem.
class ProductWindowFactory : public CoordinatorWindowFactory {
public:
    std::unique_ptr<PanelWindowPort> makePanel(ModelContainer *container) override;
    std::unique_ptr<FlowerWindowPort> makeFlower(AudioManagerService *audioService) override;
    std::unique_ptr<CanvasWindowPort> makeCanvas(ModelContainer *container) override;
    std::unique_ptr<StoreWindowPort> makeStore(ModelContainer *container) override;
    std::unique_ptr<WindowPort> makeTranscript(MainViewModel *mainViewModel, AudioManagerService *audioService,
                                               ModelContainer *container) override;
};

// The tool runtime's start-up: the default MCP server and the tool repository.
class ProductStartupServices : public CoordinatorStartupServices {
public:
    void addPerplexityServerIfNeeded(QObject *context, std::function<void(const QString &error)> done) override;
    void initializeToolRepository(QObject *context, std::function<void(const QString &error)> done) override;
};
