#include "Controller/session/SessionQuery.h"

#include "Platform/Log.h"
#include "Controller/session/MessageStream.h"
#include "Platform/Scheduler.h"
#include "Controller/session/Session.h"
#include "Controller/session/WebSocketManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>

const QString SessionQuery::kError = QStringLiteral("Error:");
const QString SessionQuery::kMcpRequest = QStringLiteral("MCP_REQUEST:");
const QString SessionQuery::kEndOfMessage = QStringLiteral("END_OF_MESSAGE");
const QString SessionQuery::kThinkingStart = QStringLiteral("ST_OF_TNK_STR");
const QString SessionQuery::kThinkingEnd = QStringLiteral("ED_OF_TNK_STR");
const QString SessionQuery::kAnswerStart = QStringLiteral("ST_OF_MSG_STR");
const QString SessionQuery::kAnswerEnd = QStringLiteral("ED_OF_MSG_STR");
const QString SessionQuery::kOverloadedText = QStringLiteral("💔 AI server is overloaded. Type 'Retry' to continue.");
const QString SessionQuery::kConnectionLostText =
    QStringLiteral("Network Error: 💔 Connection lost. Please check your network and try again.");
const QString SessionQuery::kCancelledText = QStringLiteral("⏹️ Task cancelled by user");
const QString SessionQuery::kReconnectFailedText =
    QStringLiteral("Failed to reconnect. Please check your network connection and try again.");

QString SessionQuery::networkErrorText(const QString &message)
{
    return QStringLiteral("Network Error: 💔 ") + message + QStringLiteral(". Please check your network and try again.");
}

QString SessionQuery::errorText(const QString &message)
{
    return QStringLiteral("💔 Error: ") + message;
}

namespace {
std::atomic<qint64> g_maxPassBytes{SessionQuery::kMaxPassBytes};
std::atomic<int> g_idleLimitMs{SessionQuery::kIdleLimitMs};

bool containsAny(const QString &text, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *w : words)
        if (text.contains(QStringView(w)))
            return true;
    return false;
}

bool isArrayOfObjects(const QJsonValue &v)
{
    if (!v.isArray())
        return false;
    for (const QJsonValue &e : v.toArray())
        if (!e.isObject())
            return false;
    return true;
}

// The strings of a JSON array of strings; none when it is anything else.
std::optional<QStringList> stringList(const QJsonValue &v)
{
    if (!v.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue &e : v.toArray()) {
        if (!e.isString())
            return std::nullopt;
        list << e.toString();
    }
    return list;
}

QString compact(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
}

SessionQuery::SessionQuery(Session *session, const QString &query, bool htmlOutput, const QueryCallbacks &callbacks,
                           std::function<void()> finished)
    : QObject(session)
    , m_session(session)
    , m_sessionId(session->id())
    , m_query(query)
    , m_htmlOutput(htmlOutput)
    , m_callbacks(callbacks)
    , m_finished(std::move(finished))
{
}

SessionQuery::~SessionQuery()
{
    if (m_waitTimer)
        Scheduler::instance().cancel(m_waitTimer);
}

QueryCallbacks SessionQuery::takeCallbacks()
{
    if (m_streamEndCalled)
        return {};
    m_streamEndCalled = true; // whoever holds them now ends the query for the caller
    return std::exchange(m_callbacks, QueryCallbacks{});
}

// ---- callbacks: each runs to its end before the query goes on -------------------------------

void SessionQuery::output(const QString &text)
{
    if (m_callbacks.onOutput)
        m_callbacks.onOutput(text);
}

void SessionQuery::thinking(const QString &text)
{
    if (m_callbacks.onThinking)
        m_callbacks.onThinking(text);
}

void SessionQuery::thinkingComplete()
{
    if (m_callbacks.onThinkingComplete)
        m_callbacks.onThinkingComplete();
}

void SessionQuery::streamEnd()
{
    // One end per query, however it ends.
    if (m_streamEndCalled)
        return;
    m_streamEndCalled = true;
    if (auto end = m_callbacks.onStreamEnd)
        end();
}

// ---- preparing ------------------------------------------------------------------------------

void SessionQuery::start()
{
    Session *s = m_session;
    s->m_isCancelled = false;
    m_generation = ++s->m_currentTaskGeneration;
    m_phase = Phase::Connecting;
    if (cancelled())
        return endCancelled();
    prepareConnection();
}

void SessionQuery::prepareConnection()
{
    Session *s = m_session;
    m_phase = Phase::Connecting;
    if (s->m_connecting) {
        // The initialization (or another reconnect) is connecting this id: wait for it rather
        // than connect a second time.
        m_waitConnection = connect(s, &Session::connectionSettled, this, [this] {
            QObject::disconnect(m_waitConnection);
            Scheduler::instance().cancel(std::exchange(m_waitTimer, 0));
            if (cancelled())
                return endCancelled();
            prepareConnection();
        });
        m_waitTimer = Scheduler::instance().singleShot(Session::connectionWaitLimitMs(), this, [this] {
            m_waitTimer = 0;
            QObject::disconnect(m_waitConnection);
            endWithText(kConnectionLostText, true);
        });
        return;
    }
    WebSocketManager *w = s->webSocketManager();
    // A connection the service dropped while we were idle counts as gone.
    const bool renew = !w->isConnected(m_sessionId) || s->needsReconnection() || !w->isUsable(m_sessionId);
    if (!renew)
        return waitForInitialization();
    QPointer<SessionQuery> self(this);
    s->reconnect([self](bool ok) {
        if (!self || self->isEnded())
            return;
        if (!ok) {
            self->output(kReconnectFailedText);
            self->streamEnd();
            return self->end();
        }
        self->m_session->setNeedsReconnection(false);
        if (self->cancelled())
            return self->endCancelled();
        self->waitForInitialization();
    });
}

void SessionQuery::waitForInitialization()
{
    WebSocketManager *w = m_session->webSocketManager();
    if (w->isInitialized(m_sessionId))
        return sendQuery();
    m_phase = Phase::WaitingForInitialization;
    Log::line(QStringLiteral("⏳ [Session] Waiting for proper initialization to complete for session ") + m_sessionId);
    m_waitConnection = connect(w, &WebSocketManager::sessionInitialized, this, [this](const QString &id) {
        if (id == m_sessionId)
            initializationWaitOver(true);
    });
    m_waitTimer = Scheduler::instance().singleShot(Session::connectionWaitLimitMs(), this, [this] {
        m_waitTimer = 0;
        initializationWaitOver(false);
    });
}

void SessionQuery::initializationWaitOver(bool initialized)
{
    if (m_phase != Phase::WaitingForInitialization)
        return;
    QObject::disconnect(m_waitConnection);
    if (m_waitTimer)
        Scheduler::instance().cancel(std::exchange(m_waitTimer, 0));
    if (cancelled())
        return endCancelled();
    if (!initialized) {
        Log::line(QStringLiteral("⚠️ [Session] Connection not ready in time for session ") + m_sessionId);
        return endWithText(kConnectionLostText, true);
    }
    Log::line(QStringLiteral("✅ [Session] Proper initialization completed for session ") + m_sessionId);
    sendQuery();
}

void SessionQuery::sendQuery()
{
    m_phase = Phase::Sending;
    m_session->setBusy(true);
    m_session->mcpManager()->availableClientNames(this, [this](const QStringList &names) {
        if (cancelled())
            return endCancelled();
        const QString list = Session::nameList(names);
        Log::line(QStringLiteral("[Session] runTask: Available MCP Clients: ") + list);
        Log::line(QStringLiteral("💭 [Session] About to send user query for session ") + m_sessionId);
        m_session->webSocketManager()->sendUserMessage(m_query + QStringLiteral("Available MCP Clients: ") + list,
                                                       m_sessionId, m_htmlOutput);
        startPass();
    });
}

void SessionQuery::setStreamLimits(qint64 maxPassBytes, int idleLimitMs)
{
    g_maxPassBytes.store(maxPassBytes);
    g_idleLimitMs.store(idleLimitMs);
}

// ---- passes ---------------------------------------------------------------------------------

void SessionQuery::startPass()
{
    if (cancelled())
        return endCancelled();
    m_buffer.clear();
    m_thinkingStarted = m_thinkingComplete = m_answerStreaming = m_answerComplete = false;
    m_toolsRegisteredInPass = false;
    QObject::disconnect(m_streamConnection);
    m_stream = m_session->webSocketManager()->messageStream(m_sessionId);
    if (!m_stream) {
        Log::line(QStringLiteral("⚠️ [Session] No message stream available for session ") + m_sessionId);
        return endWithText(kConnectionLostText, true);
    }
    m_phase = Phase::Reading;
    m_streamConnection = connect(m_stream.get(), &MessageStream::readable, this, &SessionQuery::pump);
    armIdleTimer();
    pump();
}

void SessionQuery::resumeReading()
{
    if (m_phase == Phase::Ended)
        return;
    m_phase = Phase::Reading;
    armIdleTimer();
    pump();
}

// One timer per pass, not one per message: a message only moves the last-activity time, and
// the timer, when it fires early, waits for the rest.
void SessionQuery::armIdleTimer()
{
    m_lastActivityMs = Scheduler::instance().monotonicMs();
    if (!m_idleTimer)
        scheduleIdleCheck(g_idleLimitMs.load());
}

void SessionQuery::scheduleIdleCheck(qint64 ms)
{
    m_idleTimer = Scheduler::instance().singleShot(ms, this, [this] {
        m_idleTimer = 0;
        if (m_phase != Phase::Reading)
            return;
        const qint64 limit = g_idleLimitMs.load();
        const qint64 quiet = Scheduler::instance().monotonicMs() - m_lastActivityMs;
        if (quiet < limit)
            return scheduleIdleCheck(limit - quiet);
        giveUpStream(QStringLiteral("no message for %1 s").arg(limit / 1000.0));
    });
}

void SessionQuery::cancelIdleTimer()
{
    if (m_idleTimer)
        Scheduler::instance().cancel(std::exchange(m_idleTimer, 0));
}

void SessionQuery::giveUpStream(const QString &why)
{
    Log::line(QStringLiteral("⚠️ [Session] Giving up the answer stream of session %1: %2").arg(m_sessionId, why));
    cancelIdleTimer();
    QObject::disconnect(m_streamConnection);
    if (m_stream)
        m_stream->abandon();
    endWithText(kConnectionLostText, true);
}

void SessionQuery::pump()
{
    if (m_pumping)
        return; // the running loop picks the new chunk up
    m_pumping = true;
    // Keeps the stream alive even if the connection is replaced under a callback.
    const std::shared_ptr<MessageStream> stream = m_stream;
    while (m_phase == Phase::Reading) {
        if (cancelled()) {
            endCancelled();
            break;
        }
        if (stream->hasChunk()) {
            armIdleTimer();
            handleChunk(stream->take());
            continue;
        }
        if (stream->atEnd()) {
            endPass();
            continue; // an empty batch starts the next pass right here
        }
        break; // wait for `readable`
    }
    m_pumping = false;
}

void SessionQuery::handleChunk(const QString &chunk)
{
    if (chunk.startsWith(kError))
        return errorStep(chunk);
    if (chunk.startsWith(kMcpRequest))
        return toolSelectionRequest(chunk.mid(kMcpRequest.size()));
    if (chunk.contains(kEndOfMessage))
        return endPass();
    if ((m_buffer.size() + chunk.size()) * qsizetype(sizeof(QChar)) > g_maxPassBytes.load())
        return giveUpStream(QStringLiteral("the pass holds more than %1 bytes").arg(g_maxPassBytes.load()));
    m_buffer += chunk;
    thinkingAndAnswerSteps(chunk);
}

void SessionQuery::errorStep(const QString &chunk)
{
    const QString message = chunk.mid(kError.size());
    Log::line(QStringLiteral("[Session] Error detected: ") + message);
    const QString lower = message.toLower();
    const bool network = containsAny(lower, {u"network", u"connection", u"timeout", u"unreachable"});
    const bool overload =
        !network && containsAny(lower, {u"overload", u"rate limit", u"too many requests", u"quota exceeded", u"capacity"});
    m_session->setBusy(false);
    if (network) {
        m_session->setNeedsReconnection(true);
        output(networkErrorText(message));
    } else if (overload) {
        output(kOverloadedText);
    } else {
        output(errorText(message));
    }
    streamEnd();
    end();
}

void SessionQuery::thinkingAndAnswerSteps(const QString &c)
{
    // Thinking.
    const qsizetype thinkStart = c.indexOf(kThinkingStart);
    if (thinkStart >= 0 && !m_thinkingComplete) {
        const QString after = c.mid(thinkStart + kThinkingStart.size());
        const qsizetype thinkEnd = after.indexOf(kThinkingEnd);
        if (thinkEnd >= 0) {
            // The whole thinking in one chunk: it is complete, or the answer would never show.
            thinkingComplete();
            thinking(after.left(thinkEnd));
            m_thinkingStarted = false;
            m_thinkingComplete = true;
        } else {
            thinking(after);
            m_thinkingStarted = true;
        }
    } else if (thinkStart < 0 && m_thinkingStarted && !m_thinkingComplete) {
        const qsizetype thinkEnd = c.indexOf(kThinkingEnd);
        if (thinkEnd >= 0) {
            thinkingComplete();
            thinking(c.left(thinkEnd));
            m_thinkingStarted = false;
            m_thinkingComplete = true;
        } else {
            thinking(c);
        }
    } else if (thinkStart >= 0 && m_thinkingComplete) {
        m_thinkingStarted = true;
    }

    // Answer.
    const qsizetype answerStart = c.indexOf(kAnswerStart);
    if (m_answerComplete || m_thinkingStarted) {
        if (answerStart >= 0)
            m_answerStreaming = true;
        return;
    }
    if (answerStart < 0 && !m_answerStreaming)
        return; // text outside any marked part is never shown
    if (answerStart >= 0) {
        const QString after = c.mid(answerStart + kAnswerStart.size());
        const qsizetype answerEnd = after.indexOf(kAnswerEnd);
        if (answerEnd >= 0) {
            // Start and end in one chunk: the text between them, and the answer is complete.
            output(after.left(answerEnd));
            m_answerStreaming = false;
            m_answerComplete = true;
        } else {
            output(after);
            m_answerStreaming = true;
        }
    } else if (c.contains(kThinkingEnd)) {
        m_answerStreaming = true;
    } else if (const qsizetype answerEnd = c.indexOf(kAnswerEnd); answerEnd >= 0) {
        output(c.left(answerEnd));
        m_answerStreaming = false;
        m_answerComplete = true;
    } else {
        output(c);
    }
}

void SessionQuery::toolSelectionRequest(const QString &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return;
    const QJsonObject request = doc.object();
    if (!request.value(QStringLiteral("output")).isString())
        return;
    const QString kind = request.value(QStringLiteral("output")).toString();
    if (kind == QLatin1String("complex")) {
        Log::line(QStringLiteral("Complex output, enabling thinking"));
        return;
    }
    if (kind != QLatin1String("trivial"))
        return;
    Log::line(QStringLiteral("Trivial output, skipping tool selection"));
    const auto clients = stringList(request.value(QStringLiteral("selected_clients")));
    if (!clients)
        return;
    Log::line(QStringLiteral("Selected clients from MCP_REQUEST json: ") + Session::nameList(*clients));
    m_phase = Phase::Working;
    QPointer<SessionQuery> self(this);
    m_session->getClientTools(*clients, [self](const QList<SessionClientTool> &tools) {
        if (!self || self->isEnded())
            return;
        if (!tools.isEmpty()) {
            self->m_session->webSocketManager()->registerClientTools(tools, self->m_sessionId);
            self->m_toolsRegisteredInPass = true;
        }
        self->resumeReading();
    });
}

void SessionQuery::endPass()
{
    QObject::disconnect(m_streamConnection);
    cancelIdleTimer();
    m_phase = Phase::Working;
    Log::line(QStringLiteral("Going to process the toolcall: ") + Log::content(m_buffer, 4000));
    const QByteArray bytes = m_buffer.toUtf8();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray() || !isArrayOfObjects(doc.array())) {
        Log::line(QStringLiteral("⚠️ [Session] Failed to parse response JSON for session ") + m_sessionId);
        Log::debug(QStringLiteral("🔍 Raw string: ") + Log::content(m_buffer, 4000));
        Log::line(QStringLiteral("📦 UTF-8 encoded data:\n%1 bytes").arg(bytes.size()));
        return endWithText(kConnectionLostText, true);
    }
    const QJsonArray batch = doc.array();
    if (batch.isEmpty())
        return startPass();
    handleBatch(batch);
}

void SessionQuery::handleBatch(const QJsonArray &batch)
{
    m_batch = batch;
    m_toolsSelected = m_toolsRegisteredInPass;
    m_goOn = true;
    runBatchItem(0);
}

void SessionQuery::runBatchItem(int index)
{
    // A loop for the items decided at once; items that wait on the tool runtime continue it
    // from their completion.
    for (; index < m_batch.size(); ++index) {
        const QJsonObject item = m_batch.at(index).toObject();
        const QJsonValue selection = item.value(QStringLiteral("mcp_request"));
        if (selection.isObject()) {
            const QJsonObject request = selection.toObject();
            const QJsonValue out = request.value(QStringLiteral("output"));
            const QString kind = out.isString() ? out.toString() : QStringLiteral("invalid");
            const QStringList clients = stringList(request.value(QStringLiteral("selected_clients"))).value_or(QStringList());
            if (kind != QLatin1String("complex") && m_toolsSelected)
                continue;
            if (clients.isEmpty())
                continue;
            Log::line(QStringLiteral("Selected clients from thinking: ") + Session::nameList(clients));
            QPointer<SessionQuery> self(this);
            m_session->getClientTools(clients, [self, index](const QList<SessionClientTool> &tools) {
                if (!self || self->isEnded())
                    return;
                if (!tools.isEmpty())
                    self->m_session->webSocketManager()->registerClientTools(tools, self->m_sessionId);
                self->m_toolsSelected = true;
                self->runBatchItem(index + 1);
            });
            return;
        }
        const QJsonValue calls = item.value(QStringLiteral("toolcall"));
        if (isArrayOfObjects(calls)) {
            QPointer<SessionQuery> self(this);
            runToolCalls(calls.toArray(), [self, index] {
                if (!self || self->isEnded())
                    return;
                self->m_goOn = true;
                self->runBatchItem(index + 1);
            });
            return;
        }
        const QJsonValue responses = item.value(QStringLiteral("toolcall_responses"));
        if (isArrayOfObjects(responses)) {
            checkResponses(responses.toArray());
            m_goOn = true;
            continue;
        }
        if (m_answerComplete) {
            Log::line(QStringLiteral("✅ [Session] No more tool calls, finishing for session ") + m_sessionId);
            m_goOn = false;
        }
    }
    if (m_goOn)
        startPass();
    else
        closingStep();
}

void SessionQuery::runToolCalls(const QJsonArray &calls, std::function<void()> done)
{
    Log::line(QStringLiteral("🛠️ [Session] Processing %1 tool calls for task generation %2 in session %3")
                  .arg(calls.size())
                  .arg(m_generation)
                  .arg(m_sessionId));
    auto responses = std::make_shared<QList<SessionToolResponse>>();
    auto step = std::make_shared<std::function<void(int)>>();
    QPointer<SessionQuery> self(this);
    // One call at a time, in order; the responses go out together in one "tool" frame.
    *step = [self, calls, responses, done, weakStep = std::weak_ptr<std::function<void(int)>>(step)](int k) {
        if (!self || self->isEnded())
            return;
        Session *s = self->m_session;
        if (k == calls.size()) {
            Log::line(QStringLiteral("📤 [Session] Sending tool responses for session ") + self->m_sessionId);
            s->webSocketManager()->sendToolResponses(*responses, self->m_sessionId);
            return done();
        }
        const QJsonObject call = calls.at(k).toObject();
        Log::line(QStringLiteral("🔄 [Session] Handling tool call for session ") + self->m_sessionId + QStringLiteral(": ")
                  + Log::content(compact(call)));
        if (call.value(QStringLiteral("id")).isString()) {
            const QString id = call.value(QStringLiteral("id")).toString();
            s->m_activeToolCalls.insert(id, self->m_generation);
            Log::line(QStringLiteral("🔄 [Session] Registered toolcall %1 with generation %2").arg(id).arg(self->m_generation));
        }
        if (call.value(QStringLiteral("name")).isString())
            self->output(QStringLiteral("TOOL_CALL_START:") + call.value(QStringLiteral("name")).toString());
        if (!self || self->isEnded())
            return;
        auto next = weakStep.lock();
        s->handleToolRequest(call.toVariantMap(), [responses, next, k](const SessionToolResponse &response) {
            responses->append(response);
            if (next)
                (*next)(k + 1);
        });
    };
    // The chain keeps itself alive through the pending completion that holds `next`.
    (*step)(0);
}

void SessionQuery::checkResponses(const QJsonArray &responses)
{
    Session *s = m_session;
    int current = 0;
    for (const QJsonValue &value : responses) {
        const QJsonObject e = value.toObject();
        if (!e.value(QStringLiteral("id")).isString()) {
            ++current;
            continue;
        }
        const QString id = e.value(QStringLiteral("id")).toString();
        const int stored = s->m_activeToolCalls.contains(id) ? s->m_activeToolCalls.take(id) : -1;
        if (stored == m_generation) {
            Log::line(QStringLiteral("✅ [Session] Processing valid toolcall response %1 for generation %2").arg(id).arg(m_generation));
            ++current;
        } else {
            Log::line(QStringLiteral("🗑️ [Session] Ignoring toolcall response %1 from old generation %2, current: %3")
                          .arg(id)
                          .arg(stored)
                          .arg(m_generation));
        }
    }
    if (current == 0 && !responses.isEmpty())
        Log::line(QStringLiteral("🚫 [Session] All %1 toolcall responses were from old generations").arg(responses.size()));
}

// ---- endings --------------------------------------------------------------------------------

void SessionQuery::closingStep()
{
    m_session->setBusy(false);
    streamEnd();
    end();
}

void SessionQuery::endWithText(const QString &text, bool needsReconnection)
{
    m_session->setBusy(false);
    if (needsReconnection)
        m_session->setNeedsReconnection(true);
    output(text);
    streamEnd();
    end();
}

void SessionQuery::endCancelled()
{
    m_session->setBusy(false);
    output(kCancelledText);
    streamEnd();
    end();
}

void SessionQuery::requestCancel()
{
    if (m_phase == Phase::Ended || m_cancelRequested)
        return;
    m_cancelRequested = true;
    // The rest of this answer is stale: nobody reads it after us.
    QObject::disconnect(m_streamConnection);
    if (m_stream)
        m_stream->abandon();
    // The query notices on its next step; wake it now where it only waits.
    QPointer<SessionQuery> self(this);
    MainQueue::post(this, [self] {
        if (!self)
            return;
        if (self->m_phase == Phase::Reading)
            self->pump();
        else if (self->m_phase == Phase::WaitingForInitialization)
            self->initializationWaitOver(false);
    });
}

void SessionQuery::end()
{
    if (m_phase == Phase::Ended)
        return;
    m_phase = Phase::Ended;
    QObject::disconnect(m_streamConnection);
    QObject::disconnect(m_waitConnection);
    if (m_waitTimer)
        Scheduler::instance().cancel(std::exchange(m_waitTimer, 0));
    cancelIdleTimer();
    m_callbacks = {};
    if (auto finished = std::exchange(m_finished, {}))
        finished();
    Q_EMIT ended();
    if (m_session)
        m_session->queryEnded(this);
    deleteLater();
}
