#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

// The common base of every object that owns one application window (floating panel, canvas,
// flower, transcript panel, store window).
//
// What it does
// - Holds the window (`window()`), which a subclass builds lazily and hands over with
//   setWindow(); the manager owns it from then on.
// - show(): fades the window in over 0.3 s (its opacity from 0 to 1): the window is shown and
//   raised at opacity 0, positionWindow() is called, then the fade runs.
// - hide(): fades it out over 0.3 s and then hides it (the window is kept, at opacity 0).
// - A show or hide that arrives while a fade runs is remembered in one slot (the last request
//   wins) and replayed through the virtual show()/hide() when the fade ends, so an override's
//   own steps (notifications, activation) run again on replay.
// - show() does nothing without a window or on a visible window; hide() does nothing without a
//   window or on a hidden one; neither touches the queued request then.
// - cleanup(): deletes the window's content and the window (running hide() first), forgets
//   the queued request and clears isAnimating(). A fade begun before a cleanup never touches
//   anything when it ends late: completions belong to the fade (and window) they started for.
// - Fades run on Scheduler time, so tests drive them with FakeScheduler::advance().
//
// Rules for subclasses
// 1. A show() override that builds its window does so before calling BaseWindowManager::show().
// 2. Notifications announcing appearance are posted before the base show(); those announcing
//    disappearance after the base hide() has been started (not at the end of the fade).
// 3. A cleanup() override releases what it owns first and calls BaseWindowManager::cleanup()
//    last. C++ does not dispatch virtually from a base destructor: a subclass that overrides
//    cleanup() calls cleanup() from its own destructor (the base destructor runs the base one).
// 4. positionWindow() places the window; it must not call show() or hide().
//
// Everything runs on the main thread.
class BaseWindowManager : public QObject {
    Q_OBJECT
public:
    static constexpr int fadeDurationMs = 300;

    explicit BaseWindowManager(QObject *parent = nullptr);
    ~BaseWindowManager() override;

    QWidget *window() const { return m_window; }
    bool isAnimating() const { return m_isAnimating; }
    std::optional<bool> pendingVisibilityState() const { return m_pendingVisibilityState; }

    virtual void show();
    virtual void hide();
    virtual void positionWindow();
    virtual void cleanup();

protected:
    // Hands the manager its window (owned from now on; a previous one is deleted).
    void setWindow(QWidget *window);
    // Fades the window's opacity from its current value to `to` over 0.3 s, replacing any
    // fade under way; done runs at the end unless a newer fade or a cleanup came first.
    void runFade(qreal to, std::function<void()> done);
    void setAnimating(bool animating) { m_isAnimating = animating; }
    void setPendingVisibilityState(std::optional<bool> state) { m_pendingVisibilityState = state; }
    // Clears isAnimating and replays the queued request, if any.
    void finishFade();

private:
    void stopFadeTicker();

    QPointer<QWidget> m_window;
    bool m_isAnimating = false;
    std::optional<bool> m_pendingVisibilityState;
    quint64 m_fadeId = 0;
    quint64 m_ticker = 0;
    quint64 m_doneTimer = 0;
};
