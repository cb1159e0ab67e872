#include "model/SharedModelContainer.h"
#include "model/AIStepTransformer.h"
#include "model/AppIconData.h"
#include "Platform/AppPaths.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"
#include "model/TaskData.h"
#include "model/TranscriptData.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

[[noreturn]] void endProcess(const QString &message)
{
    const QByteArray bytes = message.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(1);
}

ModelConfiguration configurationFor(const QString &path)
{
    ModelConfiguration configuration;
    configuration.filePath = path;
    return configuration;
}

// Writes and deletes one row, so that a store that opens but cannot be written is caught now.
void selfTest(ModelContainer *container)
{
    ModelContext context(container);
    auto *probe = new AppStoreData(QUuid::createUuid(), std::nullopt, QStringLiteral("Dummy"), QStringLiteral("Dummy"),
                                   QStringLiteral("Dummy"), QStringLiteral("dummy"), std::nullopt, QStringLiteral("Free"), 0,
                                   AppCategory::Productivity, false, false, Scheduler::instance().now(), 0, std::nullopt,
                                   false, false, false, false, std::nullopt);
    context.insert(probe);
    context.save();
    context.remove(probe);
    context.save();
}

} // namespace

namespace ModelStore {

Schema schema()
{
    return Schema({&AppStoreData::staticEntityDescription(), &TaskData::staticEntityDescription(),
                   &TranscriptData::staticEntityDescription(), &ChatMessageData::staticEntityDescription(),
                   &AppIconData::staticEntityDescription(), &CategoryData::staticEntityDescription()},
                  QStringLiteral("1.0.0"));
}

QString defaultStorePath()
{
    return AppPaths::appDataDir() + QStringLiteral("/default.store");
}

ModelContainer *openWithRecovery(const QString &path)
{
    AIStepTransformer::registerTransformer();
    const Schema storeSchema = schema();
    QString failure;
    StoreError::Kind kind = StoreError::Kind::OpenFailed;
    try {
        auto container = std::make_unique<ModelContainer>(storeSchema, configurationFor(path));
        selfTest(container.get());
        return container.release();
    } catch (const StoreError &e) {
        failure = e.localizedDescription();
        kind = e.kind();
    }

    // Deleting is offered only for a store this version cannot read. A full disk, a read-only
    // folder or an I/O error is no reason to lose the data: the user is told, the data is kept.
    if (kind != StoreError::Kind::SchemaMismatch && kind != StoreError::Kind::NotAStore) {
        Log::line(QStringLiteral("Could not open the database; the data is kept: ") + failure);
        PromptRequest error;
        error.title = QStringLiteral("Database Unavailable");
        error.text = QStringLiteral("Tavo Orlune could not open its database, so it will quit. Your data has been kept.\n\n"
                                    "Check that the disk has free space and that the application's data folder can be written, "
                                    "then start Tavo Orlune again.\n\nError: ")
                   + failure;
        error.buttons = {QStringLiteral("Quit")};
        error.style = PromptRequest::Style::Critical;
        error.cancelIndex = 0;
        ModalPrompt::ask(error);
        endProcess(QStringLiteral("Could not open the database: ") + failure);
    }

    PromptRequest request;
    request.title = QStringLiteral("Database Schema Migration Required");
    request.text = QStringLiteral("The database schema has changed and needs to be updated. This requires deleting the existing database and creating a new one.\n\nError: ")
                 + failure + QStringLiteral("\n\nWould you like to proceed? All existing data will be lost.");
    request.buttons = {QStringLiteral("Delete and Continue"), QStringLiteral("Cancel")};
    request.style = PromptRequest::Style::Warning;
    request.cancelIndex = 1;
    if (ModalPrompt::ask(request) != 0) {
        Log::line(QStringLiteral("User cancelled database migration. Exiting application."));
        QCoreApplication::quit();
        endProcess(QStringLiteral("Database migration cancelled by user"));
    }

    Log::line(QStringLiteral("User confirmed database deletion. Recreating database..."));
    // The store goes with its side files: a stale journal beside a fresh store would corrupt it.
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(path + suffix);
    Log::line(QStringLiteral("Deleted old database at: ") + QUrl::fromLocalFile(path).toString());
    try {
        auto container = std::make_unique<ModelContainer>(storeSchema, configurationFor(path));
        Log::line(QStringLiteral("Successfully created new ModelContainer with updated schema"));
        return container.release();
    } catch (const StoreError &e) {
        endProcess(QStringLiteral("Could not create ModelContainer even after database reset: ") + e.localizedDescription());
    }
}

} // namespace ModelStore

ModelContainer *sharedModelContainer()
{
    static ModelContainer *const container = ModelStore::openWithRecovery(ModelStore::defaultStorePath());
    return container;
}
