#include "model/DummyData.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"

#include <QSemaphore>

namespace {

QSemaphore &seedingSemaphore()
{
    static QSemaphore semaphore(1);
    return semaphore;
}

// Read and written only while the semaphore is held.
bool hasSeededDummyData = false;

struct SemaphoreHolder {
    SemaphoreHolder() { seedingSemaphore().acquire(); }
    ~SemaphoreHolder() { seedingSemaphore().release(); }
};

AppIconData *copyOf(const AppIconData *icon, const QUuid &id)
{
    return new AppIconData(id, icon->name(), icon->colorHex(), icon->iconName(), icon->appLink());
}

} // namespace

void seedDummyData(ModelContext *context)
{
    SemaphoreHolder hold;
    if (hasSeededDummyData)
        return;
    try {
        if (!context->fetch<CategoryData>().isEmpty()) {
            hasSeededDummyData = true;
            return;
        }
    } catch (const StoreError &e) {
        // An unreadable store is not an empty one: seeding now would duplicate its content.
        Log::line(QStringLiteral("❌ [DummyData] Error reading categories before seeding: ") + e.localizedDescription());
        return;
    }

    QHash<QString, AppIconData *> predefined;
    for (AppIconData *icon : AppIconData::defaultAppIcons())
        predefined.insert(icon->name(), icon);
    static const char *const order[] = {
        "Gmail", "Zoom", "Slack", "LinkedIn", "HubSpot", "Mailchimp", "Intercom", "Miro", "Jira", "Excel", "PowerPoint", "Word",
        "Monday", "Notion", "SharePoint", "Outlook", "Microsoft Teams", "Linear", "Asana", "Discord", "GitHub", "Perplexity",
        "Google Drive", "Google Calendar", "Google Docs", "Google Sheets", "Google Slides", "X",
    };
    for (const char *name : order)
        context->insert(copyOf(predefined.value(QString::fromUtf8(name)), QUuid::createUuid()));
    context->insert(new CategoryData(QUuid::createUuid(), QStringLiteral("All Tasks"), Scheduler::instance().now(), 2240, 1540));
    try {
        context->save();
        hasSeededDummyData = true;
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("Error saving dummy data: ") + e.localizedDescription());
    }
}

void refreshPredefinedAppIcons(ModelContext *context)
{
    QSet<QString> names;
    try {
        for (AppIconData *icon : context->fetch<AppIconData>())
            names.insert(icon->name());
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ Error refreshing app icons: ") + e.localizedDescription());
        return;
    }
    int added = 0;
    for (AppIconData *icon : AppIconData::defaultAppIcons()) {
        if (names.contains(icon->name()))
            continue;
        // The predefined value, as a record of this context (it keeps the predefined id).
        context->insert(copyOf(icon, icon->id()));
        ++added;
        Log::line(QStringLiteral("➕ Added missing app: ") + icon->name());
    }
    try {
        context->save();
        Log::line(added == 0 ? QStringLiteral("✅ All predefined app icons already exist")
                             : QStringLiteral("✅ Successfully added %1 missing app icons").arg(added));
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ Error refreshing app icons: ") + e.localizedDescription());
    }
}

void resetCategoryPositions(ModelContext *context)
{
    SemaphoreHolder hold;
    try {
        const QList<CategoryData *> categories = context->fetch<CategoryData>({}, {{QStringLiteral("createdAt"), true}});
        if (categories.isEmpty())
            return;
        for (int i = 0; i < categories.size(); ++i) {
            categories[i]->setPositionX(60 + 2180.0 * i);
            categories[i]->setPositionY(1540);
        }
        context->save();
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("❌ [DummyData] Error resetting category positions: ") + e.localizedDescription());
    }
}

void cleanDatabase(ModelContext *context)
{
    SemaphoreHolder hold;
    try {
        for (CategoryData *category : context->fetch<CategoryData>())
            context->remove(category);
        for (AppIconData *icon : context->fetch<AppIconData>())
            context->remove(icon);
        context->save();
        Log::line(QStringLiteral("Successfully cleaned database"));
        hasSeededDummyData = false;
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("Error cleaning database: ") + e.localizedDescription());
    }
}
