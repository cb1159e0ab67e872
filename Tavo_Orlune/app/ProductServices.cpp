#include "app/ProductServices.h"
#include "account/Auth0Manager.h"
#include "account/ProfileService.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "shell/MainViewModel.h"
#include "Platform/Store/ModelContext.h"
#include "mcp/MCPConfigManager.h"
#include "Controller/mcp/FutureDelivery.h"
#include "Controller/mcp/MCPError.h"
#include "Controller/mcp/ToolRepository.h"
#include "voice/TranscriptView.h"
#include "voice/TranscriptWindowManager.h"
#include "voice/AudioManagerServiceRecorder.h"
#include "windows/FlowerWindowManager.h"
#include "windows/NSCanvasWindowManager.h"
#include "windows/PanelWindowManager.h"

#include <QFuture>
#include <QGuiApplication>

namespace {
template<class Port, class Manager>
class ManagerPort : public Port {
public:
    explicit ManagerPort(Manager *manager) : m_manager(manager) {}
    ~ManagerPort() override { delete m_manager; }
    bool isWindowVisible() const override { return m_manager->window() && m_manager->window()->isVisible(); }
    void show() override { m_manager->show(); }
    void hide() override { m_manager->hide(); }
    void baseHide() override { m_manager->BaseWindowManager::hide(); }
    void cleanup() override { m_manager->cleanup(); }

protected:
    Manager *m_manager;
};

class FlowerPort : public ManagerPort<FlowerWindowPort, FlowerWindowManager> {
public:
    using ManagerPort::ManagerPort;
    bool isVisible() const override { return m_manager->isVisible(); }
    // The flower keeps its own visible flag; its own hide clears it.
    void setIsVisible(bool) override {}
    void baseHide() override { m_manager->hide(); }
    bool isRecording() const override { return m_manager->isRecording(); }
    void showFlowerWindow() override { m_manager->showFlowerWindow(); }
    void stopRecording() override { m_manager->stopRecording(); }
};

class PanelPort : public ManagerPort<PanelWindowPort, PanelWindowManager> {
public:
    using ManagerPort::ManagerPort;
    void setMainViewModel(MainViewModel *mainViewModel) override { m_manager->setMainViewModel(mainViewModel); }
    void releaseContent() override { m_manager->releaseContent(); }
};

class CanvasPort : public ManagerPort<CanvasWindowPort, NSCanvasWindowManager> {
public:
    using ManagerPort::ManagerPort;
    void createWindow() override { m_manager->createWindow(); }
    void setMainViewModel(MainViewModel *mainViewModel) override { m_manager->setMainViewModel(mainViewModel); }
    void setMenuBar(QMenuBar *menuBar) override { m_manager->setMenuBar(menuBar); }
    bool isInFront() const override
    {
        const QWidget *w = m_manager->window();
        return w && w->isFullScreen() && w->isVisible() && QGuiApplication::applicationState() == Qt::ApplicationActive;
    }
};

class TranscriptPort : public ManagerPort<WindowPort, TranscriptWindowManager> {
public:
    using ManagerPort::ManagerPort;
    // The manager knows whether its panel is on screen, also during the fades.
    bool isWindowVisible() const override { return m_manager->isWindowVisible(); }
};

void finish(QFuture<void> future, QObject *context, std::function<void(const QString &)> done)
{
    FutureDelivery::deliver<void>(context, future, [done] { done(QString()); }, done);
}
}

std::unique_ptr<PanelWindowPort> ProductWindowFactory::makePanel(ModelContainer *container)
{
    return std::make_unique<PanelPort>(new PanelWindowManager(container));
}

std::unique_ptr<FlowerWindowPort> ProductWindowFactory::makeFlower(AudioManagerService *audioService)
{
    auto *recorder = new AudioManagerServiceRecorder(*audioService);
    auto *manager = new FlowerWindowManager(recorder);
    recorder->setParent(manager);
    return std::make_unique<FlowerPort>(manager);
}

std::unique_ptr<CanvasWindowPort> ProductWindowFactory::makeCanvas(ModelContainer *container)
{
    auto *manager = new NSCanvasWindowManager(
        [container]() -> std::shared_ptr<QObject> { return std::make_shared<ModelContext>(container); },
        [] {
            auto controller = std::make_unique<EnhancedCanvasViewController>();
            controller->setAccountServices(&Auth0Manager::shared(), &ProfileService::shared());
            return controller;
        });
    return std::make_unique<CanvasPort>(manager);
}

std::unique_ptr<StoreWindowPort> ProductWindowFactory::makeStore(ModelContainer *)
{
    return nullptr;
}

std::unique_ptr<WindowPort> ProductWindowFactory::makeTranscript(MainViewModel *mainViewModel, AudioManagerService *audioService,
                                                                 ModelContainer *)
{
    return std::make_unique<TranscriptPort>(new TranscriptWindowManager(mainViewModel, audioService));
}

void ProductStartupServices::addPerplexityServerIfNeeded(QObject *context, std::function<void(const QString &)> done)
{
    finish(MCPConfigManager::shared().addPerplexityServerIfNeeded(), context, std::move(done));
}

void ProductStartupServices::initializeToolRepository(QObject *context, std::function<void(const QString &)> done)
{
    finish(ToolRepository::shared().initialize(), context, std::move(done));
}
