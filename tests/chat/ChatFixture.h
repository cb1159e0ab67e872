#pragma once
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "chat/ToolClientLookup.h"
#include "model/AppIconData.h"
#include "model/ChatMessageData.h"
#include "model/SharedModelContainer.h"
#include "model/TaskData.h"

#include <QHash>
#include <QStringList>
#include <memory>

// A task in an in-memory store, virtual time, a scripted tool runtime and a captured log.
struct ChatFixture {
    FakeScheduler clock;
    std::unique_ptr<ModelContainer> container;
    ModelContext *context = nullptr;
    TaskData *task = nullptr;
    QHash<QString, QString> toolClients; // tool name -> client name
    QStringList lookups;

    static QStringList &log()
    {
        static QStringList lines;
        return lines;
    }

    ChatFixture()
    {
        log().clear();
        Log::setSink([](const QString &line) { log() << line; });
        container = std::make_unique<ModelContainer>(ModelStore::schema(), ModelConfiguration{QString(), true});
        context = container->mainContext();
        task = new TaskData(QUuid::createUuid(), QStringLiteral("Task"), std::nullopt, std::nullopt, clock.now(), false,
                            std::nullopt, std::nullopt, StreamStatus::Idle, std::nullopt);
        context->insert(task);
        context->save();
        ToolClientLookup::setShared([this](const QString &tool, ToolClientLookup::Reply reply) {
            lookups << tool;
            reply(toolClients.contains(tool) ? std::optional<QString>(toolClients.value(tool)) : std::nullopt);
        });
    }
    ~ChatFixture()
    {
        ToolClientLookup::setShared({});
        Log::setSink(nullptr);
    }

    AppIconData *addApp(const QString &name, const QString &iconName = QStringLiteral("logo"))
    {
        auto *app = new AppIconData(QUuid::createUuid(), name, QStringLiteral("#112233"), iconName, std::nullopt);
        context->insert(app);
        context->save();
        return app;
    }

    // Every stored message of the task, oldest first.
    QList<ChatMessageData *> stored()
    {
        return context->fetch<ChatMessageData>(Predicate(), {{QStringLiteral("timestamp"), true}});
    }
};
