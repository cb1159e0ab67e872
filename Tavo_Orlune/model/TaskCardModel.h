#pragma once
#include <QList>
#include <QString>
#include <QUuid>

class AppIconData;
class TaskData;

// A value copy of one task as a card on the canvas.
struct TaskCardModel {
    QUuid id;
    QString title;
    QString summary;       // empty when the task has none
    QString timeRemaining; // "00:00:00" when the task has none
    QList<AppIconData *> apps; // the task's own app records, not copies

    TaskCardModel() = default;
    explicit TaskCardModel(const TaskData *task);

    // Every field in order; two apps are equal when they are the same store record.
    friend bool operator==(const TaskCardModel &a, const TaskCardModel &b);
    friend bool operator!=(const TaskCardModel &a, const TaskCardModel &b) { return !(a == b); }
};
size_t qHash(const TaskCardModel &card, size_t seed = 0);
