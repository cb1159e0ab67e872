#pragma once
#include <QPointer>
#include <QWidget>

class AudioRecorderInterface;
class ChatMicrophoneMode;
class CircleChatButton;
class FlowerAnimationView;
class QLabel;

// The input panel's recording row: a close button, the audio-reactive flower over the label
// "Listening... Tap Flower to Finish", and a send button. The send button, a tap on the flower
// and Return finish the dictation; the close button drops it. The row takes the keyboard focus
// while it is shown so that Return reaches it.
class ChatMicrophoneRow : public QWidget {
    Q_OBJECT
public:
    static inline const QString listeningText = QStringLiteral("Listening... Tap Flower to Finish");

    // recorder feeds the flower (its level and whether "chat" records); not owned.
    ChatMicrophoneRow(ChatMicrophoneMode *mode, AudioRecorderInterface *recorder, QWidget *parent = nullptr);

    CircleChatButton *closeButton() const { return m_closeButton; }
    CircleChatButton *sendButton() const { return m_sendButton; }
    FlowerAnimationView *flower() const { return m_flower; }
    QLabel *label() const { return m_label; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void placeFlower();

    QPointer<ChatMicrophoneMode> m_mode;
    CircleChatButton *m_closeButton;
    CircleChatButton *m_sendButton;
    QWidget *m_flowerSlot;
    FlowerAnimationView *m_flower;
    QLabel *m_label;
};
