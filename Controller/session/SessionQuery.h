#pragma once
#include "Controller/session/QueryCallbacks.h"
#include "Controller/session/SessionToolRuntime.h"

#include <QJsonArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class MessageStream;
class Session;

// One query of a session: makes sure the connection is usable, sends the query, then reads the
// answer in passes. A pass collects the ordinary chunks until "END_OF_MESSAGE" or the end of
// the stream, hands thinking and answer text to the callbacks as it goes, and at its end
// parses what it collected as the batch (a JSON array of objects) that says whether tools
// are wanted and whether another pass follows.
//
// Event driven on the main thread: it waits for chunks, connections and tool calls through
// signals and completions, never by blocking or polling.
class SessionQuery : public QObject {
    Q_OBJECT
public:
    SessionQuery(Session *session, const QString &query, bool htmlOutput, const QueryCallbacks &callbacks,
                 std::function<void()> finished);
    ~SessionQuery() override;

    void start();
    // A cancellation request: the query ends at its next step with "⏹️ Task cancelled by user".
    void requestCancel();
    // Hands the callbacks over to the caller; the query calls none of them afterwards.
    QueryCallbacks takeCallbacks();
    bool isStarted() const { return m_phase != Phase::Queued; }
    bool isEnded() const { return m_phase == Phase::Ended; }
    // Started, not ended: it may be using tool servers.
    bool isRunning() const { return isStarted() && !isEnded(); }

    // The answer grammar's markers.
    static const QString kError, kMcpRequest, kEndOfMessage, kThinkingStart, kThinkingEnd, kAnswerStart, kAnswerEnd;
    // The channel's user-visible texts.
    static QString networkErrorText(const QString &message);
    static const QString kOverloadedText, kConnectionLostText, kCancelledText, kReconnectFailedText;
    static QString errorText(const QString &message);

    // A pass holds at most this much text (64 MiB) and waits at most this long for the next
    // message (120 s); beyond either the connection counts as lost. Tests shorten them.
    static constexpr qint64 kMaxPassBytes = 64 * 1024 * 1024;
    static constexpr int kIdleLimitMs = 120000;
    static void setStreamLimits(qint64 maxPassBytes, int idleLimitMs);

Q_SIGNALS:
    void ended();

private:
    enum class Phase { Queued, Connecting, WaitingForInitialization, Sending, Reading, Working, Ended };

    void prepareConnection();
    void waitForInitialization();
    void initializationWaitOver(bool initialized);
    void sendQuery();
    void startPass();
    void pump();
    void handleChunk(const QString &chunk);
    void errorStep(const QString &chunk);
    void thinkingAndAnswerSteps(const QString &chunk);
    void toolSelectionRequest(const QString &json);
    void endPass();
    void handleBatch(const QJsonArray &batch);
    void runBatchItem(int index);
    void runToolCalls(const QJsonArray &calls, std::function<void()> done);
    void checkResponses(const QJsonArray &responses);
    void resumeReading();
    void closingStep();
    void endWithText(const QString &text, bool needsReconnection);
    void armIdleTimer();
    void cancelIdleTimer();
    void scheduleIdleCheck(qint64 ms);
    // The stream is no longer trusted (too much, or silent too long): it is abandoned and the
    // query ends as a lost connection.
    void giveUpStream(const QString &why);
    void endCancelled();
    void end();
    bool cancelled() const { return m_cancelRequested; }

    void output(const QString &text);
    void thinking(const QString &text);
    void thinkingComplete();
    void streamEnd();

    QPointer<Session> m_session;
    const QString m_sessionId;
    const QString m_query;
    const bool m_htmlOutput;
    QueryCallbacks m_callbacks;
    std::function<void()> m_finished;
    int m_generation = 0;
    Phase m_phase = Phase::Queued;
    bool m_cancelRequested = false;
    bool m_streamEndCalled = false;
    bool m_pumping = false;
    quint64 m_waitTimer = 0;
    quint64 m_idleTimer = 0;
    qint64 m_lastActivityMs = 0;
    QMetaObject::Connection m_waitConnection;

    std::shared_ptr<MessageStream> m_stream;
    QMetaObject::Connection m_streamConnection;
    // Pass state.
    QString m_buffer;
    bool m_thinkingStarted = false;
    bool m_thinkingComplete = false;
    bool m_answerStreaming = false;
    bool m_answerComplete = false;
    bool m_toolsRegisteredInPass = false;
    // Batch state.
    QJsonArray m_batch;
    bool m_toolsSelected = false;
    bool m_goOn = true;
};
