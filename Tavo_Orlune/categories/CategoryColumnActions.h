#pragma once
#include <QPointer>
#include <QString>
#include <QUuid>

class QObject;

// What a category column asks of the category list view model: retitle and delete its category
// and move a dropped task into it. Each call returns at once; the outcome shows in the store.
class CategoryColumnActions {
public:
    virtual ~CategoryColumnActions();
    virtual void renameCategory(const QUuid &categoryId, const QString &title) = 0;
    virtual void deleteCategory(const QUuid &categoryId) = 0;
    virtual void moveTask(const QUuid &taskId, const QUuid &targetCategoryId) = 0;
};

// The actions of a view model handed over as a QObject (the canvas keeps its view model so),
// through its invokable operations of the same names. A view model that is gone does nothing.
class InvokableCategoryActions : public CategoryColumnActions {
public:
    explicit InvokableCategoryActions(QObject *viewModel);
    void renameCategory(const QUuid &categoryId, const QString &title) override;
    void deleteCategory(const QUuid &categoryId) override;
    void moveTask(const QUuid &taskId, const QUuid &targetCategoryId) override;

private:
    QPointer<QObject> m_viewModel;
};
