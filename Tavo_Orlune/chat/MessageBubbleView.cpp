#include "chat/MessageBubbleView.h"

#include "chat/MessageBubbleViewModel.h"
#include "chat/MessageContentView.h"
#include "chat/MessageStatusView.h"
#include "model/ChatMessageData.h"
#include "theme/Sizes.h"

#include <QResizeEvent>

namespace {
constexpr int kSpacing = 12; // the medium spacing step
}

MessageBubbleView::MessageBubbleView(ChatMessageData *message, std::optional<int> messageNumber, bool isLoading,
                                     MessageBubbleViewModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
    , m_messageNumber(messageNumber)
    , m_isLoading(isLoading)
    , m_viewModel(viewModel)
    // Exactly "user": a sender written in another case is not the user.
    , m_userSide(message && message->sender() == QLatin1String("user"))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_status = new MessageStatusView(message ? message->messageType() : MessageType::Ai, m_messageNumber, m_isLoading,
                                     std::nullopt, std::nullopt, false, this);
    m_content = new MessageContentView(m_viewModel, this);
    connect(m_viewModel, &MessageBubbleViewModel::currentStatusTextChanged, this, &MessageBubbleView::refreshStatus);
    connect(m_viewModel, &MessageBubbleViewModel::clientDisplayNameChanged, this, &MessageBubbleView::refreshStatus);
    refreshStatus();
    // The tool's client name is looked up each time the row comes on screen.
    if (m_viewModel->isToolResponse())
        m_viewModel->loadClientDisplayName();
}

bool MessageBubbleView::setRowFields(std::optional<int> messageNumber, bool isLoading)
{
    if (messageNumber == m_messageNumber && isLoading == m_isLoading)
        return false;
    m_messageNumber = messageNumber;
    m_isLoading = isLoading;
    refreshStatus();
    return true;
}

void MessageBubbleView::refresh()
{
    refreshStatus();
    m_content->refresh();
    place();
    updateGeometry();
}

void MessageBubbleView::refreshStatus()
{
    // The ring follows the row's current flag; the tool icon the view model's own, fixed when the
    // view model was made.
    const bool tool = m_viewModel->isToolResponse();
    const std::optional<QString> text = tool ? std::optional<QString>(m_viewModel->statusText()) : std::nullopt;
    const std::optional<QString> icon = tool
        ? std::optional<QString>(m_viewModel->isLoading() ? QStringLiteral("app.badge.fill")
                                                          : QStringLiteral("checkmark.circle.fill"))
        : std::nullopt;
    m_status->setFields(m_message ? m_message->messageType() : MessageType::Ai, m_messageNumber, m_isLoading, text,
                        icon, m_viewModel->isThinkingMessage());
    m_status->setVisible(m_status->hasAnswerRow() || m_status->hasToolRow());
    place();
    updateGeometry();
}

int MessageBubbleView::heightForWidth(int width) const
{
    int h = 0;
    if (!m_status->isHidden())
        h += m_status->sizeHint().height();
    const int content = m_content->heightForWidth(width);
    if (content > 0)
        h += (h > 0 ? kSpacing : 0) + content;
    return h;
}

int MessageBubbleView::layOutVisible(int top, int bottom)
{
    const int dy = m_content->y();
    return m_content->layOutVisible(top - dy, bottom - dy);
}

QSize MessageBubbleView::sizeHint() const
{
    const int w = width() > 0 ? width() : int(Sizes::panelContentWidth) - 40;
    return {w, heightForWidth(w)};
}

void MessageBubbleView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

bool MessageBubbleView::event(QEvent *event)
{
    // A child's size hint changed: place the children again and tell the list.
    if (event->type() == QEvent::LayoutRequest) {
        place();
        updateGeometry();
        return true;
    }
    return QWidget::event(event);
}

void MessageBubbleView::place()
{
    const int w = width();
    int y = 0;
    if (!m_status->isHidden()) {
        const QSize s = m_status->sizeHint();
        const int sw = std::min(w, s.width());
        m_status->setGeometry(m_userSide ? w - sw : 0, 0, sw, s.height());
        y = s.height();
    }
    const int content = m_content->heightForWidth(w);
    if (content > 0 && y > 0)
        y += kSpacing;
    m_content->setGeometry(0, y, w, content);
}
