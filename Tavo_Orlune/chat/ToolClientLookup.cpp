#include "chat/ToolClientLookup.h"

#include "Controller/mcp/ToolRepository.h"

#include <QCoreApplication>

namespace {
ToolClientLookup::Function &shared()
{
    static ToolClientLookup::Function fn;
    return fn;
}
}

void ToolClientLookup::setShared(Function lookup)
{
    shared() = std::move(lookup);
}

void ToolClientLookup::lookUp(const QString &toolName, Reply reply)
{
    if (shared()) {
        shared()(toolName, std::move(reply));
        return;
    }
    // The tool runtime answers on its own thread; the reply comes back on the main thread.
    ToolRepository::shared().clientName(toolName).then(QCoreApplication::instance(), [reply](const std::optional<QString> &client) {
        reply(client);
    });
}

QString ToolClientLookup::toolName(const QString &toolKey)
{
    const qsizetype at = toolKey.indexOf(QLatin1String("-_-"));
    return at < 0 ? toolKey : toolKey.left(at);
}

QString ToolClientLookup::displayName(const QString &clientName)
{
    if (clientName.isEmpty())
        return clientName;
    // The first user-perceived character may be more than one code unit.
    QString first = clientName.left(clientName.at(0).isHighSurrogate() && clientName.size() > 1 ? 2 : 1);
    return first.toUpper() + clientName.mid(first.size());
}
