#include "ToolRepository.h"

#include "AppPaths.h"
#include "Log.h"
#include "McpServerConfiguration.h"
#include "ToolRuntime.h"

#include <QFile>
#include <QFileInfo>

ToolRepository &ToolRepository::shared()
{
    static ToolRepository *repository = [] {
        auto *r = new ToolRepository;
        r->moveToThread(ToolRuntime::instance().thread());
        return r;
    }();
    return *repository;
}

ToolRepository::ToolRepository() = default;

McpResult<void> ToolRepository::ensureConfigExistsNow()
{
    const QString base = McpConfigLocation::applicationSupportDir();
    if (base.isEmpty())
        return MCPError(QStringLiteral("Could not access Application Support directory"), QStringLiteral("ToolRepository"), 1);
    const QString folder = base + QStringLiteral("/TavoOrlune");
    const QString file = folder + QStringLiteral("/config.json");
    if (QFileInfo::exists(file)) {
        Log::line(QStringLiteral("[ToolRepository] MCP config already exists in Application Support"));
        return {};
    }
    Log::line(QStringLiteral("[ToolRepository] Creating MCP config in Application Support directory"));
    if (!AppPaths::ensurePrivateDir(folder))
        return MCPError(QStringLiteral("Could not create the folder %1").arg(folder), QStringLiteral("FileError"), 513);
    QByteArray text;
    QFile resource(McpConfigLocation::defaultResourcePath());
    if (resource.open(QIODevice::ReadOnly))
        text = resource.readAll();
    if (!text.isEmpty()) {
        Log::line(QStringLiteral("[ToolRepository] Copying initial config from bundle"));
    } else {
        Log::line(QStringLiteral("[ToolRepository] Creating default empty config"));
        text = McpConfigLocation::emptyDefaultText();
    }
    QString error;
    if (!AppPaths::writePrivateFile(file, text, &error))
        return MCPError(QStringLiteral("Could not write %1: %2").arg(file, error), QStringLiteral("FileError"), 512);
    Log::line(QStringLiteral("✅ [ToolRepository] MCP config initialized in Application Support: %1").arg(file));
    return {};
}

QFuture<void> ToolRepository::ensureConfigExists()
{
    return runOnToolRuntime<void>([this](McpCallback<void> done) { done(ensureConfigExistsNow()); });
}
