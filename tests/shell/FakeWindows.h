#pragma once
#include "shell/CoordinatorWindows.h"

#include <QStringList>

// Window managers that only record what the coordinator asks of them, in one shared log
// ("panel.show", "flower.baseHide", ...), and keep a visible flag the test can set.
struct FakeWindowLog {
    QStringList calls;
    void add(const QString &who, const QString &what) { calls << who + QLatin1Char('.') + what; }
};

template<class Port>
class FakeWindow : public Port {
public:
    FakeWindow(FakeWindowLog *log, QString name) : m_log(log), m_name(std::move(name)) {}
    bool visible = false;
    bool isWindowVisible() const override { return visible; }
    void show() override { m_log->add(m_name, "show"); visible = true; }
    void hide() override { m_log->add(m_name, "hide"); visible = false; }
    void baseHide() override { m_log->add(m_name, "baseHide"); visible = false; }
    void cleanup() override { m_log->add(m_name, "cleanup"); visible = false; }

protected:
    FakeWindowLog *m_log;
    QString m_name;
};

class FakePanel : public FakeWindow<PanelWindowPort> {
public:
    using FakeWindow::FakeWindow;
    MainViewModel *mainViewModel = nullptr;
    void setMainViewModel(MainViewModel *m) override { mainViewModel = m; }
    void releaseContent() override { m_log->add(m_name, "releaseContent"); }
};

class FakeFlower : public FakeWindow<FlowerWindowPort> {
public:
    using FakeWindow::FakeWindow;
    bool flagVisible = false;
    bool recording = false;
    bool isVisible() const override { return flagVisible; }
    void setIsVisible(bool v) override { flagVisible = v; }
    bool isRecording() const override { return recording; }
    void showFlowerWindow() override { m_log->add(m_name, "showFlowerWindow"); flagVisible = true; visible = true; }
    void stopRecording() override { m_log->add(m_name, "stopRecording"); recording = false; }
};

class FakeCanvas : public FakeWindow<CanvasWindowPort> {
public:
    using FakeWindow::FakeWindow;
    bool inFront = false;
    MainViewModel *mainViewModel = nullptr;
    void createWindow() override { m_log->add(m_name, "createWindow"); }
    void setMainViewModel(MainViewModel *m) override { mainViewModel = m; }
    bool isInFront() const override { return inFront; }
    QMenuBar *menuBar = nullptr;
    void setMenuBar(QMenuBar *m) override { menuBar = m; }
};

class FakeStore : public FakeWindow<StoreWindowPort> {
public:
    using FakeWindow::FakeWindow;
    void createWindow() override { m_log->add(m_name, "createWindow"); }
};

class FakeWindowFactory : public CoordinatorWindowFactory {
public:
    FakeWindowLog log;
    FakePanel *panel = nullptr;
    FakeFlower *flower = nullptr;
    FakeCanvas *canvas = nullptr;
    FakeStore *store = nullptr;
    FakeWindow<WindowPort> *transcript = nullptr;

    std::unique_ptr<PanelWindowPort> makePanel(ModelContainer *) override
    {
        log.add("factory", "panel");
        auto p = std::make_unique<FakePanel>(&log, "panel");
        panel = p.get();
        return p;
    }
    std::unique_ptr<FlowerWindowPort> makeFlower(AudioManagerService *) override
    {
        log.add("factory", "flower");
        auto p = std::make_unique<FakeFlower>(&log, "flower");
        flower = p.get();
        return p;
    }
    std::unique_ptr<CanvasWindowPort> makeCanvas(ModelContainer *) override
    {
        log.add("factory", "canvas");
        auto p = std::make_unique<FakeCanvas>(&log, "canvas");
        canvas = p.get();
        return p;
    }
    std::unique_ptr<StoreWindowPort> makeStore(ModelContainer *) override
    {
        log.add("factory", "store");
        auto p = std::make_unique<FakeStore>(&log, "store");
        store = p.get();
        return p;
    }
    std::unique_ptr<WindowPort> makeTranscript(MainViewModel *, AudioManagerService *, ModelContainer *) override
    {
        log.add("factory", "transcript");
        auto p = std::make_unique<FakeWindow<WindowPort>>(&log, "transcript");
        transcript = p.get();
        return p;
    }
};
