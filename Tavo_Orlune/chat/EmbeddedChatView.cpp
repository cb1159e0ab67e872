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
    , m_mainViewModel(mainViewModel)
    , m_task(task)
    , m_caller(caller)
    , m_onAddTask(std::move(onAddTask))
    , m_onCollapsePanel(std::move(onCollapsePanel))
{
    Q_ASSERT_X(mainViewModel, "EmbeddedChatView", "the chat needs the coordinator");
    // Sizes and shadows are the host's.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    build(mainViewModel && task ? mainViewModel->chatViewModel(task) : nullptr);
}

void EmbeddedChatView::build(ChatViewModel *viewModel)
{
    // The old parts go at once: they hold the chat state that is going away.
    delete m_chatView;
    m_viewModel = viewModel;
    m_chatView = new ChatView(viewModel, m_mainViewModel, m_task, m_caller, m_onAddTask, m_onCollapsePanel, this);
    m_inputPanel = new ChatInputPanel(viewModel, m_mainViewModel, m_task, m_caller);
    m_chatView->setInputPanel(m_inputPanel);
    connect(m_chatView, &ChatView::cancelMicrophoneModeRequested, m_inputPanel, &ChatInputPanel::cancelMicrophoneMode);
    layout()->addWidget(m_chatView);
    if (viewModel)
        connect(viewModel, &QObject::destroyed, this, &EmbeddedChatView::onViewModelDestroyed);
    if (m_isVisible)
        m_chatView->setChatVisible(true);
}

void EmbeddedChatView::onViewModelDestroyed()
{
    build(nullptr);
    if (!isVisible())
        return; // taken again when the host shows this view
    // Still on screen: the coordinator's clean-up has finished by the next turn.
    QPointer<EmbeddedChatView> self(this);
    MainQueue::post(this, [self] {
        if (self && self->isVisible())
            self->takeNewViewModel();
    });
}

void EmbeddedChatView::takeNewViewModel()
{
    if (m_viewModel || !m_task || !m_mainViewModel)
        return;
    build(m_mainViewModel->chatViewModel(m_task));
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
    takeNewViewModel();
    Log::line(QStringLiteral("[ChatView] onAppear"));
    QPointer<EmbeddedChatView> self(this);
    Scheduler::instance().singleShot(revealDelayMs, this, [self] {
        if (!self || self->m_isVisible)
            return;
        self->m_isVisible = true;
        self->m_chatView->setChatVisible(true);
    });
}
