#include "Controller/console/IPManager.h"

#include "Platform/Log.h"

#include <QJsonArray>
#include <QJsonDocument>

void IPManager::initializeInputProcessor()
{
    Log::line(QStringLiteral("[IPManager] initializeInputProcessor called"));
}

bool IPManager::isReady()
{
    Log::line(QStringLiteral("[IPManager] isReady called"));
    return true;
}

std::optional<QString> IPManager::readPipedMessage()
{
    Log::line(QStringLiteral("[IPManager] readPipedMessage called"));
    return std::nullopt;
}

void IPManager::sendToolList(const QList<QVariantMap> &tools, const QString &sessionId)
{
    Log::line(QStringLiteral("[IPManager] sendToolList called with tools=%1 for session=%2").arg(tools.size()).arg(sessionId));
}

void IPManager::sendUserQuery(const QString &query, const QString &sessionId)
{
    Log::line(QStringLiteral("[IPManager] sendUserQuery called with query=") + Log::content(query) + QStringLiteral(" for session=") + sessionId);
}

void IPManager::sendToolResponse(const QList<QVariantMap> &responses, const QString &sessionId)
{
    QJsonArray list;
    for (const QVariantMap &r : responses)
        list.append(QJsonObject::fromVariantMap(r));
    Log::line(QStringLiteral("[IPManager] sendToolResponse called with responses=")
              + Log::content(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact))) + QStringLiteral(" for session=") + sessionId);
}

void IPManager::closeMessagePipe()
{
    Log::line(QStringLiteral("[IPManager] closeMessagePipe called"));
}
