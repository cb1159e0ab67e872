#include "windows/FloatingPanelState.h"
#include "model/TaskData.h"

FloatingPanelState::FloatingPanelState(QObject *parent)
    : QObject(parent)
{
}

void FloatingPanelState::setIsCollapsed(bool value)
{
    if (m_isCollapsed == value)
        return;
    m_isCollapsed = value;
    Q_EMIT isCollapsedChanged(value);
}

void FloatingPanelState::setIsAnimating(bool value)
{
    if (m_isAnimating == value)
        return;
    m_isAnimating = value;
    Q_EMIT isAnimatingChanged(value);
}

void FloatingPanelState::setIsScrolling(bool value)
{
    if (m_isScrolling == value)
        return;
    m_isScrolling = value;
    Q_EMIT isScrollingChanged(value);
}

void FloatingPanelState::setHideControlButton(bool value)
{
    if (m_hideControlButton == value)
        return;
    m_hideControlButton = value;
    Q_EMIT hideControlButtonChanged(value);
}

void FloatingPanelState::setSelectedTask(TaskData *task)
{
    if (m_selectedTask == task)
        return;
    if (m_selectedTask)
        disconnect(m_selectedTask, &QObject::destroyed, this, nullptr);
    m_selectedTask = task;
    // A task object that goes away takes the selection with it.
    if (task)
        connect(task, &QObject::destroyed, this, &FloatingPanelState::selectedTaskChanged);
    Q_EMIT selectedTaskChanged();
}

void FloatingPanelState::setChatExitingAnimation(bool value)
{
    if (m_chatExitingAnimation == value)
        return;
    m_chatExitingAnimation = value;
    Q_EMIT chatExitingAnimationChanged(value);
}
