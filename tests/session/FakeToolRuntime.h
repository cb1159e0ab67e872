#pragma once
#include "Controller/session/SessionToolRuntime.h"

#include <QTimer>

// A tool runtime for tests that need no real tool server: answers on a later turn, like the
// real one, and records what it was asked.
class FakeToolRuntime : public SessionToolRuntime {
public:
    QStringList clientNames;                   // configured servers
    QList<SessionClientTool> tools;            // offered by getTools, for any named client
    QString initializeError;
    QStringList calls;                         // tool keys of handleToolRequest, in order
    int closeAllCount = 0;
    int getToolsCount = 0;
    int toolCallDelayMs = 0;                   // how long each tool call takes

    void initialize(QObject *context, std::function<void(const QString &)> done) override
    {
        later(context, [this, done] { done(initializeError); });
    }
    void getTools(const QStringList &names, QObject *context,
                  std::function<void(const QList<SessionClientTool> &, const QString &)> done) override
    {
        ++getToolsCount;
        QList<SessionClientTool> picked;
        for (const auto &t : tools)
            if (names.contains(t.clientName))
                picked << t;
        later(context, [picked, done] { done(picked, QString()); });
    }
    void handleToolRequest(const QVariantMap &call, QObject *context,
                           std::function<void(const SessionToolResponse &)> done) override
    {
        const QString name = call.value(QStringLiteral("name")).toString();
        calls << name;
        const QString id = call.contains(QStringLiteral("id")) ? call.value(QStringLiteral("id")).toString() : QStringLiteral("NEW-ID");
        QTimer::singleShot(toolCallDelayMs, context, [done, id, name] { done({id, QStringLiteral("ran ") + name, std::nullopt}); });
    }
    void callTool(const QString &name, const QMap<QString, SessionToolValue> &, QObject *context,
                  std::function<void(const QString &, const QString &)> done) override
    {
        later(context, [done, name] { done(QStringLiteral("ran ") + name, QString()); });
    }
    void closeAllClients(QObject *context, std::function<void()> done) override
    {
        ++closeAllCount;
        later(context, done);
    }
    void availableClientNames(QObject *context, std::function<void(const QStringList &)> done) override
    {
        later(context, [this, done] { done(clientNames); });
    }

private:
    static void later(QObject *context, std::function<void()> fn) { QTimer::singleShot(0, context, std::move(fn)); }
};
