#include "chat/EmbeddedChatView.h"
#include "chat/ChatInputPanel.h"
#include "chat/ChatView.h"
#include "chat/ChatViewModel.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "chat/ChatCoordinator.h"

#include <QShowEvent>
#include <QVBoxLayout>

EmbeddedChatView::EmbeddedChatView(ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
                                   std::function<void()> onAddTask, std::function<void()> onCollapsePanel, QWidget *parent)
    : QWidget(parent)
    , m_task(task)
    , m_caller(caller)
{
    Q_ASSERT_X(mainViewModel, "EmbeddedChatView", "the chat needs the coordinator");
    m_viewModel = mainViewModel && task ? mainViewModel->chatViewModel(task) : nullptr;
    m_chatView = new ChatView(m_viewModel, mainViewModel, task, caller, std::move(onAddTask), std::move(onCollapsePanel), this);
    m_inputPanel = new ChatInputPanel(m_viewModel, mainViewModel, task, caller);
    m_chatView->setInputPanel(m_inputPanel);
    connect(m_chatView, &ChatView::cancelMicrophoneModeRequested, m_inputPanel, &ChatInputPanel::cancelMicrophoneMode);

    // Sizes and shadows are the host's.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chatView);
}

TaskData *EmbeddedChatView::task() const
{
    return m_task;
}

ChatViewModel *EmbeddedChatView::viewModel() const
{
    return m_viewModel;
}

void EmbeddedChatView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    Log::line(QStringLiteral("[ChatView] onAppear"));
    QPointer<EmbeddedChatView> self(this);
    Scheduler::instance().singleShot(revealDelayMs, this, [self] {
        if (!self || self->m_isVisible)
            return;
        self->m_isVisible = true;
        self->m_chatView->setChatVisible(true);
    });
}
