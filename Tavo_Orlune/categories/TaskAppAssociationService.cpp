#include "categories/TaskAppAssociationService.h"

#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/StoreError.h"
#include "Platform/UuidText.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"

TaskAppAssociationService::TaskAppAssociationService(ModelContext *modelContext, QObject *parent)
    : QObject(parent)
    , m_modelContext(modelContext)
{
    loadAppMappings();
}

QString TaskAppAssociationService::normalizedName(const QString &name)
{
    return name.toLower().trimmed();
}

QStringList TaskAppAssociationService::aliases(const QString &normalizedAppName)
{
    static const QHash<QString, QStringList> table = {
        {QStringLiteral("microsoft teams"), {QStringLiteral("msteam"), QStringLiteral("teams")}},
        {QStringLiteral("jira"), {QStringLiteral("atlassian")}},
        {QStringLiteral("gmail"), {QStringLiteral("google mail")}},
        {QStringLiteral("excel"), {QStringLiteral("microsoft excel")}},
        {QStringLiteral("powerpoint"), {QStringLiteral("microsoft powerpoint")}},
        {QStringLiteral("word"), {QStringLiteral("microsoft word")}},
        {QStringLiteral("monday"), {QStringLiteral("monday.com")}},
        {QStringLiteral("sharepoint"), {QStringLiteral("microsoft sharepoint")}},
        {QStringLiteral("outlook"), {QStringLiteral("microsoft outlook")}},
    };
    return table.value(normalizedAppName);
}

void TaskAppAssociationService::loadAppMappings()
{
    if (!m_modelContext)
        return;
    QList<AppIconData *> apps;
    try {
        // Sorted by a stable key: among apps sharing a name the same one wins on every run.
        apps = m_modelContext->fetch<AppIconData>({}, {{QStringLiteral("id"), true}});
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ Failed to load app icons: ") + e.localizedDescription());
        return;
    }
    for (AppIconData *app : apps) {
        const QString key = normalizedName(app->name());
        m_clientToAppMapping.insert(key, app);
        registerAliases(app, key);
    }
}

void TaskAppAssociationService::registerAliases(AppIconData *app, const QString &normalizedName)
{
    for (const QString &alias : aliases(normalizedName))
        m_clientToAppMapping.insert(alias, app);
}

void TaskAppAssociationService::associateApp(TaskData *task, const QString &clientName)
{
    const QString name = normalizedName(clientName);
    if (!task || name.isEmpty() || name == QLatin1String("tool") || m_clientToAppMapping.isEmpty())
        return;
    AppIconData *app = m_clientToAppMapping.value(name);
    if (!app || app->isDeleted() || task->isDeleted())
        return;
    const QList<AppIconData *> current = task->apps();
    for (const AppIconData *held : current) {
        if (held->id() == app->id())
            return;
    }
    linkApp(app, task);
}

void TaskAppAssociationService::linkApp(AppIconData *app, TaskData *task)
{
    QList<AppIconData *> apps = task->apps();
    // A real app takes the place of the placeholder.
    if (app->iconName() != placeholderIconName)
        apps.removeIf([](const AppIconData *a) { return a->iconName() == placeholderIconName; });
    apps.append(app);
    task->setApps(apps);
    saveAssociation(task, app);
}

void TaskAppAssociationService::saveAssociation(TaskData *task, AppIconData *app)
{
    try {
        if (m_modelContext)
            m_modelContext->save();
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ Failed to save task app association: ") + e.localizedDescription());
        rollbackAssociation(task, app);
        return;
    }
    QPointer<TaskData> guard(task);
    MainQueue::post(this, [this, guard] {
        if (guard)
            postAppsUpdated(guard);
    });
}

void TaskAppAssociationService::rollbackAssociation(TaskData *task, AppIconData *app)
{
    const QList<AppIconData *> apps = task->apps();
    if (!apps.isEmpty() && apps.last()->id() == app->id())
        task->removeApp(apps.last());
}

void TaskAppAssociationService::postAppsUpdated(TaskData *task)
{
    NotificationCenter::defaultCenter().post(
        QStringLiteral("TaskAppsUpdated"), {},
        {{QStringLiteral("taskId"), UuidText::toText(task->id())}, {QStringLiteral("appCount"), int(task->apps().size())}});
}
