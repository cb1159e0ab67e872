#pragma once
#include "Controller/session/QueryCallbacks.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class AccessTokenProvider;
class SessionManager;
class SessionToolRuntime;

// The one door to the assistant session channel. Main thread; nothing here blocks.
//
// How the coordinator uses it:
//  - At its construction: `new ControlManager(nullptr, this)` (the process's tool runtime) and
//    `setAccessTokenProvider(&auth)`, where the provider hands out the signed-in user's
//    current access token (each connect and reconnect asks it again).
//  - When a task is made, and before each message when `sessionManager()->session(id)` is
//    none: `createSession(taskIdText, token)` with the task's upper-case UUID text. An id that
//    already has a session gets it back; the session connects in the background.
//  - For each message: `processCommand(text, taskIdText, htmlOutput, callbacks, finished)`.
//    The four callbacks run on the main thread in chunk order (see QueryCallbacks):
//    answer text, "TOOL_CALL_START:" + tool key, and the user-visible error texts go to
//    onOutput; onThinkingComplete comes just before the last thinking text of its chunk;
//    onStreamEnd comes exactly once per query, also after an error text. A message sent
//    while an answer runs cancels that answer (it ends with "⏹️ Task cancelled by user") and
//    runs after it. `finished` runs when this query has ended, however it ended. An unknown
//    id logs a line and calls nothing.
//  - Stop button: `sessionManager()->session(id)->cancel()`: the running query's onStreamEnd
//    is called once, from the cancel; the session stays for later messages.
//  - Sign-out, termination, last window closed: `closeSession(id)` for each open chat.
class ControlManager : public QObject {
    Q_OBJECT
public:
    // Without a tool runtime the process's own (the shared client manager and tool repository).
    explicit ControlManager(SessionToolRuntime *toolRuntime = nullptr, QObject *parent = nullptr);
    ~ControlManager() override;

    SessionManager *sessionManager() const { return m_sessionManager; }
    void setAccessTokenProvider(AccessTokenProvider *provider);

    // Logs one line; nothing depends on it having run.
    void initialize(std::function<void()> done = {});
    QString createSession(const std::optional<QString> &id = std::nullopt,
                          const std::optional<QString> &accessToken = std::nullopt);
    void processCommand(const QString &command, const QString &sessionId, bool htmlOutput, const QueryCallbacks &callbacks,
                        std::function<void()> finished = {});
    // Closes the session's connection (and the tool servers no other query uses), then
    // removes it from the registry. A running query ends as a lost connection.
    void closeSession(const QString &id, std::function<void()> done = {});

private:
    SessionManager *m_sessionManager;
};
