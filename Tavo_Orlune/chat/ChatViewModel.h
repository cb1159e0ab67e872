#pragma once
#include "chat/HTMLStreamingParser.h"
#include "Platform/Store/ModelHold.h"
#include "Platform/Store/PersistentModel.h"
#include "Platform/Scheduler.h"
#include "model/ChatMessageData.h"
#include "model/ChatMessageTypes.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class ModelContext;
class TaskAppAssociationService;
class TaskData;

// The chat of one task: turns the streamed answer into stored chat messages (the user's text,
// reasoning, answer text written in batches, tool output shown while it streams, generated HTML
// documents, errors and stop notices) and publishes the list that the chat views show.
//
// The coordinator creates one per task on first use, on the main thread, and drives a turn with:
//
//   vm->addUserMessage(text);            // opens the turn: the user's message and an empty reply
//   vm->processStreamChunk(chunk);       // every answer chunk (the session's output callback),
//                                        // including "TOOL_CALL_START:<key>" notices and error texts
//   vm->appendThinkingChunk(chunk);      // every reasoning chunk
//   vm->completeThinking();              // at the end-of-thinking marker ("Thinking Completed")
//   vm->endStreamingResponse();          // once at the end of the request: normal end, error,
//                                        // cancellation or a failed request
//
// and, when the user presses stop, vm->stopStreaming() anywhere in that sequence before it cancels
// the session's request; the end call that follows the cancellation is still expected. Chunks for
// a task that has been deleted are ignored. Everything runs on the main thread; timing goes
// through Scheduler.
class ChatViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString messageText READ messageText WRITE setMessageText NOTIFY messageTextChanged)
    Q_PROPERTY(bool isStreamingStopped READ isStreamingStopped NOTIFY isStreamingStoppedChanged)

public:
    ChatViewModel(ModelContext *modelContext, TaskData *task, QObject *parent = nullptr);
    ~ChatViewModel() override;

    // --- The coordinator's calls -------------------------------------------------------------
    void addUserMessage(const QString &text);
    void processStreamChunk(const QString &chunk);
    void appendThinkingChunk(const QString &text);
    void completeThinking();
    void endStreamingResponse();
    void stopStreaming();

    // --- Read by the chat views ----------------------------------------------------------------
    QString messageText() const { return m_messageText; }
    void setMessageText(const QString &text);
    // In timestamp order after each load; rows are appended, updated in place and removed between
    // loads (messagesChanged for the list, messageUpdated for one row's content).
    const QList<ChatMessageData *> &messages() const { return m_messages; }
    bool isStreamingStopped() const { return m_isStreamingStopped; }
    ChatMessageData *streamingMessage() const { return m_streamingMessage; }
    ChatMessageData *currentToolResponse() const { return m_currentToolResponse; }
    ChatMessageData *thinkingMessage() const { return m_thinkingMessage; }
    TaskData *task() const { return m_task; }
    ModelContext *modelContext() const { return m_modelContext; }
    TaskAppAssociationService *taskAssociationService() const { return m_taskAssociationService; }
    // The reasoning message while it is still thinking ("Thinking...").
    std::optional<PersistentIdentifier> activeThinkingMessageID() const;
    // The 1-based place of an AI reply within its turn; none for other messages.
    std::optional<int> stepNumber(const ChatMessageData *message) const;

    // The views showing this chat, each counted until it is destroyed. The coordinator lets go
    // of a chat that no view shows and that has nothing in progress (isIdle).
    void attachView(QObject *view);
    int viewCount() const { return m_viewCount; }
    // No answer being written, no stop waiting for its finalisation.
    bool isIdle() const;

    void loadMessages();
    // Asks for a reload 0.01 s ahead; a burst of requests gives one reload.
    void refreshMessages();
    // The date for a new reasoning message; moves the turn's replies after it.
    QDateTime thinkingTimestamp();

Q_SIGNALS:
    void messageTextChanged();
    void messagesChanged();
    void messageUpdated(int row);
    // Once for every finished reply, every ended answer and every finalised stop.
    void streamingCompleted();
    void isStreamingStoppedChanged();
    void currentToolResponseChanged();
    void viewsChanged();

private:
    void beginStreamingResponse();
    void handleTextChunk(const QString &text);
    bool handleStreamMarkers(const QString &text);
    void ensureCollectingMessage();
    void appendMessageChunk(const QString &text);
    void flushChunkAccumulator();
    void scheduleUIUpdate();
    void cancelUIUpdate();
    void finalizeCollectedMessage();
    void endHeldReplyForToolCall();
    void handleToolCallStart(const QString &text);
    void createToolResponseMessage(const QString &toolKey);
    void filterToolResponseChunk(const QString &text);
    void finalizeToolResponse();
    void handleErrorMessage(const QString &text);
    void finalizeStoppedResponse();
    void resetStreamingState();
    void removeToolResponseMessages();
    void startHTMLDocument();
    void finishHTMLDocument(const QString &document);

    void save();
    bool taskGone() const;
    void forgetDeletedTask();
    void appendMessage(ChatMessageData *message);
    void notifyRowChanged(const ChatMessageData *message);
    ChatMessageData *linkNew(ChatMessageData *message);
    void holdMessages();
    ChatMessageData *newReply(const QDateTime &timestamp, const std::optional<QString> &title, AIReplyStatus status);
    const ChatMessageData *lastUserMessage() const;
    QList<ChatMessageData *> turnReplies() const;
    QDateTime now() const;
    QDateTime nextStamp();
    qint64 monotonicMs() const;

    // Published state.
    QString m_messageText;
    QList<ChatMessageData *> m_messages;
    // What keeps the listed messages in the store's memory while this chat lives.
    QList<ModelHold<ChatMessageData>> m_held;
    QPointer<ChatMessageData> m_currentToolResponse;
    bool m_isStreamingStopped = false;

    ModelContext *m_modelContext;
    QPointer<TaskData> m_task;
    TaskAppAssociationService *m_taskAssociationService;

    // The answer being streamed.
    QPointer<ChatMessageData> m_streamingMessage;
    QString m_currentMessageBuffer;
    bool m_isCollectingMessage = false;
    bool m_isFilteringToolResponse = false;
    QString m_currentToolResponseBuffer;
    std::optional<QString> m_currentToolName;
    HTMLStreamingParser m_htmlParser;
    QPointer<ChatMessageData> m_currentHTMLMessage;
    QPointer<ChatMessageData> m_thinkingMessage;
    QString m_thinkingBuffer;
    bool m_hasCreatedThinkingForCurrentTurn = false;

    // Batching.
    QString m_chunkAccumulator;
    qint64 m_lastUIUpdateMs = 0;
    Scheduler::TimerId m_uiUpdateTimer = 0;
    bool m_needsRefresh = false;

    QDateTime m_lastStamp;
    int m_viewCount = 0;
    QHash<QObject *, QMetaObject::Connection> m_viewConnections; // one per attached view, until it goes

    // A stop waiting for its finalisation.
    Scheduler::TimerId m_stopTimer = 0;
    Scheduler::TimerId m_stopShieldTimer = 0;
};
