#pragma once
#include <QList>
#include <optional>

class TaskData;

// The floating panel's sizes and orderings as pure functions, so the view and its tests read
// the same rules. Heights are in points.
namespace FloatingPanelLayout {

constexpr double rowHeight = 126.0;
constexpr double rowGap = 12.0;
constexpr double paddingTerm = 16.0;
constexpr int rowsCounted = 5;
constexpr double screenShare = 0.6;
constexpr double emptyPanelHeight = 400.0;
constexpr double noScreenPanelHeight = 500.0;
constexpr int stackRows = 3;
constexpr double emptyStackHeight = 248.0; // the empty-state card's 200 and three steps of 16

// The expanded list's height cap: rows of 126 with gaps of 12 and 16 above and below, at most
// five rows counted, at most 0.6 of the main screen's visible height. 400 without tasks (the
// screen is not consulted), 500 without a main screen.
double panelHeight(int taskCount, std::optional<double> visibleScreenHeight);

// The collapsed stack's height: 80 + 20 per stacked row (at most three), 248 when empty. The
// rows counted are the visible tasks while collapsed, all tasks otherwise.
double collapsedListHeight(bool isCollapsed, int visibleTaskCount, int taskCount);

// Where a stacked card sits: its downward offset and its scale, by position i (0 = first) among
// n stacked cards. A position at or beyond n stays in place at full size.
struct StackPlacement {
    double offset;
    double scale;
    friend bool operator==(const StackPlacement &, const StackPlacement &) = default;
};
StackPlacement stackOffsetAndScale(int position, int count);

// The tasks of the collapsed stack (at most three): the selected task on top when the list
// holds it, then the newest, then the next newest; without a selection the three newest.
// Tasks are compared by id, so a stale selection object still matches its row.
QList<TaskData *> visibleTasks(const QList<TaskData *> &tasks, const TaskData *selected);

// A row's thumbnail gradient: its task's position in the whole list (the row's own position
// when the task is not listed) modulo 4, so a task keeps its colours in the list and the stack.
int gradientIndex(const QList<TaskData *> &tasks, const TaskData *task, int rowPosition);

}
