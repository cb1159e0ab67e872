#pragma once
#include "Controller/mcp/McpTypes.h"
#include "Controller/session/SessionToolRuntime.h"

// The session channel's view of the tool runtime, served by the process-wide client manager
// and tool repository. Answers arrive on the thread of the context given with each call, and
// never after that context is gone.
class McpSessionToolRuntime : public SessionToolRuntime {
public:
    void initialize(QObject *context, std::function<void(const QString &error)> done) override;
    void getTools(const QStringList &clientNames, QObject *context,
                  std::function<void(const QList<SessionClientTool> &tools, const QString &error)> done) override;
    void handleToolRequest(const QVariantMap &toolCall, QObject *context,
                           std::function<void(const SessionToolResponse &)> done) override;
    void callTool(const QString &toolName, const QMap<QString, SessionToolValue> &arguments, QObject *context,
                  std::function<void(const QString &result, const QString &error)> done) override;
    void closeAllClients(QObject *context, std::function<void()> done) override;
    void availableClientNames(QObject *context, std::function<void(const QStringList &)> done) override;

    static SessionToolValue toSessionValue(const QJsonValue &value);
    static QJsonValue toJson(const SessionToolValue &value);
};
