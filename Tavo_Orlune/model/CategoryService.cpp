#include "model/CategoryService.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"
#include "model/TaskData.h"

CategoryService::CategoryService(ModelContext *modelContext)
    : m_modelContext(modelContext)
{
}

bool CategoryService::isReservedName(const QString &name)
{
    return name.toLower() == QLatin1String("all tasks");
}

QList<CategoryData *> CategoryService::fetchCategories()
{
    return m_modelContext->fetch<CategoryData>({}, {{QStringLiteral("createdAt"), true}});
}

CategoryData *CategoryService::createCategory(const QString &name, double x, double y)
{
    if (isReservedName(name))
        throw CategoryServiceError::reservedName(QStringLiteral("'All Tasks' is a reserved category name and cannot be created"));
    auto *category = new CategoryData(QUuid::createUuid(), name, Scheduler::instance().now(), x, y);
    m_modelContext->insert(category);
    m_modelContext->save();
    return category;
}

void CategoryService::updateCategoryPosition(CategoryData *category, double x, double y)
{
    QList<QUuid> before;
    for (TaskData *task : category->tasks())
        before.append(task->id());
    category->setPosition(QPointF(x, y));
    const qsizetype after = category->tasks().size();
    if (after == before.size()) {
        Log::line(QStringLiteral("✅ [CategoryService] All %1 task relationships preserved during position update").arg(after));
    } else {
        Log::line(QStringLiteral("⚠️ Task relationships were corrupted during position update. Restoring..."));
        QVariantList ids;
        for (const QUuid &id : before)
            ids.append(id);
        const QList<TaskData *> tasks = m_modelContext->fetch<TaskData>(Predicate::in(QStringLiteral("id"), ids));
        category->setTasks(tasks);
        for (TaskData *task : tasks)
            task->setCategory(category);
    }
    m_modelContext->save();
    Log::line(QStringLiteral("✅ [CategoryService] Category position updated safely with relationship preservation"));
}

void CategoryService::deleteCategory(CategoryData *category)
{
    if (isReservedName(category->title()))
        throw CategoryServiceError::reservedName(QStringLiteral("'All Tasks' is a reserved category and cannot be deleted"));
    const QList<TaskData *> tasks = category->tasks();
    for (TaskData *task : tasks) {
        for (AppIconData *app : task->apps())
            app->removeTask(task);
        task->setApps({});
        task->setCategory(nullptr);
        m_modelContext->remove(task);
    }
    category->setTasks({});
    m_modelContext->remove(category);
    m_modelContext->save();
}

CategoryData *CategoryService::fetchCategory(const QUuid &id)
{
    const QList<CategoryData *> found = m_modelContext->fetch<CategoryData>(Predicate::equal(QStringLiteral("id"), id));
    return found.isEmpty() ? nullptr : found.first();
}

void CategoryService::moveTask(TaskData *task, CategoryData *target)
{
    if (CategoryData *current = task->category()) {
        current->removeTask(task);
        Log::line(QStringLiteral("🔄 Removed task '%1' from category '%2'").arg(task->title(), current->title()));
    }
    task->setCategory(target);
    if (!target->tasks().contains(task))
        target->appendTask(task);
    m_modelContext->save();
    Log::line(QStringLiteral("✅ Task '%1' moved to category '%2' with bidirectional relationship").arg(task->title(), target->title()));
}
