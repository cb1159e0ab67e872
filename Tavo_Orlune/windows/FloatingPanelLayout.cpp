#include "windows/FloatingPanelLayout.h"
#include "model/TaskData.h"

#include <algorithm>

namespace FloatingPanelLayout {

double panelHeight(int taskCount, std::optional<double> visibleScreenHeight)
{
    if (taskCount <= 0)
        return emptyPanelHeight;
    if (!visibleScreenHeight)
        return noScreenPanelHeight;
    const int k = std::min(taskCount, rowsCounted);
    const double content = rowGap * std::max(k - 1, 0) + rowHeight * k + 2 * paddingTerm;
    const double cap = screenShare * *visibleScreenHeight;
    return content <= cap ? content : cap;
}

double collapsedListHeight(bool isCollapsed, int visibleTaskCount, int taskCount)
{
    const int m = std::min(isCollapsed ? visibleTaskCount : taskCount, stackRows);
    return m > 0 ? 80.0 + 20.0 * m : emptyStackHeight;
}

StackPlacement stackOffsetAndScale(int position, int count)
{
    if (position < 0 || position >= count)
        return {0, 1.0};
    switch (count) {
    case 1:
        return {0, 1.0};
    case 2: {
        static constexpr StackPlacement two[] = {{80, 1.0}, {0, 0.9}};
        return two[position];
    }
    case 3: {
        static constexpr StackPlacement three[] = {{170, 1.0}, {100, 0.9}, {8, 0.8}};
        return three[position];
    }
    default:
        return {0, 1.0};
    }
}

QList<TaskData *> visibleTasks(const QList<TaskData *> &tasks, const TaskData *selected)
{
    QList<TaskData *> result;
    if (tasks.isEmpty())
        return result;
    const auto contains = [&result](const TaskData *t) {
        return std::any_of(result.cbegin(), result.cend(), [t](const TaskData *r) { return r->id() == t->id(); });
    };
    TaskData *listedSelection = nullptr;
    if (selected) {
        const QUuid id = selected->id();
        const auto it = std::find_if(tasks.cbegin(), tasks.cend(), [&id](const TaskData *t) { return t->id() == id; });
        if (it != tasks.cend())
            listedSelection = *it;
    }
    if (listedSelection) {
        result.append(listedSelection);
        if (tasks.first()->id() != listedSelection->id())
            result.append(tasks.first());
    } else {
        result.append(tasks.first());
    }
    for (TaskData *t : tasks) {
        if (result.size() >= stackRows)
            break;
        if (!contains(t))
            result.append(t);
    }
    return result;
}

int gradientIndex(const QList<TaskData *> &tasks, const TaskData *task, int rowPosition)
{
    int position = rowPosition;
    if (task) {
        const QUuid id = task->id();
        for (int i = 0; i < tasks.size(); ++i) {
            if (tasks[i]->id() == id) {
                position = i;
                break;
            }
        }
    }
    return ((position % 4) + 4) % 4;
}

}
