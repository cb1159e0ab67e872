#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class ChatInputPanel;
class ChatView;
class ChatViewModel;
class ChatCoordinator;
class TaskData;

// The chat of one task packaged for a host (the floating panel with caller "panel", the task
// workspace's side chat with "canvas"). It takes the task's chat state from the coordinator
// (created there on first use, then shared by every host of the same task), builds the ChatView
// with its input panel, and reveals the chat 0.1 s after it comes on screen. The callbacks are
// handed to the chat view unchanged; nothing in the chat calls them.
//
// Hiding the chat is the host's business: it removes the view; a new one starts hidden again.
//
// The coordinator may drop the chat state while this view lives (every session closed when
// the last window closes, or at sign-out). The view then lets go of it at once and takes the
// task's new chat state when it is on screen again, so nothing reaches a deleted chat and what
// is sent afterwards is answered in this view.
class EmbeddedChatView : public QWidget {
    Q_OBJECT
public:
    static constexpr int revealDelayMs = 100;

    EmbeddedChatView(ChatCoordinator *mainViewModel, TaskData *task, const QString &caller, std::function<void()> onAddTask,
                     std::function<void()> onCollapsePanel, QWidget *parent = nullptr);

    // Whether the chat has been revealed (false until 0.1 s after the first appearance).
    bool isChatVisible() const { return m_isVisible; }

    TaskData *task() const;
    QString caller() const { return m_caller; }
    ChatViewModel *viewModel() const;
    ChatView *chatView() const { return m_chatView; }
    ChatInputPanel *inputPanel() const { return m_inputPanel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build(ChatViewModel *viewModel);
    void onViewModelDestroyed();
    void takeNewViewModel();

    ChatCoordinator *m_mainViewModel;
    QPointer<TaskData> m_task;
    QString m_caller;
    std::function<void()> m_onAddTask;
    std::function<void()> m_onCollapsePanel;
    QPointer<ChatViewModel> m_viewModel;
    ChatView *m_chatView = nullptr;
    ChatInputPanel *m_inputPanel = nullptr;
    bool m_isVisible = false;
};
