#pragma once
#include <QPointer>
#include <QWidget>

class ChatCoordinator;
class EmbeddedChatView;
#include "Platform/Store/ModelContext.h"
#include "model/TaskData.h"
struct ModelChanges;

// The column beside the workspace's content: the chat of the workspace's task, 360 points wide,
// while the task exists in the workspace's context; otherwise a placeholder asking for a task.
// The task is looked up again whenever the context's tasks change and when the column shows.
class SideChatView : public QWidget {
    Q_OBJECT
public:
    static constexpr int chatWidth = 360;

    SideChatView(TaskData *selectedTask, ModelContext *modelContext, ChatCoordinator *coordinator, QWidget *parent = nullptr);

    // The task as the workspace's context holds it; null without a task, when it is gone or
    // the look-up fails (which is logged and reported).
    TaskData *taskInContext() const;
    // Shows the chat or the placeholder for what taskInContext() finds now.
    void refresh();

    EmbeddedChatView *chat() const { return m_chat; }
    QWidget *placeholder() const { return m_placeholder; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void storeChanged(const ModelChanges &changes);
    QWidget *makePlaceholder();

    QPointer<TaskData> m_selectedTask;
    QPointer<ModelContext> m_context;
    ChatCoordinator *m_coordinator;
    EmbeddedChatView *m_chat = nullptr;
    QWidget *m_placeholder = nullptr;
};
