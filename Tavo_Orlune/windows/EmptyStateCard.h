#pragma once
#include <QWidget>
#include <functional>

class BlurredGradientBackground;
class EmptyStateButton;
class ChatCoordinator;
class QLabel;

// What the floating panel shows instead of its task list while there are no tasks: "No Working
// Tasks" with an "Add Task" and an "Open Canvas" button, on a frosted blurred-gradient card of a
// fixed 392 x 232 (360 x 200 content). Each button records its usage event, then runs the
// host's callback.
class EmptyStateCard : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize contentSize{360, 200};
    static constexpr int padding = 16;

    EmptyStateCard(ChatCoordinator *mainViewModel, std::function<void()> onAddTask, std::function<void()> onOpenCanvas,
                   QWidget *parent = nullptr);

    ChatCoordinator *mainViewModel() const { return m_mainViewModel; }
    EmptyStateButton *addTaskButton() const { return m_addTask; }
    EmptyStateButton *openCanvasButton() const { return m_openCanvas; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *subtitleLabel() const { return m_subtitle; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ChatCoordinator *m_mainViewModel;
    std::function<void()> m_onAddTask;
    std::function<void()> m_onOpenCanvas;
    BlurredGradientBackground *m_gradient;
    QLabel *m_title;
    QLabel *m_subtitle;
    EmptyStateButton *m_addTask;
    EmptyStateButton *m_openCanvas;
};
