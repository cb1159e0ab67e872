#pragma once
#include "voice/GroqService.h"
#include "voice/RecordingSource.h"

#include "Platform/Audio/AudioCaptureBackend.h"

#include <QObject>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The one microphone recorder of the process. A recording belongs to the surface that started
// it; a stop hands the file to the speech-to-text client, publishes the text as transcription
// and posts "TranscriptionCompleted". Lives on the main thread.
class AudioManagerService : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString transcription READ transcription NOTIFY transcriptionChanged)
    Q_PROPERTY(bool isTranscribing READ isTranscribing NOTIFY isTranscribingChanged)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
public:
    // The application's instance (Qt Multimedia and the configured service); made on first use
    // on the main thread and kept for the life of the process.
    static AudioManagerService &shared();

    AudioManagerService(std::unique_ptr<AudioCaptureBackend> backend, std::unique_ptr<GroqService> groqService, QObject *parent = nullptr);
    ~AudioManagerService() override;

    void startRecording(RecordingSource source);
    // The completion runs exactly once: at once when the stop is refused, else after the text
    // (or the failure) has been published and the file deleted. callerName is passed on as the
    // notification's "source".
    void stopRecording(std::function<void()> completion, const QString &callerName);
    void cancelRecording(RecordingSource source);
    // Empties transcription on the next main-queue turn.
    void clearTranscription();

    RecordingSource currentRecordingSource() const { return m_currentRecordingSource; }
    QString transcription() const { return m_transcription; }
    bool isTranscribing() const { return m_isTranscribing; }
    bool isRecording() const { return m_isRecording; }
    // The file of the current recording, empty when none is held.
    QString recordingPath() const { return m_recordingPath; }
    AudioRecorder *audioRecorder() const { return m_audioRecorder.get(); }
    bool isAboveThreshold() const { return m_isAboveThreshold; }
    GroqService *groqService() const { return m_groqService.get(); }

    static AudioRecorderSettings recorderSettings();
    // Whether a stop or cancel from requested is turned away while current owns the recording.
    static bool isRefused(bool isRecording, RecordingSource requested, RecordingSource current);
    // The published level for a meter reading in dB, updating the hysteresis state.
    static float levelForPower(float powerDb, bool &isAboveThreshold);

    static constexpr int kLevelIntervalMs = 100;
    static inline const QString kErrorDomain = QStringLiteral("AudioManagerService");
    static inline const QString kTranscriptionCompleted = QStringLiteral("TranscriptionCompleted");
    static inline const QString kTranscriptionFailedText = QStringLiteral("Error during transcription.");

Q_SIGNALS:
    void currentRecordingSourceChanged(RecordingSource source);
    void transcriptionChanged(const QString &transcription);
    void isTranscribingChanged(bool isTranscribing);
    void isRecordingChanged(bool isRecording);
    // The live input level, 0 to 1, once per meter tick while recording.
    void audioLevel(float level);
    // A recording asked for by source could not start (no permission, no device); the
    // message is for the user, shown where the recording was asked for.
    void recordingFailed(RecordingSource source, const QString &message);

private:
    void setCurrentRecordingSource(RecordingSource source);
    void setTranscription(const QString &text);
    void setIsTranscribing(bool value);
    void setIsRecording(bool value);

    void beginRecording();
    void startLevelMonitoring();
    void updateAudioLevel();
    void stopLevelMonitoring();
    void stopRecordingInternal(bool transcribe, std::function<void()> completion, const QString &callerName);
    void finishWithoutTranscription(std::function<void()> completion);
    void transcribeRecording(const QString &path, const QString &callerName, std::function<void()> completion);
    void handleTranscriptionSuccess(const QString &text, const QString &path, const QString &callerName, std::function<void()> completion);
    void handleTranscriptionFailure(const QString &description, const QString &path, std::function<void()> completion);
    void finishTranscription(const QString &path, std::function<void()> completion);
    void deleteTemporaryFile(const std::optional<QString> &path = std::nullopt);
    void reportError(int code, const QString &text);
    void retireRecorder();
    void onRecorderFinished(AudioRecorder *recorder, bool successfully);
    void onRecorderEncodeError(AudioRecorder *recorder, const QString &error);
    QString newRecordingPath() const;

    std::unique_ptr<AudioCaptureBackend> m_backend;
    std::unique_ptr<AudioRecorder> m_audioRecorder;
    // Earlier recorders still finishing their files.
    std::vector<std::unique_ptr<AudioRecorder>> m_finishingRecorders;
    QString m_recordingPath;
    quint64 m_levelTimer = 0;
    bool m_isAboveThreshold = false;
    std::unique_ptr<GroqService> m_groqService;
    RecordingSource m_currentRecordingSource = RecordingSource::unknown;
    QString m_transcription;
    bool m_isTranscribing = false;
    bool m_isRecording = false;
    // Files handed to the speech-to-text client and not yet cleaned up: they belong to their
    // transcription, not to whatever recording comes next.
    QSet<QString> m_transcribingPaths;
};
