#pragma once
#include <QPointer>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

class CategoryViewModel;
class QObject;

// What a category column asks of the category list view model: retitle and delete its category
// and move a dropped task into it. Each call returns at once; the outcome shows in the store, and
// a failure through observeFailures().
class CategoryColumnActions {
public:
    virtual ~CategoryColumnActions();
    virtual void renameCategory(const QUuid &categoryId, const QString &title) = 0;
    virtual void deleteCategory(const QUuid &categoryId) = 0;
    virtual void moveTask(const QUuid &taskId, const QUuid &targetCategoryId) = 0;
    // The title the view model holds for the category (a failed rename goes back to the stored
    // one); none when it does not know the category.
    virtual std::optional<QString> storedTitle(const QUuid &categoryId) const;
    // Runs callback after each failed operation, while context lives.
    virtual void observeFailures(QObject *context, std::function<void()> callback);
};

// The actions of the canvas's shared category view model. A view model that is gone does nothing.
class ViewModelCategoryActions : public CategoryColumnActions {
public:
    explicit ViewModelCategoryActions(CategoryViewModel *viewModel);
    void renameCategory(const QUuid &categoryId, const QString &title) override;
    void deleteCategory(const QUuid &categoryId) override;
    void moveTask(const QUuid &taskId, const QUuid &targetCategoryId) override;
    std::optional<QString> storedTitle(const QUuid &categoryId) const override;
    void observeFailures(QObject *context, std::function<void()> callback) override;

private:
    QPointer<CategoryViewModel> m_viewModel;
};
