#pragma once
#include <QString>
#include <memory>

class QMenuBar;
class AudioManagerService;
class MainViewModel;
class ModelContainer;
class QObject;

// What the coordinator drives of each window manager. Every manager of the windows, voice
// and store subsystems plugs in through one of these, so the coordinator's routing does not
// depend on how a window is built. A surface whose manager is not part of this build is
// simply absent (the factory answers none) and the routing leaves it alone.
class WindowPort {
public:
    virtual ~WindowPort() = default;
    // The manager has a window and it is visible.
    virtual bool isWindowVisible() const = 0;
    // The manager's own show and hide (with the notifications they post).
    virtual void show() = 0;
    virtual void hide() = 0;
    // The plain faded hide of the window-manager base, without the manager's own extras.
    virtual void baseHide() = 0;
    // Drops the window (it can be built again later).
    virtual void cleanup() = 0;
};

class PanelWindowPort : public WindowPort {
public:
    // The panel holds the coordinator weakly.
    virtual void setMainViewModel(MainViewModel *mainViewModel) = 0;
    // Tear-down: the panel's hosted content goes and its window forgets its delegate.
    virtual void releaseContent() = 0;
};

class FlowerWindowPort : public WindowPort {
public:
    virtual bool isVisible() const = 0;
    virtual void setIsVisible(bool visible) = 0;
    virtual bool isRecording() const = 0;
    virtual void showFlowerWindow() = 0;
    virtual void stopRecording() = 0;
};

class CanvasWindowPort : public WindowPort {
public:
    virtual void createWindow() = 0;
    virtual void setMainViewModel(MainViewModel *mainViewModel) = 0;
    // The canvas is in front: its window exists, is full screen, visible, on the current
    // desktop, and the application is active.
    virtual bool isInFront() const = 0;
    // The application's menu bar, shown in the canvas window: where the desktop shows no
    // status-notifier tray, the status menu's actions and shortcuts are reachable there.
    virtual void setMenuBar(QMenuBar *) {}
};

class StoreWindowPort : public WindowPort {
public:
    // Builds the store window when it does not exist yet.
    virtual void createWindow() = 0;
};

// Builds the coordinator's window managers; each answers none when its surface is absent.
class CoordinatorWindowFactory {
public:
    virtual ~CoordinatorWindowFactory() = default;
    virtual std::unique_ptr<PanelWindowPort> makePanel(ModelContainer *container) = 0;
    virtual std::unique_ptr<FlowerWindowPort> makeFlower(AudioManagerService *audioService) = 0;
    virtual std::unique_ptr<CanvasWindowPort> makeCanvas(ModelContainer *container) = 0;
    virtual std::unique_ptr<StoreWindowPort> makeStore(ModelContainer *container) = 0;
    // The transcript panel's manager, made with the coordinator, the audio service and the container.
    virtual std::unique_ptr<WindowPort> makeTranscript(MainViewModel *mainViewModel, AudioManagerService *audioService,
                                                       ModelContainer *container) = 0;
};
