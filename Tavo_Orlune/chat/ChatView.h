#pragma once
#include "model/TaskData.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class ChatMessageData;
class ChatMessageList;
class ChatViewModel;
class ChatCoordinator;
class QVariantAnimation;

// The conversation of one task: the scrolling list of its messages as bubbles, with the input
// panel floating over the list's bottom edge. It renders what the task's ChatViewModel publishes
// and keeps the list scrolled to the newest content while it arrives, unless the user scrolled
// away from the bottom.
//
// The host binds its visibility with setChatVisible (which drives the show and hide animation)
// and hands in the input panel with setInputPanel. The two callbacks are kept for the host; the
// chat view itself never calls them.
class ChatView : public QWidget {
    Q_OBJECT
public:
    ChatView(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
             std::function<void()> onAddTask, std::function<void()> onCollapsePanel, QWidget *parent = nullptr);
    ~ChatView() override;

    // The host's visibility binding: true reveals the chat (spring), false cancels the microphone
    // mode and fades the chat out while shrinking it to 0.9.
    void setChatVisible(bool visible);
    bool isChatVisible() const { return m_isVisible; }

    // The input panel floats over the list's bottom edge; the list keeps 0.8 of the panel's
    // height free under its last row, measured again whenever the panel resizes.
    void setInputPanel(QWidget *panel);
    QWidget *inputPanel() const { return m_inputPanel; }

    ChatViewModel *viewModel() const { return m_viewModel; }
    ChatCoordinator *mainViewModel() const { return m_mainViewModel; }
    TaskData *task() const { return m_task; }
    QString caller() const { return m_caller; }
    const std::function<void()> &onAddTask() const { return m_onAddTask; }
    const std::function<void()> &onCollapsePanel() const { return m_onCollapsePanel; }
    ChatMessageList *messageList() const { return m_list; }

    qreal animationScale() const { return m_animationScale; }
    qreal animationOpacity() const { return m_animationOpacity; }
    qreal inputAreaHeight() const { return m_inputAreaHeight; }
    bool shouldAutoScroll() const { return m_shouldAutoScroll; }
    bool userInterruptedAutoScroll() const { return m_userInterruptedAutoScroll; }
    int bottomSpacerHeight() const;
    // The last message's identity and answer text: changes whenever a streamed answer grows.
    QString lastMessageTextKey() const;

    // Whether the message is still being produced: the streamed reply, the active reasoning
    // message or the tool output being filled.
    bool isMessageLoading(const ChatMessageData *message) const;

public Q_SLOTS:
    // Scrolls to the bottom anchor whatever the auto-scroll state says (0.3 s ease-out when
    // animated), on the next main-thread turn.
    void scrollToBottom(bool animated = true);
    // Scrolls to the bottom when auto-scroll is armed and the user has not scrolled away.
    void scrollToBottomIfAllowed();
    // Arms auto-scroll for new content: the anchor grows to 100 so growth keeps it in view.
    void armAutoScroll();
    // Disarms auto-scroll and shrinks the anchor to 10.
    void resetAutoScrollState();
    // The user scrolled the bottom anchor out of view: automatic scrolling stops until it is
    // back in view.
    void handleUserScrollInterruption();

Q_SIGNALS:
    // The input panel leaves its microphone mode (the chat was hidden or went away).
    void cancelMicrophoneModeRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onMessagesChanged();
    void onMessageUpdated(int row);
    void onStreamingCompleted();
    void checkStreamingMessage();
    void checkLastMessageKey();
    // Takes the last message's key as seen now; true when it differs from the one seen before.
    bool lastMessageKeyChanged();
    void cancelMicrophoneMode();
    void placeChildren();
    void measureInputPanel();
    void setBottomSpacerHeight(int height, bool animated = false);
    void animateAppearance(qreal scale, qreal opacity, double response, double damping);
    void applyAppearance();

    // The coordinator owns the chat state and may drop it first.
    QPointer<ChatViewModel> m_viewModel;
    ChatCoordinator *m_mainViewModel;
    QPointer<TaskData> m_task;
    QString m_caller;
    std::function<void()> m_onAddTask;
    std::function<void()> m_onCollapsePanel;

    ChatMessageList *m_list;
    QPointer<QWidget> m_inputPanel;
    QVariantAnimation *m_appearance;
    QVariantAnimation *m_spacerAnimation;

    bool m_isVisible = false;
    qreal m_animationScale = 0.8;
    qreal m_animationOpacity = 0;
    qreal m_fromScale = 0.8;
    qreal m_fromOpacity = 0;
    qreal m_toScale = 1;
    qreal m_toOpacity = 1;
    qreal m_inputAreaHeight = 0;
    bool m_shouldAutoScroll = true;
    bool m_userInterruptedAutoScroll = false;
    bool m_appeared = false;

    qsizetype m_lastCount = -1;
    // The last message's identity and text when last seen: compared, not joined into one string,
    // so a long answer's growth is seen without copying it.
    QString m_lastKeyId;
    QString m_lastKeyText;
    ChatMessageData *m_lastStreaming = nullptr;
};
