#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

class ChatViewModel;
class ChatCoordinator;

// The dictation face of a chat's input panel: entering it starts a recording under the source
// "chat" on the coordinator's recorder, finishing it puts the trimmed transcript into the
// chat's text field (nothing is sent), closing it throws the recording away. The panel shows
// the recording row while isMicrophoneMode() is true.
//
//   enter()                      primary button with an empty field: the mode opens at once,
//                                the recording starts 0.1 s later, focus 0.4 s later
//   stopRecordingAndTranscribe() send button, flower tap or Return in the recording row
//   close()                      close button: the recording is cancelled
//   cancel()                     the chat is hidden or goes away: cancelled, no animation
//   "resetMicrophoneMode"        the coordinator has already dealt with the recorder: the mode
//                                just closes
//
// The delayed start runs only if the same opening of the mode is still under way when it is
// due: a close, cancel, reset or finish within those 0.1 s leaves the microphone off.
// Main thread only; timing through Scheduler.
class ChatMicrophoneMode : public QObject {
    Q_OBJECT
public:
    static constexpr int recordingStartDelayMs = 100;
    static constexpr int enterFocusDelayMs = 400;
    static constexpr int leaveFocusDelayMs = 350;
    static inline const QString stopSourceName = QStringLiteral("ChatView");

    ChatMicrophoneMode(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, const QString &caller, QObject *parent = nullptr);
    ~ChatMicrophoneMode() override;

    bool isMicrophoneMode() const { return m_isMicrophoneMode; }

    void enter();
    void startRecording();
    void stopRecordingAndTranscribe();
    void applyTranscription(const QString &text);
    void close();
    void cancel();
    void reset();

Q_SIGNALS:
    void microphoneModeChanged(bool on, bool animated);
    // The recording this mode asked for could not start; the mode has been left.
    void recordingFailed(const QString &message);
    // The text field (or, in the mode, the recording row) should take the keyboard focus.
    void focusRequested();

private:
    void setMicrophoneMode(bool on, bool animated);
    void requestFocusAfter(int ms);
    void trackVoiceRecording(const QString &action);

    QPointer<ChatViewModel> m_viewModel;
    QPointer<ChatCoordinator> m_mainViewModel;
    QString m_caller;
    bool m_isMicrophoneMode = false;
    // Counts openings and endings of the mode; a delayed start belongs to one opening.
    quint64 m_opening = 0;
    // A finish was asked for in this opening; further ones would hand over a stale transcript.
    bool m_finishing = false;
};
