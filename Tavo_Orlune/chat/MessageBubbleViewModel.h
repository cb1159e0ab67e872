#pragma once
#include "Platform/Scheduler.h"
#include "chat/ToolResponseFormatting.h"
#include "categories/TaskAppAssociationService.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class ChatMessageData;

// The state of one message bubble: the text a message shows, the elapsed-time status of a
// loading tool call (a 1 s timer that runs only while loading), the display name of the tool's
// client with the task's link to that app, and copying with a short feedback. The chat list
// keeps one per row for as long as the row exists. Main thread only.
class MessageBubbleViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading WRITE setLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString clientDisplayName READ clientDisplayName WRITE setClientDisplayName NOTIFY clientDisplayNameChanged)
    Q_PROPERTY(bool showCopyFeedback READ showCopyFeedback NOTIFY showCopyFeedbackChanged)
    Q_PROPERTY(QString currentStatusText READ currentStatusText NOTIFY currentStatusTextChanged)

public:
    MessageBubbleViewModel(ChatMessageData *message, std::optional<int> messageNumber, bool isLoading,
                           TaskAppAssociationService *taskAssociationService, QObject *parent = nullptr);
    ~MessageBubbleViewModel() override;

    ChatMessageData *message() const { return m_message; }
    std::optional<int> messageNumber() const { return m_messageNumber; }
    bool isLoading() const { return m_isLoading; }
    // A row whose message is no longer in progress stops its status timer.
    void setLoading(bool loading);
    QString clientDisplayName() const { return m_clientDisplayName; }
    void setClientDisplayName(const QString &name);
    bool showCopyFeedback() const { return m_showCopyFeedback; }
    QString currentStatusText() const { return m_currentStatusText; }
    std::optional<QDateTime> startTime() const { return m_startTime; }
    bool statusTimerRunning() const { return m_statusTimer != 0; }
    TaskAppAssociationService *taskAssociationService() const { return m_taskAssociationService; }

    // The message's text for its type, through the tool-output formatting. Cached: reading it
    // again costs nothing until the message's text changes.
    QString displayText() const;
    bool isThinkingMessage() const;
    bool isToolResponse() const;
    bool hasVisibleContent() const;
    QString effectiveClientName() const;
    QString statusText() const;

    void updateStatus();
    // Rich (plain, HTML, RTF) for an answer, plain text otherwise; feedback for 1.5 s.
    void copyToClipboard();
    // Resolves the client's display name through the tool runtime.
    void loadClientDisplayName();
    void associateTaskWithApp();
    void associateTaskWithApp(const QString &clientName);

    // The status line of a tool call after elapsed whole seconds. An empty client name reads
    // "the app".
    static QString statusMessage(int elapsedSeconds, const QString &clientName);

Q_SIGNALS:
    void isLoadingChanged();
    void clientDisplayNameChanged();
    void showCopyFeedbackChanged();
    void currentStatusTextChanged();

private:
    void startStatusTimer();
    void stopStatusTimer();
    void setCurrentStatusText(const QString &text);
    QString sourceText() const;

    QPointer<ChatMessageData> m_message;
    std::optional<int> m_messageNumber;
    bool m_isLoading;
    QString m_clientDisplayName = QStringLiteral("App");
    bool m_showCopyFeedback = false;
    Scheduler::TimerId m_statusTimer = 0;
    std::optional<QDateTime> m_startTime;
    QString m_currentStatusText;
    QPointer<TaskAppAssociationService> m_taskAssociationService;

    mutable QString m_cachedSource;
    mutable bool m_cacheValid = false;
    mutable StreamingToolResponseFormatter m_formatter;
};
