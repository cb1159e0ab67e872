#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class EmbeddedChatView;
class ChatCoordinator;
class TaskData;
class QWidget;

// The chat of one task in a window of its own: the window (built on the first showWindow())
// hosts an EmbeddedChatView, fades in over 0.4 s when shown and out over 0.3 s instead of
// closing abruptly, and floats above other windows on every desktop once it is active.
// "ChatWindowWillClose" is posted once per close, whether through close() (at the end of the
// fade, the window then hidden but kept) or by the window's own close button.
//
// A controller released during the closing fade still lets the fade finish: the window is
// hidden, the notification posted, and the window deleted afterwards.
class ChatWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int fadeInMs = 400;
    static constexpr int fadeOutMs = 300;
    static inline const QString willCloseNotification = QStringLiteral("ChatWindowWillClose");

    ChatWindowController(ChatCoordinator *mainViewModel, TaskData *task, const QString &caller, std::function<void()> onAddTask,
                         std::function<void()> onCollapsePanel, QObject *parent = nullptr);
    ~ChatWindowController() override;

    void showWindow();
    void close();

    QWidget *window() const { return m_window; }
    EmbeddedChatView *hostingView() const { return m_hostingView; }
    bool isAnimatingOut() const { return m_isAnimatingOut; }
    TaskData *task() const { return m_task; }
    QString caller() const { return m_caller; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void windowWillClose();
    void windowDidBecomeKey();
    // Fades the window's opacity to `to`; the ticks and the end are tied to the window, not to
    // the controller, so a fade outlives a released controller.
    void fade(qreal to, int durationMs, bool easeOut, std::function<void()> done);

    QPointer<TaskData> m_task;
    std::function<void()> m_onAddTask;
    std::function<void()> m_onCollapsePanel;
    QPointer<EmbeddedChatView> m_hostingView;
    bool m_isAnimatingOut = false;
    QPointer<ChatCoordinator> m_mainViewModel;
    QString m_caller;
    QPointer<QWidget> m_window;
    quint64 m_fadeId = 0;
};
