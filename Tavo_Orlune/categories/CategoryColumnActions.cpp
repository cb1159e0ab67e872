#include "categories/CategoryColumnActions.h"

#include "Platform/Log.h"

#include <QMetaObject>
#include <QObject>

CategoryColumnActions::~CategoryColumnActions() = default;

InvokableCategoryActions::InvokableCategoryActions(QObject *viewModel)
    : m_viewModel(viewModel)
{
}

namespace {
void report(bool called, const char *operation)
{
    if (!called)
        Log::line(QStringLiteral("⚠️ [CategoryView] The category view model cannot ") + QLatin1String(operation));
}
}

void InvokableCategoryActions::renameCategory(const QUuid &categoryId, const QString &title)
{
    if (m_viewModel)
        report(QMetaObject::invokeMethod(m_viewModel, "renameCategory", Q_ARG(QUuid, categoryId), Q_ARG(QString, title)), "rename");
}

void InvokableCategoryActions::deleteCategory(const QUuid &categoryId)
{
    if (m_viewModel)
        report(QMetaObject::invokeMethod(m_viewModel, "deleteCategory", Q_ARG(QUuid, categoryId)), "delete");
}

void InvokableCategoryActions::moveTask(const QUuid &taskId, const QUuid &targetCategoryId)
{
    if (m_viewModel)
        report(QMetaObject::invokeMethod(m_viewModel, "moveTask", Q_ARG(QUuid, taskId), Q_ARG(QUuid, targetCategoryId)), "move tasks");
}
