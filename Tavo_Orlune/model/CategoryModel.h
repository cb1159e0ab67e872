#pragma once
#include "model/TaskCardModel.h"

#include <QPointF>

class CategoryData;

// The fixed width of a category column's content, in points.
double categoryColumnWidth();

// A value copy of one category with its tasks as cards, as the canvas draws it.
struct CategoryModel {
    QUuid id;
    QString title;
    QPointF position;
    QList<TaskCardModel> cards; // in the order the category's tasks come

    CategoryModel() = default;
    explicit CategoryModel(const CategoryData *category);

    friend bool operator==(const CategoryModel &a, const CategoryModel &b)
    {
        return a.id == b.id && a.title == b.title && a.position.x() == b.position.x() && a.position.y() == b.position.y() && a.cards == b.cards;
    }
    friend bool operator!=(const CategoryModel &a, const CategoryModel &b) { return !(a == b); }
};
size_t qHash(const CategoryModel &model, size_t seed = 0);
