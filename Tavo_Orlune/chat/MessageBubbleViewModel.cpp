#include "chat/MessageBubbleViewModel.h"

#include <algorithm>

#include "chat/ClipboardService.h"
#include "chat/TextProcessingService.h"
#include "chat/ToolClientLookup.h"
#include "chat/ToolResponseFormatting.h"
#include "categories/TaskAppAssociationService.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
constexpr qint64 kStatusIntervalMs = 1000;
constexpr qint64 kCopyFeedbackMs = 1500;
}

MessageBubbleViewModel::MessageBubbleViewModel(ChatMessageData *message, std::optional<int> messageNumber, bool isLoading,
                                               TaskAppAssociationService *taskAssociationService, QObject *parent)
    : QObject(parent)
    , m_message(message)
    , m_messageNumber(messageNumber)
    , m_isLoading(isLoading)
    , m_taskAssociationService(taskAssociationService)
{
    if (m_isLoading)
        startStatusTimer();
}

MessageBubbleViewModel::~MessageBubbleViewModel()
{
    stopStatusTimer();
}

void MessageBubbleViewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    if (loading)
        startStatusTimer();
    else
        stopStatusTimer();
    Q_EMIT isLoadingChanged();
}

void MessageBubbleViewModel::setClientDisplayName(const QString &name)
{
    if (name == m_clientDisplayName)
        return;
    m_clientDisplayName = name;
    Q_EMIT clientDisplayNameChanged();
    if (!name.isEmpty())
        associateTaskWithApp();
}

void MessageBubbleViewModel::setCurrentStatusText(const QString &text)
{
    if (text == m_currentStatusText)
        return;
    m_currentStatusText = text;
    Q_EMIT currentStatusTextChanged();
}

bool MessageBubbleViewModel::isThinkingMessage() const
{
    if (!m_message || m_message->messageType() != MessageType::Ai)
        return false;
    const std::optional<QString> title = m_message->aiActionTitle();
    return title && (*title == QLatin1String("Thinking...") || *title == QLatin1String("Thinking Completed"));
}

bool MessageBubbleViewModel::isToolResponse() const
{
    return m_message && m_message->messageType() == MessageType::ToolResponse;
}

QString MessageBubbleViewModel::sourceText() const
{
    if (!m_message)
        return QString();
    switch (m_message->messageType()) {
    case MessageType::User:
        return m_message->userTextMessage().value_or(QString());
    case MessageType::Ai:
        if (isThinkingMessage())
            return m_message->aiFinalReplyText().value_or(QString());
        if (const auto text = m_message->aiFinalReplyText())
            return *text;
        return m_message->aiActionTitle().value_or(QStringLiteral("..."));
    case MessageType::ToolResponse:
        return m_message->toolResponseContent().value_or(QStringLiteral("..."));
    case MessageType::Html: {
        const std::optional<QString> html = m_message->htmlContent();
        return html && !html->isEmpty() ? QString() : QStringLiteral("I'm creating your app... Give me a moment");
    }
    }
    return QString();
}

QString MessageBubbleViewModel::displayText() const
{
    const QString source = sourceText();
    // The same text (usually the very same shared string) needs no new formatting.
    if (m_cacheValid && (source.isSharedWith(m_cachedSource) || source == m_cachedSource))
        return m_formatter.result();
    m_cachedSource = source;
    // A streaming answer only grows: its finished paragraphs are not formatted again, and the
    // formatted text grows in place (only the formatter keeps it between calls).
    m_formatter.format(source);
    m_cacheValid = true;
    return m_formatter.result();
}

bool MessageBubbleViewModel::hasVisibleContent() const
{
    if (isThinkingMessage())
        return true;
    // Looks for the first visible character rather than trimming a copy of a long answer.
    const QString text = displayText();
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return !c.isSpace(); });
}

QString MessageBubbleViewModel::effectiveClientName() const
{
    const std::optional<QString> stored = m_message ? m_message->clientDisplayName() : std::nullopt;
    if (stored && !stored->isEmpty()) {
        const QString name = *stored;
        QPointer<MessageBubbleViewModel> self(const_cast<MessageBubbleViewModel *>(this));
        MainQueue::post(self, [self, name] {
            if (self)
                self->associateTaskWithApp(name);
        });
        return name;
    }
    return m_clientDisplayName;
}

QString MessageBubbleViewModel::statusText() const
{
    if (m_isLoading)
        return m_currentStatusText.isEmpty() ? statusMessage(0, effectiveClientName()) : m_currentStatusText;
    return QStringLiteral("Completed talking to ") + effectiveClientName();
}

void MessageBubbleViewModel::startStatusTimer()
{
    stopStatusTimer();
    m_startTime = Scheduler::instance().now();
    setCurrentStatusText(statusMessage(0, effectiveClientName()));
    QPointer<MessageBubbleViewModel> self(this);
    m_statusTimer = Scheduler::instance().repeating(kStatusIntervalMs, this, [self] {
        MainQueue::post(self, [self] {
            if (self)
                self->updateStatus();
        });
    });
}

void MessageBubbleViewModel::stopStatusTimer()
{
    if (m_statusTimer) {
        Scheduler::instance().cancel(m_statusTimer);
        m_statusTimer = 0;
    }
}

void MessageBubbleViewModel::updateStatus()
{
    if (!m_startTime)
        return;
    const qint64 ms = m_startTime->msecsTo(Scheduler::instance().now());
    setCurrentStatusText(statusMessage(int(ms / 1000), effectiveClientName()));
}

void MessageBubbleViewModel::copyToClipboard()
{
    const QString text = displayText();
    const bool answer = m_message && m_message->messageType() == MessageType::Ai;
    const QString formatted = answer ? TextProcessingService::formatForMarkdown(text) : QString();
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (answer && !formatted.isEmpty())
        ClipboardService::copyRichText(text, formatted, clipboard);
    else
        clipboard->setText(text);

    m_showCopyFeedback = true;
    Q_EMIT showCopyFeedbackChanged();
    Scheduler::instance().singleShot(kCopyFeedbackMs, this, [this] {
        m_showCopyFeedback = false;
        Q_EMIT showCopyFeedbackChanged();
    });
}

void MessageBubbleViewModel::loadClientDisplayName()
{
    if (!m_message)
        return;
    const std::optional<QString> stored = m_message->clientDisplayName();
    if (stored && !stored->isEmpty())
        return;
    QPointer<MessageBubbleViewModel> self(this);
    auto finish = [self](const QString &name) {
        if (!self)
            return;
        self->setClientDisplayName(name);
        if (self->m_isLoading)
            self->updateStatus();
    };
    const std::optional<QString> toolName = m_message->toolName();
    if (!toolName) {
        finish(QString());
        return;
    }
    ToolClientLookup::lookUp(ToolClientLookup::toolName(*toolName), [finish](const std::optional<QString> &client) {
        finish(client ? ToolClientLookup::displayName(*client) : QString());
    });
}

void MessageBubbleViewModel::associateTaskWithApp()
{
    associateTaskWithApp(m_clientDisplayName);
}

void MessageBubbleViewModel::associateTaskWithApp(const QString &clientName)
{
    if (!m_message || !m_taskAssociationService || clientName.isEmpty() || clientName == QLatin1String("App"))
        return;
    TaskData *task = m_message->task();
    if (!task)
        return;
    m_taskAssociationService->associateApp(task, clientName);
}

QString MessageBubbleViewModel::statusMessage(int elapsedSeconds, const QString &clientName)
{
    const QString name = clientName.isEmpty() ? QStringLiteral("the app") : clientName;
    const int s = elapsedSeconds;
    if (s >= 0 && s <= 5)
        return QStringLiteral("Interacting with ") + name;
    if (s >= 6 && s <= 14)
        return QStringLiteral("Getting smart with ") + name;
    if (s >= 15 && s <= 21)
        return QStringLiteral("Doing a little AI Magic");
    if (s >= 22 && s <= 27)
        return QStringLiteral("Whispering to ") + name;
    if (s >= 28 && s <= 37)
        return QStringLiteral("Interacting with ") + name;
    // From 38 s the two long-wait texts alternate in 10 s blocks; a negative time reads as waiting.
    const int r = (s - 38) % 20;
    if (r <= 9)
        return QStringLiteral("Taking a bit longer than usual...");
    return QStringLiteral("Still working with ") + name + QStringLiteral("...");
}
