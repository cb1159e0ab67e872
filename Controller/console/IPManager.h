#pragma once
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// The input-pipe interface of the channel; it has no pipe behind it, so every operation only
// logs its call and answers a fixed value.
class IPManager {
public:
    void initializeInputProcessor();
    bool isReady();
    std::optional<QString> readPipedMessage();
    void sendToolList(const QList<QVariantMap> &tools, const QString &sessionId);
    void sendUserQuery(const QString &query, const QString &sessionId);
    void sendToolResponse(const QList<QVariantMap> &responses, const QString &sessionId);
    void closeMessagePipe();
};
