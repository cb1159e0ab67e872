#include "tutorial/TutorialHoverFlag.h"
#include "Platform/Scheduler.h"

#include <QEvent>
#include <QWidget>

namespace {
class HoverTracker : public QObject {
public:
    HoverTracker(QWidget *target, TutorialHoverFlag *flag) : QObject(target), m_flag(flag)
    {
        target->setAttribute(Qt::WA_Hover, true);
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Enter || type == QEvent::Leave) {
            const bool inside = type == QEvent::Enter;
            QPointer<TutorialHoverFlag> flag = m_flag;
            MainQueue::post(watched, [flag, inside] {
                if (flag)
                    flag->set(inside);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<TutorialHoverFlag> m_flag;
};
}

void TutorialHoverFlag::set(bool value)
{
    if (value == m_value)
        return;
    m_value = value;
    Q_EMIT changed(value);
}

void TutorialHoverFlag::track(QWidget *target, TutorialHoverFlag *flag)
{
    if (target && flag)
        new HoverTracker(target, flag);
}
