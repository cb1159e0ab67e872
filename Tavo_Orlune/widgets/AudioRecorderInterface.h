#pragma once
#include <QObject>
#include <QString>
#include <functional>

// What the flower (window and control) needs of the one microphone recorder of the process.
// Recording sources travel as their raw names: "flower", "panel", "canvas", "chat",
// "transcript", "unknown" (no recording runs). The recorder's own class implements this, or an
// adapter forwards to it; every signal fires on the main thread on a change of its value.
class AudioRecorderInterface : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isRecording() const = 0;
    virtual QString currentRecordingSource() const = 0;
    virtual bool isTranscribing() const = 0;

    // Refused (with a log line) while a recording runs.
    virtual void startRecording(const QString &source) = 0;
    // Stops the recording and transcribes it; completion runs once on the main thread when the
    // transcription has ended (also when the stop is refused). A source name that matches no
    // source counts as "unknown" and is never refused.
    virtual void stopRecording(std::function<void()> completion, const QString &sourceName) = 0;

Q_SIGNALS:
    void isRecordingChanged(bool recording);
    void currentRecordingSourceChanged(const QString &source);
    void isTranscribingChanged(bool transcribing);
    // The microphone level, 0...1: one value per meter tick while recording, 0 when it stops.
    void audioLevel(float level);
    // A recording asked for by source could not start; message is for the user.
    void recordingFailed(const QString &source, const QString &message);
};
