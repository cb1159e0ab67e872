#include "categories/CategoryColumnActions.h"

#include "categories/CategoryViewModel.h"
#include "model/CategoryData.h"

#include <QObject>

CategoryColumnActions::~CategoryColumnActions() = default;

std::optional<QString> CategoryColumnActions::storedTitle(const QUuid &) const
{
    return std::nullopt;
}

void CategoryColumnActions::observeFailures(QObject *, std::function<void()>) {}

ViewModelCategoryActions::ViewModelCategoryActions(CategoryViewModel *viewModel)
    : m_viewModel(viewModel)
{
}

void ViewModelCategoryActions::renameCategory(const QUuid &categoryId, const QString &title)
{
    if (m_viewModel)
        m_viewModel->renameCategory(categoryId, title);
}

void ViewModelCategoryActions::deleteCategory(const QUuid &categoryId)
{
    if (m_viewModel)
        m_viewModel->deleteCategory(categoryId);
}

void ViewModelCategoryActions::moveTask(const QUuid &taskId, const QUuid &targetCategoryId)
{
    if (m_viewModel)
        m_viewModel->moveTask(taskId, targetCategoryId);
}

std::optional<QString> ViewModelCategoryActions::storedTitle(const QUuid &categoryId) const
{
    if (!m_viewModel)
        return std::nullopt;
    for (const CategoryData *category : m_viewModel->categories()) {
        if (category && category->id() == categoryId)
            return category->title();
    }
    return std::nullopt;
}

void ViewModelCategoryActions::observeFailures(QObject *context, std::function<void()> callback)
{
    if (m_viewModel)
        QObject::connect(m_viewModel, &CategoryViewModel::errorChanged, context, std::move(callback));
}
