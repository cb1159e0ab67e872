#pragma once
#include "widgets/BaseWindowManager.h"
#include "windows/WindowPlacement.h"

#include <QPointer>
#include <functional>
#include <optional>

class FloatingPanelView;
class ChatCoordinator;
class ModelContainer;

// Owns the floating task panel: a frameless window floating above other windows, 420 pt wide,
// at the right edge of the main screen with its bottom on the bottom of the available area,
// hosting FloatingPanelView. It takes keyboard focus when clicked (the chat has a text field)
// but does not take it when shown.
//
// Built on the first show and kept (hidden, not closed) until cleanup(). Posts
// "PanelViewWillAppear" on every show (before the fade) and "PanelViewDidDisappear" on every
// hide (as the fade starts); re-fits its height to the view and re-places itself on
// "panelSizeShouldUpdate", and cleans up when the application quits.
class PanelWindowManager : public BaseWindowManager {
    Q_OBJECT
public:
    static constexpr double panelWidth = 420;
    static constexpr double minimumContentHeight = 100;

    using ScreenFramesProvider = std::function<std::optional<ScreenFrames>()>;

    explicit PanelWindowManager(ModelContainer *modelContainer, QObject *parent = nullptr);
    ~PanelWindowManager() override;

    void setScreenFramesProvider(ScreenFramesProvider provider) { m_screenFrames = std::move(provider); }
    // The coordinator, held weakly; the panel's content needs it.
    void setMainViewModel(ChatCoordinator *mainViewModel);
    ChatCoordinator *mainViewModel() const;
    // The hosted panel view, none before the first show and after cleanup or a close.
    FloatingPanelView *hostingView() const;
    const QList<quint64> &notificationObservers() const { return m_notificationObservers; }

    void show() override;
    void hide() override;
    void positionWindow() override;
    void cleanup() override;
    // Tear-down by the coordinator: the hosted view goes and the window stops reporting to us.
    void releaseContent();

    // The panel's frame in Qt coordinates for a content height on a screen: right edge on the
    // screen frame's right edge (x = 0 when that would not be positive), bottom on the bottom
    // of the available area (or of the screen frame, whichever is higher).
    static QRect panelFrame(const ScreenFrames &frames, double width, double height);
    // The height the window gets for a view: its size hint, or its minimum size hint when the
    // size hint is not valid, never below 100.
    static double fittedHeight(const QWidget *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupObservers();
    void createPanel();
    void setupContent();
    void updatePanelSize();

    ModelContainer *m_modelContainer;
    QPointer<QObject> m_mainViewModel;
    QPointer<QWidget> m_hostingView;
    QList<quint64> m_notificationObservers;
    ScreenFramesProvider m_screenFrames;
    bool m_positioning = false;
};
