#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

class ChatMicrophoneMode;
class ChatMicrophoneRow;
class ChatViewModel;
class CircleChatButton;
class CustomToggle;
class ChatCoordinator;
class QTextEdit;
class QVariantAnimation;
class TaskData;

// The input panel that floats over the bottom of a task's chat. In text mode: a multi-line
// editor bound to the chat's messageText, whose height follows its text (44 to 150), and a row
// with the "Dynamic App" switch (stored on the task), a stop button while the task streams and
// one round button that dictates when the field is empty and sends otherwise. In microphone
// mode the recording row (ChatMicrophoneRow) takes the editor's place.
//
// Return sends the field as typed, Shift+Return adds a line. Sending goes through the
// coordinator (ChatCoordinator::handleChatMessage), which adds the user message and clears the
// field; the panel never adds the message itself.
//
// The chat view that hosts the panel calls cancelMicrophoneMode() when it hides the chat; the
// panel does so itself when it is hidden or destroyed.
class ChatInputPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal minEditorHeight = 44;
    static constexpr qreal maxEditorHeight = 150;
    // The embedded chat's width less four 16-point paddings.
    static constexpr qreal measuringWidth = 376 - 4 * 16;
    static constexpr int measuringFontPixels = 16;
    static constexpr int heightAnimationMs = 300;
    static constexpr qreal cornerRadius = 30.5;
    // How long the field shows why a dictation could not start.
    static constexpr int recordingErrorMs = 4000;

    ChatInputPanel(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
                   QWidget *parent = nullptr);
    ~ChatInputPanel() override;

    // The editor's height for a text: 44 when empty, else the text's height laid out 312 wide
    // in the 16-pixel system font plus 28, kept between 44 and 150.
    static qreal calculateTextEditorHeight(const QString &text);

    // The panel's actions.
    void sendMessage();
    void handlePrimaryButtonTap();
    void stopStreaming();
    void saveMiniAppSetting();
    void cancelMicrophoneMode();

    // State.
    qreal textEditorHeight() const { return m_textEditorHeight; }
    bool isMiniAppEnabled() const { return m_isMiniAppEnabled; }
    void setMiniAppEnabled(bool enabled);
    bool isMicrophoneMode() const;
    bool isTextFieldFocused() const { return m_isTextFieldFocused; }
    void setTextFieldFocused(bool focused);
    QString caller() const { return m_caller; }

    // Parts, for the host and for tests.
    QTextEdit *editor() const { return m_editor; }
    CircleChatButton *primaryButton() const { return m_primaryButton; }
    CircleChatButton *stopButton() const { return m_stopButton; }
    CustomToggle *miniAppSwitch() const { return m_miniAppSwitch; }
    ChatMicrophoneRow *microphoneRow() const { return m_microphoneRow; }
    ChatMicrophoneMode *microphoneMode() const { return m_microphoneMode; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onMessageTextChanged();
    void onEditorTextChanged();
    void setEditorText(const QString &text);
    void updateEditorHeight(bool animated);
    void updateStopButton();
    void showMode(bool microphone);

    QPointer<ChatViewModel> m_viewModel;
    QPointer<ChatCoordinator> m_mainViewModel;
    QPointer<TaskData> m_task;
    QString m_caller;

    qreal m_textEditorHeight = minEditorHeight;
    bool m_isMiniAppEnabled = false;
    bool m_isTextFieldFocused = false;
    bool m_syncingEditor = false;

    ChatMicrophoneMode *m_microphoneMode;
    QWidget *m_textContent;
    QWidget *m_editorFrame;
    QTextEdit *m_editor;
    CustomToggle *m_miniAppSwitch;
    CircleChatButton *m_stopButton;
    CircleChatButton *m_primaryButton;
    ChatMicrophoneRow *m_microphoneRow;
    QVariantAnimation *m_heightAnimation;
};
