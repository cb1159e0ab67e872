#pragma once
#include "Platform/Store/ModelContainer.h"

#include <QString>

// The application's one store: default.store in the application's data folder, holding the
// six models under schema version 1.0.0.
namespace ModelStore {
// The schema, models in registration order: AppStoreData, TaskData, TranscriptData,
// ChatMessageData, AppIconData, CategoryData.
Schema schema();
QString defaultStorePath();
// Opens the store at path and proves it can be written. A store of another schema or a file
// that is not a database: asks the user whether to delete it and start again. Any other
// failure (full disk, read-only folder, I/O error): tells the user and ends the process with
// the data kept. Answers a container or ends the process.
ModelContainer *openWithRecovery(const QString &path);
}

// The process-wide container, built on first use (on the main thread) and never closed.
ModelContainer *sharedModelContainer();
