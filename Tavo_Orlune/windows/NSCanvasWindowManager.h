#pragma once
#include "widgets/BaseWindowManager.h"
#include "windows/CanvasControllerInterface.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;

// Owns the canvas window ("Orlune Canvas", at least 1300 × 760): centred on the main screen,
// switched to full screen 0.5 s after it is shown and out of it before it is hidden. Its
// content is the canvas controller, which it hands a model context of its own and the
// coordinator, and tells about full-screen changes and resizes.
//
// Posts "EnhancedCanvasViewWillAppear" before showing, "EnhancedCanvasViewDidDisappear" after
// hiding and "canvasWindowDidEnterFullScreen" as full screen begins.
class QMenuBar;
class NSCanvasWindowManager : public BaseWindowManager {
    Q_OBJECT
public:
    // Makes a new model context on the shared model container; called on the main thread.
    using ModelContextFactory = std::function<std::shared_ptr<QObject>()>;
    using ControllerFactory = std::function<std::unique_ptr<CanvasControllerInterface>()>;

    static constexpr int fullScreenDelayMs = 500;
    static constexpr int hideDelayMs = 300;

    // Builds the window and its controller at once. Without a controller factory the window
    // hosts an EmptyCanvasController.
    explicit NSCanvasWindowManager(ModelContextFactory modelContainer, ControllerFactory controllerFactory = {},
                                   QObject *parent = nullptr);
    ~NSCanvasWindowManager() override;

    void setMainViewModel(QObject *mainViewModel);
    // Shown at the top of the window (taken over by the window; the caller keeps a guard).
    void setMenuBar(QMenuBar *menuBar);
    CanvasControllerInterface *canvasViewController() const { return m_canvasViewController.get(); }
    std::shared_ptr<QObject> realModelContext() const { return m_realModelContext; }

    void createWindow();
    void configureWindow(QWidget *window);
    void loadModelContext();

    void show() override;
    void hide() override;
    void positionWindow() override;

    // Actions.
    void toggleFullScreen();
    void showAddComponentMenu();
    void zoomIn();
    void zoomOut();
    void resetView();

    // The toolbar vocabulary the window answers with (no toolbar is attached to it).
    static QStringList toolbarDefaultItemIdentifiers();
    static QStringList toolbarAllowedItemIdentifiers();
    // The item for an identifier, or nullptr for any other; owned by parent.
    QAction *toolbarItem(const QString &identifier, QObject *parent);

    // Window events, forwarded from the window.
    void windowWillClose();
    void windowWillEnterFullScreen();
    void windowWillExitFullScreen();
    void windowDidResize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void zoom(qreal factor);
    void fitCanvasView();

    ModelContextFactory m_modelContainer;
    ControllerFactory m_controllerFactory;
    std::unique_ptr<CanvasControllerInterface> m_canvasViewController;
    QPointer<QObject> m_mainViewModel;
    QPointer<QMenuBar> m_menuBar;
    std::shared_ptr<QObject> m_realModelContext;
    quint64 m_pendingHide = 0;
    quint64 m_pendingFullScreen = 0;
};
