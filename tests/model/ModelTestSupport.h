#pragma once
#include "Log.h"
#include "ModelContainer.h"
#include "ModelContext.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"

#include <QStringList>
#include <memory>

// Captures console lines while alive.
class LogCapture {
public:
    LogCapture() { lines().clear(); Log::setSink(&LogCapture::sink); }
    ~LogCapture() { Log::setSink(nullptr); }
    static QStringList &lines() { static QStringList l; return l; }
    bool contains(const QString &line) const { return lines().contains(line); }

private:
    static void sink(const QString &line) { lines().append(line); }
};

inline std::unique_ptr<ModelContainer> makeMemoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}
