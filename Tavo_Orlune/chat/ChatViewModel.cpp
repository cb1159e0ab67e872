#include "chat/ChatViewModel.h"

#include "Platform/Graphemes.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/StoreError.h"
#include "chat/ToolClientLookup.h"
#include "categories/TaskAppAssociationService.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"

#include <algorithm>

namespace {

const QString kThinking = QStringLiteral("Thinking...");
const QString kThinkingCompleted = QStringLiteral("Thinking Completed");
const QString kThinkingStopped = QStringLiteral("Thinking Stopped");
const QString kStopNotice = QStringLiteral("⏹️ Streaming stopped by user");
const QString kToolCallStart = QStringLiteral("TOOL_CALL_START:");
const QString kErrorPrefix = QStringLiteral("❌ Error:");

constexpr qint64 kBatchDelayMs = 60;
constexpr qint64 kBatchMaxAgeMs = 120;
constexpr qsizetype kBatchChars = 100;
constexpr qint64 kRefreshDelayMs = 10;
constexpr qint64 kStopFinalizeDelayMs = 100;
constexpr qint64 kStopShieldMs = 1000;

bool isBlank(const QString &text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

bool isThinkingTitle(const std::optional<QString> &title)
{
    return title && (*title == kThinking || *title == kThinkingCompleted);
}

}

ChatViewModel::ChatViewModel(ModelContext *modelContext, TaskData *task, QObject *parent)
    : QObject(parent)
    , m_modelContext(modelContext)
    , m_task(task)
{
    m_lastUIUpdateMs = monotonicMs();

    // Work on the task as this chat's context knows it.
    if (task && m_modelContext) {
        TaskData *resolved = m_modelContext->model<TaskData>(task->persistentModelID());
        if (!resolved) {
            try {
                const QList<TaskData *> found = m_modelContext->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), task->id()), {}, 1);
                if (!found.isEmpty())
                    resolved = found.first();
            } catch (const StoreError &) {
            }
        }
        if (resolved)
            m_task = resolved;
    }

    m_taskAssociationService = new TaskAppAssociationService(m_modelContext, this);
    if (m_modelContext) {
        connect(m_modelContext, &ModelContext::objectsDidChange, this, [this] {
            if (taskGone() && !m_messages.isEmpty())
                forgetDeletedTask();
        });
    }
    loadMessages();
}

ChatViewModel::~ChatViewModel()
{
    Scheduler &s = Scheduler::instance();
    s.cancel(m_uiUpdateTimer);
    s.cancel(m_stopTimer);
    // A view that goes while this object is being torn down (its owner reacts to our own
    // destroyed signal) must not count itself out of a half-destroyed view model.
    for (const QMetaObject::Connection &c : std::as_const(m_viewConnections))
        disconnect(c);
}

QDateTime ChatViewModel::now() const
{
    return Scheduler::instance().now();
}

// Messages are ordered by timestamp alone, so each new one is stamped after every stamp this
// chat gave before, even when several are made within one millisecond.
QDateTime ChatViewModel::nextStamp()
{
    QDateTime t = now();
    if (m_lastStamp.isValid() && t <= m_lastStamp)
        t = m_lastStamp.addMSecs(1);
    m_lastStamp = t;
    return t;
}

qint64 ChatViewModel::monotonicMs() const
{
    return Scheduler::instance().monotonicMs();
}

void ChatViewModel::setMessageText(const QString &text)
{
    if (m_messageText == text)
        return;
    m_messageText = text;
    Q_EMIT messageTextChanged();
}

bool ChatViewModel::taskGone() const
{
    return !m_task || m_task->isDeleted();
}

// The task was deleted (its messages with it): let go of everything that pointed into it.
void ChatViewModel::forgetDeletedTask()
{
    cancelUIUpdate();
    Scheduler::instance().cancel(m_stopTimer);
    m_stopTimer = 0;
    m_streamingMessage = nullptr;
    m_currentHTMLMessage = nullptr;
    m_thinkingMessage = nullptr;
    m_currentToolResponse = nullptr;
    m_currentMessageBuffer.clear();
    m_chunkAccumulator.clear();
    m_thinkingBuffer.clear();
    m_currentToolResponseBuffer.clear();
    m_isCollectingMessage = false;
    m_isFilteringToolResponse = false;
    if (!m_messages.isEmpty()) {
        m_messages.clear();
        holdMessages();
        Q_EMIT messagesChanged();
    }
}

void ChatViewModel::attachView(QObject *view)
{
    if (!view)
        return;
    ++m_viewCount;
    m_viewConnections.insert(view, connect(view, &QObject::destroyed, this, [this, view] {
        m_viewConnections.remove(view);
        --m_viewCount;
        Q_EMIT viewsChanged();
    }));
    Q_EMIT viewsChanged();
}

bool ChatViewModel::isIdle() const
{
    return !m_stopTimer && !m_uiUpdateTimer && !m_streamingMessage && !m_isCollectingMessage && !m_isFilteringToolResponse
        && !m_currentToolResponse && !m_currentHTMLMessage && !m_thinkingMessage;
}

void ChatViewModel::save()
{
    if (!m_modelContext)
        return;
    try {
        m_modelContext->save();
    } catch (const StoreError &e) {
        // The messages in memory keep their state; the next save tries again.
        Log::line(QStringLiteral("[ChatViewModel] ⚠️ Save failed: ") + e.localizedDescription());
    }
}

// --- Message list ----------------------------------------------------------------------------

void ChatViewModel::loadMessages()
{
    // Held, not kept by the store for good: a chat nobody shows any more leaves no rows behind.
    QList<ModelHold<ChatMessageData>> fetched;
    if (m_modelContext && !taskGone()) {
        try {
            fetched = m_modelContext->fetchHeld<ChatMessageData>(
                Predicate::equal(QStringLiteral("task"), m_task.data())
                    && Predicate::notEqual(QStringLiteral("sender"), QStringLiteral("tool_response")),
                {{QStringLiteral("timestamp"), true}});
        } catch (const StoreError &) {
            fetched.clear();
        }
    }
    QList<ChatMessageData *> loaded;
    loaded.reserve(fetched.size());
    for (const ModelHold<ChatMessageData> &m : std::as_const(fetched))
        loaded.append(m.get());
    // Tool output shown while it streams is never stored; the entries it leaves go with the reload.
    for (ChatMessageData *m : std::as_const(m_messages)) {
        if (m && m->parent() == this && m != m_currentToolResponse)
            m->deleteLater();
    }
    // The running tool's output is not stored either, but its row stays while the tool runs.
    if (m_currentToolResponse && !loaded.contains(m_currentToolResponse)) {
        const QDateTime at = m_currentToolResponse->timestamp();
        qsizetype row = loaded.size();
        while (row > 0 && loaded.at(row - 1)->timestamp() > at)
            --row;
        loaded.insert(row, m_currentToolResponse);
    }
    m_messages = loaded;
    holdMessages();
    Q_EMIT messagesChanged();
}

void ChatViewModel::refreshMessages()
{
    m_needsRefresh = true;
    Scheduler::instance().singleShot(kRefreshDelayMs, this, [this] {
        if (!m_needsRefresh)
            return;
        m_needsRefresh = false;
        loadMessages();
    });
}

void ChatViewModel::appendMessage(ChatMessageData *message)
{
    m_messages.append(message);
    holdMessages();
    Q_EMIT messagesChanged();
}

void ChatViewModel::notifyRowChanged(const ChatMessageData *message)
{
    const qsizetype row = m_messages.lastIndexOf(const_cast<ChatMessageData *>(message));
    if (row >= 0)
        Q_EMIT messageUpdated(int(row));
}

void ChatViewModel::removeToolResponseMessages()
{
    const qsizetype before = m_messages.size();
    m_messages.removeIf([this](ChatMessageData *m) {
        if (m->messageType() != MessageType::ToolResponse)
            return false;
        if (m->parent() == this && m != m_currentToolResponse)
            m->deleteLater();
        return true;
    });
    if (m_messages.size() != before) {
        holdMessages();
        Q_EMIT messagesChanged();
    }
}

const ChatMessageData *ChatViewModel::lastUserMessage() const
{
    for (auto it = m_messages.crbegin(); it != m_messages.crend(); ++it) {
        if ((*it)->messageType() == MessageType::User)
            return *it;
    }
    return nullptr;
}

QList<ChatMessageData *> ChatViewModel::turnReplies() const
{
    QList<ChatMessageData *> replies;
    const ChatMessageData *user = lastUserMessage();
    if (!user)
        return replies;
    const QDateTime start = user->timestamp();
    for (ChatMessageData *m : m_messages) {
        if (m->messageType() == MessageType::Ai && m->timestamp() >= start && !isThinkingTitle(m->aiActionTitle()))
            replies.append(m);
    }
    return replies;
}

QDateTime ChatViewModel::thinkingTimestamp()
{
    const ChatMessageData *user = lastUserMessage();
    if (!user)
        return nextStamp();
    const QDateTime t = user->timestamp().addMSecs(100);
    const QList<ChatMessageData *> replies = turnReplies();
    for (ChatMessageData *m : replies)
        m->setTimestamp(t.addMSecs(1000));
    if (!replies.isEmpty()) {
        if (!m_lastStamp.isValid() || m_lastStamp < t.addMSecs(1000))
            m_lastStamp = t.addMSecs(1000);
        save();
    }
    return t;
}

std::optional<int> ChatViewModel::stepNumber(const ChatMessageData *message) const
{
    if (!message || message->messageType() != MessageType::Ai || isThinkingTitle(message->aiActionTitle()))
        return std::nullopt;
    if (!lastUserMessage())
        return 1;
    QList<ChatMessageData *> replies = turnReplies();
    std::stable_sort(replies.begin(), replies.end(),
                     [](const ChatMessageData *a, const ChatMessageData *b) { return a->timestamp() < b->timestamp(); });
    for (qsizetype i = 0; i < replies.size(); ++i) {
        if (replies[i] == message || replies[i]->persistentModelID() == message->persistentModelID())
            return int(i) + 1;
    }
    return std::nullopt;
}

std::optional<PersistentIdentifier> ChatViewModel::activeThinkingMessageID() const
{
    if (m_thinkingMessage && m_thinkingMessage->aiActionTitle() == kThinking)
        return m_thinkingMessage->persistentModelID();
    return std::nullopt;
}

ChatMessageData *ChatViewModel::newReply(const QDateTime &timestamp, const std::optional<QString> &title, AIReplyStatus status)
{
    return linkNew(ChatMessageData::withAiActionTitle(QStringLiteral("ai"), title, status, std::nullopt, timestamp, nullptr));
}

// A new message joins the store already held, so that the store lets go of it with this chat
// (once saved) instead of keeping it for good.
ChatMessageData *ChatViewModel::linkNew(ChatMessageData *message)
{
    m_held.append(ModelHold<ChatMessageData>(message));
    if (m_task)
        message->setTask(m_task);
    if (!message->modelContext() && m_modelContext)
        m_modelContext->insert(message);
    return message;
}

// Every message listed or being written is held; the rest may leave the store's memory.
void ChatViewModel::holdMessages()
{
    QList<ModelHold<ChatMessageData>> held = holdAll(m_messages);
    for (ChatMessageData *m : {m_streamingMessage.data(), m_thinkingMessage.data(), m_currentHTMLMessage.data(), m_currentToolResponse.data()}) {
        if (m)
            held.append(ModelHold<ChatMessageData>(m));
    }
    m_held = std::move(held);
}

// --- A turn ----------------------------------------------------------------------------------

void ChatViewModel::addUserMessage(const QString &text)
{
    if (isBlank(text) || taskGone())
        return;
    // A new turn replaces the one before: a stop not finalised yet is finalised now, a reply
    // still open is closed as it stands, and the stop's shield against the old answer's
    // leftovers does not swallow the new answer (the coordinator keeps those from this chat).
    if (m_stopTimer) {
        Scheduler::instance().cancel(m_stopTimer);
        m_stopTimer = 0;
        finalizeStoppedResponse();
    } else if (m_streamingMessage || m_isCollectingMessage || m_currentToolResponse || m_thinkingMessage) {
        endStreamingResponse();
    }
    if (m_stopShieldTimer) {
        Scheduler::instance().cancel(m_stopShieldTimer);
        m_stopShieldTimer = 0;
    }
    if (m_isStreamingStopped) {
        m_isStreamingStopped = false;
        Q_EMIT isStreamingStoppedChanged();
    }
    m_hasCreatedThinkingForCurrentTurn = false;

    ChatMessageData *user = linkNew(ChatMessageData::withUserTextMessage(QStringLiteral("user"), text, nextStamp(), nullptr));
    ChatMessageData *placeholder = newReply(nextStamp(), std::nullopt, AIReplyStatus::InProgress);
    placeholder->setAiFinalReplyText(QString(QLatin1String("")));
    m_streamingMessage = placeholder;

    m_messages.append(user);
    m_messages.append(placeholder);
    holdMessages();
    Q_EMIT messagesChanged();
    save();
    refreshMessages();
    setMessageText(QString());
}

void ChatViewModel::processStreamChunk(const QString &chunk)
{
    if (taskGone())
        return;
    const HTMLStreamResult result = m_htmlParser.process(chunk);
    // Documents and the answer text around them are handled in the order they arrived.
    for (const HTMLStreamPiece &piece : result.pieces) {
        switch (piece.kind) {
        case HTMLStreamPiece::Text:
            handleTextChunk(piece.text);
            break;
        case HTMLStreamPiece::DocumentStart:
            startHTMLDocument();
            break;
        case HTMLStreamPiece::DocumentEnd:
            finishHTMLDocument(piece.text);
            break;
        }
    }
}

void ChatViewModel::startHTMLDocument()
{
    Log::line(QStringLiteral("[ChatViewModel] 🚀 HTML streaming started"));
    ChatMessageData *m = linkNew(ChatMessageData::withHtmlContent(QString(QLatin1String("")), nextStamp(), nullptr));
    appendMessage(m);
    m_currentHTMLMessage = m;
    save();
}

void ChatViewModel::finishHTMLDocument(const QString &document)
{
    Log::line(QStringLiteral("[ChatViewModel] ✅ HTML document completed: %1 chars").arg(Graphemes::count(document)));
    const QString decoded = HTMLStreamingParser::decodeDocument(document);
    if (m_currentHTMLMessage) {
        Log::line(QStringLiteral("[ChatViewModel] 📝 Updating HTML placeholder"));
        m_currentHTMLMessage->setHtmlContent(decoded);
        notifyRowChanged(m_currentHTMLMessage);
    } else {
        Log::line(QStringLiteral("[ChatViewModel] 📝 Creating new HTML message"));
        ChatMessageData *m = linkNew(ChatMessageData::withHtmlContent(decoded, nextStamp(), nullptr));
        appendMessage(m);
    }
    m_currentHTMLMessage = nullptr;
    save();
    refreshMessages();
}

void ChatViewModel::handleTextChunk(const QString &text)
{
    if (m_isStreamingStopped || text.isEmpty())
        return;
    if (text.startsWith(kErrorPrefix)) {
        handleErrorMessage(text);
        return;
    }
    if (text.contains(kToolCallStart)) {
        if (!m_chunkAccumulator.isEmpty())
            flushChunkAccumulator();
        endHeldReplyForToolCall();
        handleToolCallStart(text);
        return;
    }
    if (m_isFilteringToolResponse)
        filterToolResponseChunk(text);
    if (handleStreamMarkers(text))
        return;
    if (!isBlank(text)) {
        ensureCollectingMessage();
        appendMessageChunk(text);
    } else if (m_isCollectingMessage) {
        // Blank chunks inside a reply are its paragraph breaks; only a new reply needs text.
        appendMessageChunk(text);
    }
}

bool ChatViewModel::handleStreamMarkers(const QString &text)
{
    if (text.contains(QLatin1String("END_OF_MESSAGE"))) {
        if (m_isFilteringToolResponse)
            finalizeToolResponse();
        return true;
    }
    if (text.contains(QLatin1String("ST_OF_MSG_STR"))) {
        if (m_isFilteringToolResponse)
            finalizeToolResponse();
        if (!m_chunkAccumulator.isEmpty())
            flushChunkAccumulator();
        // A reply that already has text is finished: the new message becomes a reply of its own.
        if (m_isCollectingMessage && !m_currentMessageBuffer.isEmpty())
            finalizeCollectedMessage();
        m_isCollectingMessage = true;
        m_currentMessageBuffer.clear();
        m_chunkAccumulator.clear();
        m_isFilteringToolResponse = false;
        beginStreamingResponse();
        return true;
    }
    if (text.contains(QLatin1String("ED_OF_MSG_STR"))) {
        if (!m_chunkAccumulator.isEmpty())
            flushChunkAccumulator();
        if (m_isCollectingMessage && !m_currentMessageBuffer.isEmpty())
            finalizeCollectedMessage();
        if (m_isFilteringToolResponse)
            finalizeToolResponse();
        m_isFilteringToolResponse = false;
        return true;
    }
    return false;
}

void ChatViewModel::ensureCollectingMessage()
{
    if (m_isCollectingMessage || m_isFilteringToolResponse)
        return;
    m_isCollectingMessage = true;
    m_currentMessageBuffer.clear();
    m_chunkAccumulator.clear();
    m_isFilteringToolResponse = false;
    beginStreamingResponse();
}

void ChatViewModel::beginStreamingResponse()
{
    if (!m_streamingMessage) {
        ChatMessageData *reply = newReply(nextStamp(), std::nullopt, AIReplyStatus::InProgress);
        reply->setAiFinalReplyText(QString(QLatin1String("")));
        m_streamingMessage = reply;
        appendMessage(reply);
        refreshMessages();
    }
    m_currentMessageBuffer.clear();
    m_chunkAccumulator.clear();
    m_isCollectingMessage = true;
    m_lastUIUpdateMs = monotonicMs();
    cancelUIUpdate();
}

// --- Batching --------------------------------------------------------------------------------

void ChatViewModel::appendMessageChunk(const QString &text)
{
    if (m_isFilteringToolResponse || !m_isCollectingMessage)
        return;
    m_chunkAccumulator += text;
    const qint64 elapsed = monotonicMs() - m_lastUIUpdateMs;
    if (Graphemes::exceeds(m_chunkAccumulator, kBatchChars - 1) || elapsed >= kBatchMaxAgeMs) {
        cancelUIUpdate();
        flushChunkAccumulator();
    } else {
        scheduleUIUpdate();
    }
}

void ChatViewModel::scheduleUIUpdate()
{
    if (m_uiUpdateTimer)
        return;
    const qint64 delay = std::max<qint64>(0, kBatchDelayMs - (monotonicMs() - m_lastUIUpdateMs));
    m_uiUpdateTimer = Scheduler::instance().singleShot(delay, this, [this] {
        m_uiUpdateTimer = 0;
        flushChunkAccumulator();
    });
}

void ChatViewModel::cancelUIUpdate()
{
    if (m_uiUpdateTimer) {
        Scheduler::instance().cancel(m_uiUpdateTimer);
        m_uiUpdateTimer = 0;
    }
}

void ChatViewModel::flushChunkAccumulator()
{
    if (m_chunkAccumulator.isEmpty() || !m_streamingMessage)
        return;
    m_currentMessageBuffer += m_chunkAccumulator;
    m_streamingMessage->setAiFinalReplyText(m_currentMessageBuffer);
    notifyRowChanged(m_streamingMessage);
    m_chunkAccumulator.clear();
    m_lastUIUpdateMs = monotonicMs();
}

void ChatViewModel::finalizeCollectedMessage()
{
    if (!m_chunkAccumulator.isEmpty())
        flushChunkAccumulator();
    cancelUIUpdate();
    if (!m_streamingMessage)
        return;
    m_streamingMessage->setAiReplyStatus(AIReplyStatus::FinishedSuccessfully);
    m_streamingMessage->setAiFinalReplyText(m_currentMessageBuffer.trimmed());
    notifyRowChanged(m_streamingMessage);
    save();
    refreshMessages();
    m_currentMessageBuffer.clear();
    m_chunkAccumulator.clear();
    m_isCollectingMessage = false;
    // A finished reply is let go, so later text starts a reply of its own.
    m_streamingMessage = nullptr;
    m_isFilteringToolResponse = false;
    removeToolResponseMessages();
    Q_EMIT streamingCompleted();
}

// --- Reasoning and tool output ---------------------------------------------------------------

void ChatViewModel::appendThinkingChunk(const QString &text)
{
    if (text.isEmpty() || m_isStreamingStopped || taskGone())
        return;
    if (!m_thinkingMessage && !m_hasCreatedThinkingForCurrentTurn) {
        const QDateTime t = thinkingTimestamp();
        ChatMessageData *m = newReply(t, kThinking, AIReplyStatus::InProgress);
        m->setAiThinkingContent(QString(QLatin1String("")));
        m_thinkingMessage = m;
        m_hasCreatedThinkingForCurrentTurn = true;
        appendMessage(m);
        save();
        refreshMessages();
    }
    m_thinkingBuffer += text;
    if (m_thinkingMessage)
        m_thinkingMessage->setAiThinkingContent(m_thinkingBuffer);
}

void ChatViewModel::completeThinking()
{
    if (m_thinkingMessage && !taskGone())
        m_thinkingMessage->setAiActionTitle(kThinkingCompleted);
}

// A tool call ends the reply being collected; the answer after the tool output is a reply of
// its own. A reply without text (the turn's placeholder) is closed as it stands.
void ChatViewModel::endHeldReplyForToolCall()
{
    if (m_isCollectingMessage && !m_currentMessageBuffer.isEmpty()) {
        finalizeCollectedMessage();
    } else if (m_streamingMessage) {
        m_streamingMessage->setAiReplyStatus(AIReplyStatus::FinishedSuccessfully);
        notifyRowChanged(m_streamingMessage);
    }
    m_streamingMessage = nullptr;
    m_isCollectingMessage = false;
    m_currentMessageBuffer.clear();
}

void ChatViewModel::handleToolCallStart(const QString &text)
{
    m_isFilteringToolResponse = true;
    const qsizetype at = text.indexOf(kToolCallStart);
    m_currentToolName = text.mid(at + kToolCallStart.size()).trimmed();
    createToolResponseMessage(*m_currentToolName);
}

void ChatViewModel::createToolResponseMessage(const QString &toolKey)
{
    // Shown only while the answer streams: linked to no context, so it is never stored.
    ChatMessageData *m = ChatMessageData::withToolResponseContent(toolKey, QString(QLatin1String("")), std::nullopt, nextStamp(), nullptr);
    m->setParent(this);
    m_currentToolResponse = m;
    m_currentToolResponseBuffer.clear();
    appendMessage(m);
    Q_EMIT currentToolResponseChanged();

    QPointer<ChatViewModel> self(this);
    QPointer<ChatMessageData> message(m);
    ToolClientLookup::lookUp(ToolClientLookup::toolName(toolKey), [self, message](const std::optional<QString> &client) {
        if (!self || !client || client->isEmpty())
            return;
        const QString name = ToolClientLookup::displayName(*client);
        if (message)
            message->setClientDisplayName(name);
        if (!self->taskGone())
            self->m_taskAssociationService->associateApp(self->m_task, name);
    });
}

void ChatViewModel::filterToolResponseChunk(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    m_currentToolResponseBuffer += text;
    if (m_currentToolResponse) {
        m_currentToolResponse->setToolResponseContent(m_currentToolResponseBuffer.trimmed());
        notifyRowChanged(m_currentToolResponse);
    }
    static const QString brackets = QStringLiteral("{}[]");
    const bool structured = std::any_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return brackets.contains(c); });
    if (!structured)
        finalizeToolResponse();
}

void ChatViewModel::finalizeToolResponse()
{
    if (m_currentToolResponse) {
        m_currentToolResponse->setToolResponseContent(m_currentToolResponseBuffer.trimmed());
        notifyRowChanged(m_currentToolResponse);
    }
    ChatMessageData *finished = m_currentToolResponse;
    m_currentToolResponse = nullptr;
    m_currentToolResponseBuffer.clear();
    m_isFilteringToolResponse = false;
    if (finished) {
        // Already dropped from the list by a reload: nothing shows it any more.
        if (!m_messages.contains(finished))
            finished->deleteLater();
        Q_EMIT currentToolResponseChanged();
    }
}

// --- End, stop, errors -----------------------------------------------------------------------

void ChatViewModel::endStreamingResponse()
{
    Log::line(QStringLiteral("[ChatViewModel] 🏁 Ending streaming response"));
    if (taskGone()) {
        forgetDeletedTask();
        return;
    }
    // A stop not finalised yet is finalised now, so the stop notice is what the turn keeps.
    if (m_stopTimer) {
        Scheduler::instance().cancel(m_stopTimer);
        m_stopTimer = 0;
        finalizeStoppedResponse();
    }

    cancelUIUpdate();
    if (!m_chunkAccumulator.isEmpty())
        flushChunkAccumulator();

    const HTMLFlushResult rest = m_htmlParser.flushIncomplete();
    Log::line(QStringLiteral("[ChatViewModel] flushIncomplete returned: ") + Log::content(rest.pending));
    if (!rest.pending.isEmpty()) {
        Log::line(QStringLiteral("[ChatViewModel] ⚠️ Incomplete HTML detected: %1 chars").arg(Graphemes::count(rest.pending)));
        if (m_currentHTMLMessage) {
            Log::line(QStringLiteral("[ChatViewModel] 📝 Updating HTML placeholder to show preview failed"));
            m_currentHTMLMessage->setHtmlContent(QStringLiteral("❌ HTML preview could not be loaded. The content may be incomplete or corrupted."));
            notifyRowChanged(m_currentHTMLMessage);
            m_currentHTMLMessage = nullptr;
        }
        // Characters held as a possible marker were answer text after all.
        if (!rest.heldOutside.isEmpty()) {
            handleTextChunk(rest.heldOutside);
            if (!m_chunkAccumulator.isEmpty())
                flushChunkAccumulator();
        }
    }

    if (!m_currentMessageBuffer.isEmpty())
        finalizeCollectedMessage();
    finalizeToolResponse();
    if (m_streamingMessage) {
        m_streamingMessage->setAiReplyStatus(AIReplyStatus::FinishedSuccessfully);
        notifyRowChanged(m_streamingMessage);
    }
    if (m_thinkingMessage)
        m_thinkingMessage->setAiReplyStatus(AIReplyStatus::FinishedSuccessfully);
    save();
    resetStreamingState();
    Q_EMIT streamingCompleted();
}

void ChatViewModel::resetStreamingState()
{
    cancelUIUpdate();
    m_streamingMessage = nullptr;
    m_currentMessageBuffer.clear();
    m_chunkAccumulator.clear();
    m_isCollectingMessage = false;
    m_isFilteringToolResponse = false;
    finalizeToolResponse();
    m_currentToolName.reset();
    m_thinkingMessage = nullptr;
    m_thinkingBuffer.clear();
    m_hasCreatedThinkingForCurrentTurn = false;
    removeToolResponseMessages();
}

void ChatViewModel::stopStreaming()
{
    Log::line(QStringLiteral("[ChatViewModel] 🛑 Streaming stopped by user"));
    if (taskGone() || m_isStreamingStopped)
        return;
    m_isStreamingStopped = true;
    Q_EMIT isStreamingStoppedChanged();

    cancelUIUpdate();
    if (!m_chunkAccumulator.isEmpty())
        flushChunkAccumulator();

    const HTMLFlushResult rest = m_htmlParser.flushIncomplete();
    if (!rest.pending.isEmpty()) {
        Log::line(QStringLiteral("[ChatViewModel] ⚠️ Incomplete HTML during stop: %1 chars").arg(Graphemes::count(rest.pending)));
        if (m_currentHTMLMessage) {
            Log::line(QStringLiteral("[ChatViewModel] 📝 Updating HTML placeholder for interruption"));
            m_currentHTMLMessage->setHtmlContent(QStringLiteral("❌ HTML preview loading was interrupted. The content may be incomplete."));
            notifyRowChanged(m_currentHTMLMessage);
            m_currentHTMLMessage = nullptr;
        }
        // Characters held as a possible marker belong to the reply.
        if (!rest.heldOutside.isEmpty() && m_streamingMessage) {
            m_currentMessageBuffer += rest.heldOutside;
            m_streamingMessage->setAiFinalReplyText(m_currentMessageBuffer);
            notifyRowChanged(m_streamingMessage);
        }
    }

    m_stopTimer = Scheduler::instance().singleShot(kStopFinalizeDelayMs, this, [this] {
        m_stopTimer = 0;
        finalizeStoppedResponse();
    });
}

void ChatViewModel::finalizeStoppedResponse()
{
    if (taskGone()) {
        forgetDeletedTask();
        return;
    }
    if (m_streamingMessage) {
        QString text = m_streamingMessage->aiFinalReplyText().value_or(QString());
        if (!text.contains(kStopNotice))
            text = isBlank(text) ? kStopNotice : text + QStringLiteral("\n\n") + kStopNotice;
        m_streamingMessage->setAiFinalReplyText(text);
        m_streamingMessage->setAiReplyStatus(AIReplyStatus::FinishedWithError);
        notifyRowChanged(m_streamingMessage);
    } else {
        ChatMessageData *m = newReply(nextStamp(), std::nullopt, AIReplyStatus::FinishedWithError);
        m->setAiFinalReplyText(kStopNotice);
        appendMessage(m);
    }
    if (m_thinkingMessage) {
        m_thinkingMessage->setAiReplyStatus(AIReplyStatus::FinishedWithError);
        m_thinkingMessage->setAiActionTitle(kThinkingStopped);
    }
    // The stop closes what the turn had open; the end call that follows finds nothing to redo.
    finalizeToolResponse();
    resetStreamingState();
    save();
    refreshMessages();
    Q_EMIT streamingCompleted();

    m_stopShieldTimer = Scheduler::instance().singleShot(kStopShieldMs, this, [this] {
        m_stopShieldTimer = 0;
        m_isStreamingStopped = false;
        Q_EMIT isStreamingStoppedChanged();
    });
}

void ChatViewModel::handleErrorMessage(const QString &text)
{
    Log::line(QStringLiteral("[ChatViewModel] Handling error message: ") + text);
    cancelUIUpdate();
    if (!m_chunkAccumulator.isEmpty())
        flushChunkAccumulator();
    // What the turn had open ends with the error instead of staying in progress.
    if (m_streamingMessage) {
        if (!m_currentMessageBuffer.isEmpty())
            m_streamingMessage->setAiFinalReplyText(m_currentMessageBuffer.trimmed());
        m_streamingMessage->setAiReplyStatus(AIReplyStatus::FinishedWithError);
        notifyRowChanged(m_streamingMessage);
    }
    if (m_thinkingMessage)
        m_thinkingMessage->setAiReplyStatus(AIReplyStatus::FinishedWithError);
    finalizeToolResponse();
    resetStreamingState();

    ChatMessageData *m = newReply(nextStamp(), QStringLiteral("Error"), AIReplyStatus::FinishedWithError);
    m->setAiFinalReplyText(text);
    appendMessage(m);
    save();
    refreshMessages();
}
