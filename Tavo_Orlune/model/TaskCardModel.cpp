#include "model/TaskCardModel.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"

TaskCardModel::TaskCardModel(const TaskData *task)
    : id(task->id()), title(task->title()), summary(task->summary().value_or(QString())),
      timeRemaining(task->timeRemaining().value_or(QStringLiteral("00:00:00"))), apps(task->apps())
{
}

bool operator==(const TaskCardModel &a, const TaskCardModel &b)
{
    if (a.id != b.id || a.title != b.title || a.summary != b.summary || a.timeRemaining != b.timeRemaining || a.apps.size() != b.apps.size())
        return false;
    for (qsizetype i = 0; i < a.apps.size(); ++i)
        if (a.apps[i] != b.apps[i] && a.apps[i]->persistentModelID() != b.apps[i]->persistentModelID())
            return false;
    return true;
}

size_t qHash(const TaskCardModel &card, size_t seed)
{
    size_t h = qHashMulti(seed, card.id, card.title, card.summary, card.timeRemaining, card.apps.size());
    for (const AppIconData *app : card.apps)
        h = qHashMulti(h, app->persistentModelID());
    return h;
}
