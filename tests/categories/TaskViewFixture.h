#pragma once
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "model/AppIconData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"

#include <QStringList>
#include <memory>

// Tasks and app shortcuts in an in-memory store, virtual time and a captured console.
struct TaskViewFixture {
    FakeScheduler clock;
    std::unique_ptr<ModelContainer> container;
    ModelContext *context = nullptr;

    static QStringList &log()
    {
        static QStringList lines;
        return lines;
    }

    TaskViewFixture()
    {
        log().clear();
        Log::setSink([](const QString &line) { log() << line; });
        container = std::make_unique<ModelContainer>(ModelStore::schema(), ModelConfiguration{QString(), true});
        context = container->mainContext();
    }
    ~TaskViewFixture() { Log::setSink(nullptr); }

    TaskData *makeTask(const QString &title, StreamStatus status = StreamStatus::Idle, bool insert = true)
    {
        auto *task = new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, clock.now(), false, std::nullopt,
                                  std::nullopt, status, std::nullopt);
        if (insert) {
            context->insert(task);
            context->save();
        }
        return task;
    }

    AppIconData *makeApp(const QString &name, const QString &iconName)
    {
        auto *app = new AppIconData(QUuid::createUuid(), name, QStringLiteral("#112233"), iconName, std::nullopt);
        context->insert(app);
        context->save();
        return app;
    }

    QList<AppIconData *> makeApps(int n)
    {
        static const QStringList icons{"gmail_logo", "slack_logo", "zoom_logo", "notion_logo", "miro_logo", "jira_logo",
                                       "asana_logo", "linear_logo"};
        QList<AppIconData *> apps;
        for (int i = 0; i < n; ++i)
            apps << makeApp(QStringLiteral("App %1").arg(i), icons[i % icons.size()]);
        return apps;
    }

    int logCount(const QString &prefix) const
    {
        int n = 0;
        for (const QString &l : log())
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }
};
