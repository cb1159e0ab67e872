#include "chat/ChatView.h"

#include "chat/ChatMessageList.h"
#include "chat/ChatViewModel.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "Platform/SpringEasing.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "theme/BackgroundModifiers.h"
#include "theme/ScaleEffect.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QVariantAnimation>

namespace {
constexpr qreal kPadding = 1.5;
constexpr qreal kCornerRadius = 32;
constexpr int kListBottomPadding = 16;
constexpr int kSpacerArmed = 100;
constexpr int kSpacerAtRest = 10;
constexpr qint64 kAppearDelayMs = 100;
constexpr qint64 kListAppearScrollMs = 300;
constexpr qint64 kDisarmDelayMs = 300;
constexpr int kEaseMs = 300;
const QString kAppearanceChannel = QStringLiteral("chatAppearance");
}

ChatView::ChatView(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
                   std::function<void()> onAddTask, std::function<void()> onCollapsePanel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_mainViewModel(mainViewModel)
    , m_task(task)
    , m_caller(caller)
    , m_onAddTask(std::move(onAddTask))
    , m_onCollapsePanel(std::move(onCollapsePanel))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_list = new ChatMessageList(viewModel ? viewModel->taskAssociationService() : nullptr, this);
    m_list->setFieldsProvider([this](ChatMessageData *m) {
        ChatMessageList::RowFields f;
        f.messageNumber = m_viewModel ? m_viewModel->stepNumber(m) : std::nullopt;
        f.isLoading = isMessageLoading(m);
        return f;
    });
    m_list->setBottomSpacerHeight(kSpacerArmed);
    connect(m_list, &ChatMessageList::anchorAppeared, this, [this] {
        Log::line(QStringLiteral("User interrupted auto-scroll on appear"));
        MainQueue::post(this, [this] {
            m_userInterruptedAutoScroll = false;
            m_shouldAutoScroll = true;
            setBottomSpacerHeight(kSpacerAtRest);
        });
    });
    connect(m_list, &ChatMessageList::anchorDisappeared, this, [this] {
        Log::line(QStringLiteral("User interrupted auto-scroll on disappear"));
        handleUserScrollInterruption();
    });

    m_appearance = new QVariantAnimation(this);
    connect(m_appearance, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        const double p = v.toDouble();
        m_animationScale = m_fromScale + (m_toScale - m_fromScale) * p;
        m_animationOpacity = std::clamp(m_fromOpacity + (m_toOpacity - m_fromOpacity) * p, 0.0, 1.0);
        applyAppearance();
    });
    connect(m_appearance, &QVariantAnimation::finished, this, [this] {
        m_animationScale = m_toScale;
        m_animationOpacity = m_toOpacity;
        applyAppearance();
    });
    m_spacerAnimation = new QVariantAnimation(this);
    m_spacerAnimation->setDuration(kEaseMs);
    m_spacerAnimation->setEasingCurve(QEasingCurve::OutQuad);
    connect(m_spacerAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { m_list->setBottomSpacerHeight(v.toInt()); });

    if (m_viewModel) {
        m_viewModel->attachView(this); // the chat is kept while a view shows it
        connect(m_viewModel, &ChatViewModel::messagesChanged, this, &ChatView::onMessagesChanged);
        connect(m_viewModel, &ChatViewModel::messageUpdated, this, &ChatView::onMessageUpdated);
        connect(m_viewModel, &ChatViewModel::streamingCompleted, this, &ChatView::onStreamingCompleted);
        connect(m_viewModel, &ChatViewModel::currentToolResponseChanged, m_list, &ChatMessageList::refreshRowFields);
        m_list->setMessages(m_viewModel->messages());
        m_lastCount = m_viewModel->messages().size();
        lastMessageKeyChanged();
        m_lastStreaming = m_viewModel->streamingMessage();
    }
    applyAppearance();
}

ChatView::~ChatView() = default;

// --- Host bindings ----------------------------------------------------------------------------

void ChatView::setChatVisible(bool visible)
{
    if (visible == m_isVisible)
        return;
    m_isVisible = visible;
    if (visible) {
        animateAppearance(1, 1, 0.5, 0.7);
    } else {
        cancelMicrophoneMode();
        animateAppearance(0.9, 0, 0.4, 0.8);
    }
}

void ChatView::setInputPanel(QWidget *panel)
{
    if (m_inputPanel == panel)
        return;
    if (m_inputPanel)
        m_inputPanel->removeEventFilter(this);
    m_inputPanel = panel;
    if (panel) {
        panel->setParent(this);
        panel->installEventFilter(this);
        panel->raise();
        panel->show();
    }
    placeChildren();
    measureInputPanel();
}

int ChatView::bottomSpacerHeight() const
{
    return m_spacerAnimation->state() == QAbstractAnimation::Running ? m_spacerAnimation->endValue().toInt()
                                                                      : m_list->bottomSpacerHeight();
}

QString ChatView::lastMessageTextKey() const
{
    if (!m_viewModel || m_viewModel->messages().isEmpty())
        return QString();
    const ChatMessageData *last = m_viewModel->messages().constLast();
    return last->persistentModelID().toString() + QLatin1Char('-') + last->aiFinalReplyText().value_or(QString());
}

bool ChatView::lastMessageKeyChanged()
{
    QString id;
    QString text;
    if (m_viewModel && !m_viewModel->messages().isEmpty()) {
        const ChatMessageData *last = m_viewModel->messages().constLast();
        id = last->persistentModelID().toString();
        text = last->aiFinalReplyText().value_or(QString());
    }
    // Texts of different lengths differ at once; the same shared text is the same.
    const bool same = id == m_lastKeyId && text.size() == m_lastKeyText.size()
        && (text.isSharedWith(m_lastKeyText) || text == m_lastKeyText);
    m_lastKeyId = id;
    m_lastKeyText = text;
    return !same;
}

bool ChatView::isMessageLoading(const ChatMessageData *message) const
{
    if (!m_viewModel || !message)
        return false;
    if (message == m_viewModel->streamingMessage())
        return true;
    const std::optional<PersistentIdentifier> thinking = m_viewModel->activeThinkingMessageID();
    if (thinking && *thinking == message->persistentModelID())
        return true;
    return message->messageType() == MessageType::ToolResponse && message == m_viewModel->currentToolResponse();
}

// --- Auto-scroll ------------------------------------------------------------------------------

void ChatView::scrollToBottom(bool animated)
{
    m_list->requestScrollToBottom(animated);
}

void ChatView::scrollToBottomIfAllowed()
{
    if (m_shouldAutoScroll && !m_userInterruptedAutoScroll)
        m_list->requestScrollToBottom(true);
}

void ChatView::armAutoScroll()
{
    m_shouldAutoScroll = true;
    setBottomSpacerHeight(kSpacerArmed);
}

void ChatView::resetAutoScrollState()
{
    m_shouldAutoScroll = false;
    setBottomSpacerHeight(kSpacerAtRest);
}

void ChatView::handleUserScrollInterruption()
{
    if (m_userInterruptedAutoScroll)
        return;
    m_userInterruptedAutoScroll = true;
    m_shouldAutoScroll = false;
    resetAutoScrollState();
}

void ChatView::setBottomSpacerHeight(int height, bool animated)
{
    m_spacerAnimation->stop();
    if (!animated || !isVisible()) {
        m_list->setBottomSpacerHeight(height);
        return;
    }
    m_spacerAnimation->setStartValue(m_list->bottomSpacerHeight());
    m_spacerAnimation->setEndValue(height);
    m_spacerAnimation->start();
}

// --- The chat state's changes -----------------------------------------------------------------

// The scroll rules run before the list takes the change, so a scroll to the bottom is under way
// when the new content pushes the anchor down and that push is not taken for the user's.
void ChatView::onMessagesChanged()
{
    if (!m_viewModel)
        return;
    const qsizetype count = m_viewModel->messages().size();
    if (count != m_lastCount) {
        m_lastCount = count;
        Log::line(QStringLiteral("[ChatView] messages.count changed: true, userInterrupted: ")
                  + (m_userInterruptedAutoScroll ? QStringLiteral("true") : QStringLiteral("false")));
        armAutoScroll();
        scrollToBottomIfAllowed();
    }
    checkLastMessageKey();
    checkStreamingMessage();
    m_list->setMessages(m_viewModel->messages());
    m_list->refreshRowFields();
}

void ChatView::onMessageUpdated(int row)
{
    if (!m_viewModel)
        return;
    checkLastMessageKey();
    checkStreamingMessage();
    m_list->messageChanged(row);
    m_list->refreshRowFields();
}

void ChatView::checkLastMessageKey()
{
    if (!lastMessageKeyChanged())
        return;
    Log::line(QStringLiteral("[ChatView] lastMessageTextKey changed. StreamingMessageId:"));
    armAutoScroll();
    scrollToBottomIfAllowed();
}

void ChatView::checkStreamingMessage()
{
    ChatMessageData *streaming = m_viewModel ? m_viewModel->streamingMessage() : nullptr;
    if (streaming == m_lastStreaming)
        return;
    m_lastStreaming = streaming;
    Log::line(QStringLiteral("[ChatView] streamingMessageId changed to:"));
    if (streaming)
        armAutoScroll();
}

void ChatView::onStreamingCompleted()
{
    Log::line(QStringLiteral("[ChatView] streamingCompleted changed: true – final auto-scroll then disable"));
    m_list->refreshRowFields();
    scrollToBottomIfAllowed();
    Scheduler::instance().singleShot(kDisarmDelayMs, this, [this] {
        m_shouldAutoScroll = false;
        setBottomSpacerHeight(kSpacerAtRest, true);
    });
}

void ChatView::cancelMicrophoneMode()
{
    Q_EMIT cancelMicrophoneModeRequested();
}

// --- Appearance -------------------------------------------------------------------------------

void ChatView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    m_animationScale = 0.8;
    m_animationOpacity = 0;
    m_userInterruptedAutoScroll = false;
    m_appearance->stop();
    applyAppearance();
    Scheduler::instance().singleShot(kAppearDelayMs, this, [this] { animateAppearance(1, 1, 0.5, 0.7); });

    Log::line(QStringLiteral("[ChatView] onAppear"));
    Scheduler::instance().singleShot(kListAppearScrollMs, this, [this] { scrollToBottom(true); });
    m_list->relayout();
}

void ChatView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    cancelMicrophoneMode();
    resetAutoScrollState();
}

void ChatView::animateAppearance(qreal scale, qreal opacity, double response, double damping)
{
    m_appearance->stop();
    m_fromScale = m_animationScale;
    m_fromOpacity = m_animationOpacity;
    m_toScale = scale;
    m_toOpacity = opacity;
    m_appearance->setStartValue(0.0);
    m_appearance->setEndValue(1.0);
    Spring{response, damping}.apply(m_appearance);
    m_appearance->start();
}

void ChatView::applyAppearance()
{
    // The effect is shared with whoever else scales this view (the panel's exit); it goes once
    // every channel is at rest, so a shown chat paints straight to the screen.
    ScaleEffect *effect = ScaleEffect::of(this);
    effect->setScale(kAppearanceChannel, m_animationScale);
    effect->setOpacity(kAppearanceChannel, m_animationOpacity);
    ScaleEffect::releaseIfIdle(this);
}

// --- Geometry ---------------------------------------------------------------------------------

void ChatView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

bool ChatView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_inputPanel) {
        if (event->type() == QEvent::LayoutRequest)
            placeChildren();
        else if (event->type() == QEvent::Resize)
            measureInputPanel();
    }
    return QWidget::eventFilter(watched, event);
}

void ChatView::placeChildren()
{
    const QRect inner = QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding).toAlignedRect().adjusted(1, 1, -1, -1);
    m_list->setGeometry(inner.x(), inner.y(), inner.width(), std::max(0, inner.height() - kListBottomPadding));
    if (m_inputPanel) {
        const int w = inner.width();
        int h = m_inputPanel->hasHeightForWidth() ? m_inputPanel->heightForWidth(w) : m_inputPanel->sizeHint().height();
        if (h < 0)
            h = m_inputPanel->height();
        h = std::clamp(h, m_inputPanel->minimumHeight(), m_inputPanel->maximumHeight());
        m_inputPanel->setGeometry(inner.x(), inner.bottom() + 1 - h, w, h);
    }
}

void ChatView::measureInputPanel()
{
    const qreal target = m_inputPanel ? 0.8 * m_inputPanel->height() : 0;
    if (qFuzzyCompare(target + 1, m_inputAreaHeight + 1))
        return;
    MainQueue::post(this, [this, target] {
        m_inputAreaHeight = target;
        m_list->setBottomPadding(int(std::lround(target)));
    });
}

void ChatView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    p.setClipPath(clip);
    PanelBackgroundModifier::paint(p, QRectF(rect()));
}
