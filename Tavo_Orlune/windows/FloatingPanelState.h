#pragma once
#include "model/TaskData.h"

#include <QObject>
#include <QPointer>
#include <QString>

// The floating panel's working state. Every field notifies on change; the panel view redraws
// from it, and its delayed steps always work on this one object, never on a copy.
class FloatingPanelState : public QObject {
    Q_OBJECT
public:
    explicit FloatingPanelState(QObject *parent = nullptr);

    // Collapsed mode; every transition that changes it also writes "isFloatingPanelCollapsed".
    bool isCollapsed() const { return m_isCollapsed; }
    void setIsCollapsed(bool value);
    // True while the panel is on screen: drives the list area's entrance.
    bool isAnimating() const { return m_isAnimating; }
    void setIsAnimating(bool value);
    // True while a drag runs over the expanded list.
    bool isScrolling() const { return m_isScrolling; }
    void setIsScrolling(bool value);
    // Set while the chat is open.
    bool hideControlButton() const { return m_hideControlButton; }
    void setHideControlButton(bool value);
    // The task whose chat is embedded (none once the task object is gone).
    TaskData *selectedTask() const { return m_selectedTask; }
    void setSelectedTask(TaskData *task);
    // True during the embedded chat's exit animation.
    bool chatExitingAnimation() const { return m_chatExitingAnimation; }
    void setChatExitingAnimation(bool value);
    // Copies of the persisted values taken when the state is restored.
    bool persistedShowChat() const { return m_persistedShowChat; }
    void setPersistedShowChat(bool value) { m_persistedShowChat = value; }
    QString persistedSelectedTaskId() const { return m_persistedSelectedTaskId; }
    void setPersistedSelectedTaskId(const QString &value) { m_persistedSelectedTaskId = value; }

Q_SIGNALS:
    void isCollapsedChanged(bool isCollapsed);
    void isAnimatingChanged(bool isAnimating);
    void isScrollingChanged(bool isScrolling);
    void hideControlButtonChanged(bool hide);
    void selectedTaskChanged();
    void chatExitingAnimationChanged(bool exiting);

private:
    bool m_isCollapsed = false;
    bool m_isAnimating = false;
    bool m_isScrolling = false;
    bool m_hideControlButton = false;
    QPointer<TaskData> m_selectedTask;
    bool m_chatExitingAnimation = false;
    bool m_persistedShowChat = false;
    QString m_persistedSelectedTaskId;
};
