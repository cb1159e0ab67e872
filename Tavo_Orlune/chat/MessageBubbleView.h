#pragma once
#include "Platform/Store/ModelHold.h"
#include "model/ChatMessageData.h"

#include <QWidget>
#include <optional>

class ChatMessageData;
class MessageBubbleViewModel;
class MessageContentView;
class MessageStatusView;

// One row of the chat: the message's status line above its body, both on the user's side for
// the user's messages and on the assistant's side otherwise. The view model belongs to the row
// (the list keeps it while the message is listed), so a row that is rebuilt keeps its state.
class MessageBubbleView : public QWidget {
    Q_OBJECT
public:
    MessageBubbleView(ChatMessageData *message, std::optional<int> messageNumber, bool isLoading,
                      MessageBubbleViewModel *viewModel, QWidget *parent = nullptr);

    // The list's view of the row at its latest layout; true when it changed.
    bool setRowFields(std::optional<int> messageNumber, bool isLoading);
    // Re-reads the message after its content changed.
    void refresh();

    ChatMessageData *message() const { return m_message; }
    std::optional<int> messageNumber() const { return m_messageNumber; }
    bool isLoading() const { return m_isLoading; }
    MessageBubbleViewModel *viewModel() const { return m_viewModel; }
    MessageStatusView *statusView() const { return m_status; }
    MessageContentView *contentView() const { return m_content; }
    bool alignedToUserSide() const { return m_userSide; }

    // Lays out the part of an answer's text that meets [top, bottom) (the row's coordinates);
    // returns by how much the row's height above `top` changed.
    int layOutVisible(int top, int bottom);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void refreshStatus();
    void place();

    // Held: the bubble may outlive the chat's own list by a turn.
    ModelHold<ChatMessageData> m_message;
    std::optional<int> m_messageNumber;
    bool m_isLoading;
    MessageBubbleViewModel *m_viewModel;
    MessageStatusView *m_status;
    MessageContentView *m_content;
    bool m_userSide;
};
