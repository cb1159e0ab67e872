#include "ToolClientLookup.h"

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
    if (shared())
        shared()(toolName, std::move(reply));
    else
        reply(std::nullopt);
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
