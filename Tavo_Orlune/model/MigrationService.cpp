#include "model/MigrationService.h"
#include "Platform/AppInfo.h"
#include "model/DummyData.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Settings.h"
#include "model/TaskData.h"

MigrationService::MigrationService(Settings &userDefaults, const QString &lastMigratedVersionKey)
    : m_userDefaults(userDefaults), m_lastMigratedVersionKey(lastMigratedVersionKey)
{
}

QString MigrationService::currentAppVersion()
{
    const QVariant value = AppInfo::instance().value(QStringLiteral("CFBundleShortVersionString"));
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return QStringLiteral("1.0.0");
}

void MigrationService::runMigrationsIfNeeded(ModelContext *context)
{
    const QVariant stored = m_userDefaults.value(m_lastMigratedVersionKey);
    const QString current = currentAppVersion();
    if (stored.typeId() == QMetaType::QString && stored.toString() == current)
        return;
    resetCategoryPositions(context);
    migrateMiniAppToggle(context);
    m_userDefaults.setValue(m_lastMigratedVersionKey, current);
}

void MigrationService::migrateMiniAppToggle(ModelContext *context)
{
    Log::line(QStringLiteral("🔄 [MigrationService] Starting mini app toggle migration..."));
    const QList<TaskData *> tasks = context->fetch<TaskData>();
    int migrated = 0;
    for (TaskData *task : tasks) {
        if (!task->miniAppEnabled()) {
            task->setMiniAppEnabled(false);
            ++migrated;
        }
    }
    context->save();
    Log::line(QStringLiteral("✅ [MigrationService] Mini app toggle migration completed. Migrated %1 tasks.").arg(migrated));
}
