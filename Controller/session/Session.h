#pragma once
#include "Controller/session/QueryCallbacks.h"
#include "Controller/session/SessionToolRuntime.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class AccessTokenProvider;
class SessionQuery;
#include "Controller/session/WebSocketManager.h"

// The client side of one conversation with the assistant service: one per task, named by the
// task's UUID text. Lives on the main thread; every operation returns at once and reports
// through its completion or the query's callbacks.
class Session : public QObject {
    Q_OBJECT
public:
    Session(const QString &id, WebSocketManager *webSocketManager, SessionToolRuntime *mcpManager,
            AccessTokenProvider *tokenProvider, const std::optional<QString> &accessToken, QObject *parent = nullptr);
    ~Session() override;

    QString id() const { return m_id; }
    QString outputText() const { return m_outputText; }
    void setOutputText(const QString &text);
    void appendOutput(const QString &text) { setOutputText(m_outputText + text); }
    bool isBusy() const { return m_isBusy; }
    void setBusy(bool busy);
    bool isInitialized() const { return m_isInitialized; }
    void setInitialized(bool initialized);
    bool needsReconnection() const { return m_needsReconnection; }
    void setNeedsReconnection(bool needs);
    std::optional<QString> accessToken() const { return m_accessToken; }
    void setAccessToken(const std::optional<QString> &token) { m_accessToken = token; }
    bool isCancelled() const { return m_isCancelled; }
    int currentTaskGeneration() const { return m_currentTaskGeneration; }
    const QHash<QString, int> &activeToolCalls() const { return m_activeToolCalls; }
    WebSocketManager *webSocketManager() const { return m_webSocketManager; }
    SessionToolRuntime *mcpManager() const { return m_mcpManager; }

    // Sets up the tool runtime, then connects and runs the opening sequence.
    void initialize(std::function<void()> done = {});
    // Renews the connection: disconnect, connect, opening sequence, with a fresh token.
    void reconnect(std::function<void(bool ok)> done = {});
    void forceReconnect(std::function<void(bool ok)> done = {});
    bool isReady() const { return m_isInitialized && !m_needsReconnection; }

    // Runs one query. A query still running is cancelled and this one starts once it has
    // ended. `finished` runs when this query has ended, whichever way.
    void send(const QString &query, bool htmlOutput, const QueryCallbacks &callbacks, std::function<void()> finished = {});
    // Ends the running query at once (its onStreamEnd is called once, from here), sends
    // "stop", closes the connection and keeps the session for later queries.
    void cancel();
    // Closes the connection and the tool servers; a running query ends as a lost connection.
    void close(std::function<void()> done = {});
    bool hasRunningQuery() const;

    void getTools(const QStringList &clientNames, std::function<void(const QList<SessionTool> &)> done);
    void getClientTools(const QStringList &clientNames, std::function<void(const QList<SessionClientTool> &)> done);
    void handleToolRequest(const QVariantMap &toolCall, std::function<void(const SessionToolResponse &)> done);
    void callTool(const QString &toolName, const QMap<QString, SessionToolValue> &arguments,
                  std::function<void(const QString &result, const QString &error)> done);

    // Upper bound on waiting for a connection's opening sequence before a query gives up.
    static void setConnectionWaitLimitMs(int ms);
    static int connectionWaitLimitMs();
    // Names written as a list: ["a", "b"], with JSON string escapes.
    static QString nameList(const QStringList &names);

Q_SIGNALS:
    // Any of outputText, isBusy, isInitialized, needsReconnection changed.
    void changed();
    // A connect (initialization or reconnect) has finished.
    void connectionSettled();
    // The last query of the session has ended.
    void idle();

private:
    friend class SessionQuery;
    void openConnection(std::function<void()> done);
    void startNextQuery();
    void queryEnded(SessionQuery *query);
    // True while some other session of the process has a query running.
    bool otherSessionHasRunningQuery() const;
    void closeToolServersUnlessInUse(std::function<void()> done);

    const QString m_id;
    QString m_outputText;
    bool m_isBusy = false;
    bool m_isInitialized = false;
    bool m_needsReconnection = false;
    std::optional<QString> m_accessToken;
    QPointer<SessionQuery> m_currentTask;
    bool m_isCancelled = false;
    int m_currentTaskGeneration = 0;
    QHash<QString, int> m_activeToolCalls;
    QPointer<WebSocketManager> m_webSocketManager;
    SessionToolRuntime *m_mcpManager;
    AccessTokenProvider *m_tokenProvider;

    bool m_connecting = false;      // an initialization or reconnect is under way
    int m_pendingCancels = 0;       // cancels whose stop/close has not run yet
    QList<QPointer<SessionQuery>> m_queries; // not yet ended, in order of sending
};
