#include "model/CategoryModel.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"

double categoryColumnWidth()
{
    static const double width = 1630.0;
    return width;
}

CategoryModel::CategoryModel(const CategoryData *category)
    : id(category->id()), title(category->title()), position(category->position())
{
    for (const TaskData *task : category->tasks())
        cards.append(TaskCardModel(task));
}

size_t qHash(const CategoryModel &model, size_t seed)
{
    // +0.0 folds -0.0 into 0, so equal coordinates hash alike.
    size_t h = qHashMulti(seed, model.id, model.title, model.position.x() + 0.0, model.position.y() + 0.0, model.cards.size());
    for (const TaskCardModel &card : model.cards)
        h = qHash(card, h);
    return h;
}
