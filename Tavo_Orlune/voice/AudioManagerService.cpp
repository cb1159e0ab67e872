#include "voice/AudioManagerService.h"

#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Audio/QtAudioCaptureBackend.h"
#include "Platform/Scheduler.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <cmath>

namespace {
// How long a transcription waits for the recorder to finish writing its file.
constexpr int kFinalizeWaitMs = 5000;
}

AudioManagerService &AudioManagerService::shared()
{
    static AudioManagerService *instance =
        new AudioManagerService(std::make_unique<QtAudioCaptureBackend>(), std::make_unique<GroqService>());
    return *instance;
}

AudioManagerService::AudioManagerService(std::unique_ptr<AudioCaptureBackend> backend, std::unique_ptr<GroqService> groqService, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_groqService(std::move(groqService))
{
}

AudioManagerService::~AudioManagerService()
{
    Scheduler::instance().cancel(m_levelTimer);
    if (m_audioRecorder) {
        m_audioRecorder->disconnect(this);
        m_audioRecorder->stop();
    }
    for (const auto &recorder : m_finishingRecorders)
        recorder->disconnect(this);
    // The recorders go first, while the rest of the service is whole: Qt Multimedia's audio
    // source runs a nested event loop when it is destroyed, and work queued for this service
    // (a cleared transcription, say) runs in it.
    m_audioRecorder.reset();
    m_finishingRecorders.clear();
    // Nothing this service recorded outlives it.
    if (!m_recordingPath.isEmpty())
        QFile::remove(m_recordingPath);
    for (const QString &path : std::as_const(m_transcribingPaths))
        QFile::remove(path);
}

AudioRecorderSettings AudioManagerService::recorderSettings()
{
    AudioRecorderSettings settings;
    settings.sampleRate = 44100;
    settings.channels = 1;
    settings.encoderQuality = 96;
    return settings;
}

bool AudioManagerService::isRefused(bool isRecording, RecordingSource requested, RecordingSource current)
{
    return isRecording && requested != current && requested != RecordingSource::unknown && current != RecordingSource::unknown;
}

float AudioManagerService::levelForPower(float powerDb, bool &isAboveThreshold)
{
    if (powerDb > -35.0f)
        isAboveThreshold = true;
    else if (powerDb < -40.0f)
        isAboveThreshold = false;
    if (!isAboveThreshold)
        return 0.0f;
    return std::min(std::pow(10.0f, powerDb / 40.0f), 1.0f);
}

void AudioManagerService::setCurrentRecordingSource(RecordingSource source)
{
    if (m_currentRecordingSource == source)
        return;
    m_currentRecordingSource = source;
    Q_EMIT currentRecordingSourceChanged(source);
}

void AudioManagerService::setTranscription(const QString &text)
{
    if (m_transcription == text)
        return;
    m_transcription = text;
    Q_EMIT transcriptionChanged(text);
}

void AudioManagerService::setIsTranscribing(bool value)
{
    if (m_isTranscribing == value)
        return;
    m_isTranscribing = value;
    Q_EMIT isTranscribingChanged(value);
}

void AudioManagerService::setIsRecording(bool value)
{
    if (m_isRecording == value)
        return;
    m_isRecording = value;
    Q_EMIT isRecordingChanged(value);
}

QString AudioManagerService::newRecordingPath() const
{
    const QString seconds = QString::number(Scheduler::instance().nowSecondsSince1970(), 'g', QLocale::FloatingPointShortest);
    const QString base = AppPaths::tempDir() + QStringLiteral("/recording-") + seconds;
    QString path = base + QStringLiteral(".m4a");
    // Two recordings within the same instant still get files of their own.
    for (int n = 2; QFileInfo::exists(path) || path == m_recordingPath || m_transcribingPaths.contains(path); ++n)
        path = base + QLatin1Char('-') + QString::number(n) + QStringLiteral(".m4a");
    return path;
}

void AudioManagerService::startRecording(RecordingSource source)
{
    if (m_isRecording) {
        Log::line(QStringLiteral("⚠️ Recording already in progress from source: ") + RecordingSources::rawValue(m_currentRecordingSource));
        return;
    }
    setCurrentRecordingSource(source);
    Log::line(QStringLiteral("🎙️ Starting recording from source: ") + RecordingSources::rawValue(source));

    QPointer<AudioManagerService> self(this);
    m_backend->requestAccess(this, [self](bool granted) {
        if (!self)
            return;
        MainQueue::post(self, [self, granted] {
            if (!granted) {
                self->reportError(1, QStringLiteral("Microphone permission denied."));
                return;
            }
            self->beginRecording();
        });
    });
}

void AudioManagerService::beginRecording()
{
    // A second answer to overlapping starts must not replace the recording under way.
    if (m_isRecording)
        return;
    // A file still held from a recording that never began is ours to delete; one under
    // transcription belongs to that transcription.
    if (!m_recordingPath.isEmpty() && !m_transcribingPaths.contains(m_recordingPath))
        deleteTemporaryFile();

    m_recordingPath = newRecordingPath();
    QString error;
    std::unique_ptr<AudioRecorder> recorder = m_backend->createRecorder(m_recordingPath, recorderSettings(), &error);
    if (!recorder) {
        Log::line(QStringLiteral("Error starting recording: ") + error);
        const RecordingSource source = m_currentRecordingSource;
        stopRecordingInternal(false, nullptr, QStringLiteral("unknown"));
        Q_EMIT recordingFailed(source, QStringLiteral("The recording could not start: ") + error);
        return;
    }
    AudioRecorder *r = recorder.get();
    connect(r, &AudioRecorder::didFinishRecording, this, [this, r](bool ok) { onRecorderFinished(r, ok); });
    connect(r, &AudioRecorder::encodeErrorDidOccur, this, [this, r](const QString &e) { onRecorderEncodeError(r, e); });
    retireRecorder();
    m_audioRecorder = std::move(recorder);

    if (!m_audioRecorder->prepareToRecord()) {
        reportError(5, QStringLiteral("Audio recorder failed to prepare."));
        return;
    }
    m_audioRecorder->record();
    setIsRecording(true);
    MainQueue::post(this, [this] { setTranscription(QString()); });
    Log::line(QStringLiteral("Recording started successfully. Saving temporarily to: ") + m_recordingPath);
    startLevelMonitoring();
}

void AudioManagerService::retireRecorder()
{
    if (!m_audioRecorder)
        return;
    m_audioRecorder->disconnect(this);
    if (m_audioRecorder->isFinalized()) {
        m_audioRecorder.reset();
        return;
    }
    // Still writing its file: kept until the file is complete.
    AudioRecorder *r = m_audioRecorder.get();
    connect(r, &AudioRecorder::finalized, this, [this, r] {
        for (auto it = m_finishingRecorders.begin(); it != m_finishingRecorders.end(); ++it) {
            if (it->get() == r) {
                it->release()->deleteLater();
                m_finishingRecorders.erase(it);
                return;
            }
        }
    });
    m_finishingRecorders.push_back(std::move(m_audioRecorder));
}

void AudioManagerService::startLevelMonitoring()
{
    Scheduler::instance().cancel(m_levelTimer);
    m_levelTimer = Scheduler::instance().repeating(kLevelIntervalMs, this, [this] { updateAudioLevel(); });
}

void AudioManagerService::updateAudioLevel()
{
    if (!m_audioRecorder || !m_audioRecorder->isRecording()) {
        stopLevelMonitoring();
        return;
    }
    m_audioRecorder->updateMeters();
    Q_EMIT audioLevel(levelForPower(m_audioRecorder->averagePower(0), m_isAboveThreshold));
}

void AudioManagerService::stopLevelMonitoring()
{
    Scheduler::instance().cancel(m_levelTimer);
    m_levelTimer = 0;
    m_isAboveThreshold = false;
    Q_EMIT audioLevel(0.0f);
}

void AudioManagerService::stopRecording(std::function<void()> completion, const QString &callerName)
{
    const RecordingSource requested = RecordingSources::fromName(callerName);
    if (isRefused(m_isRecording, requested, m_currentRecordingSource)) {
        Log::line(QStringLiteral("⚠️ Cannot stop recording: source ") + callerName + QStringLiteral(" didn't initiate recording (current source: ")
                  + RecordingSources::rawValue(m_currentRecordingSource) + u')');
        if (completion)
            completion();
        return;
    }
    stopRecordingInternal(true, std::move(completion), callerName);
}

void AudioManagerService::cancelRecording(RecordingSource source)
{
    Log::line(QStringLiteral("🎙️ Cancelling recording from source: ") + RecordingSources::rawValue(source));
    if (isRefused(m_isRecording, source, m_currentRecordingSource)) {
        Log::line(QStringLiteral("⚠️ Cannot cancel recording: source ") + RecordingSources::rawValue(source)
                  + QStringLiteral(" didn't initiate recording (current source: ") + RecordingSources::rawValue(m_currentRecordingSource) + u')');
        return;
    }
    stopRecordingInternal(false, nullptr, QStringLiteral("unknown"));
}

void AudioManagerService::clearTranscription()
{
    MainQueue::post(this, [this] {
        setTranscription(QString());
        Log::line(QStringLiteral("Transcription Cleared"));
    });
}

void AudioManagerService::stopRecordingInternal(bool transcribe, std::function<void()> completion, const QString &callerName)
{
    if (m_audioRecorder)
        m_audioRecorder->stop();
    Scheduler::instance().cancel(m_levelTimer);
    m_levelTimer = 0;
    m_isAboveThreshold = false;
    Q_EMIT audioLevel(0.0f);
    setIsRecording(false);
    setCurrentRecordingSource(RecordingSource::unknown);
    Log::line(QStringLiteral("Recording stopped. Success: ") + (transcribe ? QStringLiteral("true") : QStringLiteral("false")));

    // A file already under transcription is not sent a second time.
    if (transcribe && !m_recordingPath.isEmpty() && !m_transcribingPaths.contains(m_recordingPath))
        transcribeRecording(m_recordingPath, callerName, std::move(completion));
    else
        finishWithoutTranscription(std::move(completion));
}

void AudioManagerService::finishWithoutTranscription(std::function<void()> completion)
{
    MainQueue::post(this, [this] {
        setTranscription(QString());
        setIsTranscribing(!m_transcribingPaths.isEmpty());
    });
    if (!m_transcribingPaths.contains(m_recordingPath))
        deleteTemporaryFile();
    if (completion)
        completion();
}

void AudioManagerService::transcribeRecording(const QString &path, const QString &callerName, std::function<void()> completion)
{
    m_transcribingPaths.insert(path);
    MainQueue::post(this, [this] { setIsTranscribing(true); });

    QPointer<AudioManagerService> self(this);
    auto send = [self, path, callerName, completion] {
        if (!self)
            return;
        self->m_groqService->transcribeAudio(path, GroqService::TranscriptionModel::whisperLargeV3Turbo, QStringLiteral("en"),
                                             [self, path, callerName, completion](const GroqService::Result &result) {
            // One hop to the main queue, behind whatever is already queued there.
            MainQueue::post(QCoreApplication::instance(), [self, path, callerName, completion, result] {
                if (!self) {
                    QFile::remove(path);
                    if (completion)
                        completion();
                    return;
                }
                if (result.ok)
                    self->handleTranscriptionSuccess(result.text, path, callerName, completion);
                else
                    self->handleTranscriptionFailure(result.failure.localizedDescription(), path, completion);
            });
        });
    };

    // The recorder may still be writing the file's last bytes.
    AudioRecorder *recorder = m_audioRecorder.get();
    if (!recorder || recorder->filePath() != path || recorder->isFinalized()) {
        send();
        return;
    }
    auto sent = std::make_shared<bool>(false);
    auto sendOnce = [sent, send] {
        if (*sent)
            return;
        *sent = true;
        send();
    };
    connect(recorder, &AudioRecorder::finalized, this, sendOnce, Qt::SingleShotConnection);
    Scheduler::instance().singleShot(kFinalizeWaitMs, this, sendOnce);
}

void AudioManagerService::handleTranscriptionSuccess(const QString &text, const QString &path, const QString &callerName, std::function<void()> completion)
{
    Log::line(QStringLiteral("✅ [AudioManagerService] Groq Transcription successful: ") + Log::content(text));
    setTranscription(text);
    Log::line(QStringLiteral("Transcription Updated: ") + Log::content(m_transcription));
    QPointer<AudioManagerService> self(this);
    MainQueue::post(QCoreApplication::instance(), [self, path, completion] {
        if (self) {
            self->finishTranscription(path, completion);
        } else {
            QFile::remove(path);
            if (completion)
                completion();
        }
    });
    NotificationCenter::defaultCenter().post(kTranscriptionCompleted, {}, {{QStringLiteral("source"), callerName}});
}

void AudioManagerService::handleTranscriptionFailure(const QString &description, const QString &path, std::function<void()> completion)
{
    Log::line(QStringLiteral("❌ [AudioManagerService] Groq Transcription failed: ") + description);
    setTranscription(kTranscriptionFailedText);
    QPointer<AudioManagerService> self(this);
    MainQueue::post(QCoreApplication::instance(), [self, path, completion] {
        if (self) {
            self->finishTranscription(path, completion);
        } else {
            QFile::remove(path);
            if (completion)
                completion();
        }
    });
}

void AudioManagerService::finishTranscription(const QString &path, std::function<void()> completion)
{
    deleteTemporaryFile(path);
    m_transcribingPaths.remove(path);
    // Only this transcription's file is let go; a newer recording keeps its own.
    if (m_recordingPath == path)
        m_recordingPath.clear();
    setIsTranscribing(!m_transcribingPaths.isEmpty());
    if (completion)
        completion();
}

void AudioManagerService::deleteTemporaryFile(const std::optional<QString> &path)
{
    const QString target = path ? *path : m_recordingPath;
    if (target.isEmpty())
        return;
    QFile file(target);
    if (!file.exists() || file.remove())
        Log::line(QStringLiteral("Temporary recording file deleted"));
    else
        Log::line(QStringLiteral("Error deleting temporary file: ") + file.errorString());
    // A recorder still finishing this file must not bring it back.
    for (const auto &recorder : m_finishingRecorders)
        if (recorder->filePath() == target)
            connect(recorder.get(), &AudioRecorder::finalized, this, [target] { QFile::remove(target); }, Qt::SingleShotConnection);
    if (m_audioRecorder && m_audioRecorder->filePath() == target && !m_audioRecorder->isFinalized())
        connect(m_audioRecorder.get(), &AudioRecorder::finalized, this, [target] { QFile::remove(target); }, Qt::SingleShotConnection);
    if (!path)
        m_recordingPath.clear();
}

void AudioManagerService::reportError(int code, const QString &text)
{
    Q_UNUSED(code); // the error's code in the "AudioManagerService" domain; nothing keeps it
    Log::line(QStringLiteral("Error: ") + text);
    Q_EMIT recordingFailed(m_currentRecordingSource, text);
}

void AudioManagerService::onRecorderFinished(AudioRecorder *recorder, bool successfully)
{
    if (successfully || recorder != m_audioRecorder.get())
        return;
    Log::line(QStringLiteral("Recording finished unexpectedly."));
    stopRecordingInternal(false, nullptr, QStringLiteral("unknown"));
}

void AudioManagerService::onRecorderEncodeError(AudioRecorder *recorder, const QString &error)
{
    if (recorder != m_audioRecorder.get())
        return;
    Log::line(QStringLiteral("Audio Recorder Encode Error: ") + (error.isEmpty() ? QStringLiteral("Unknown error") : error));
    stopRecordingInternal(false, nullptr, QStringLiteral("unknown"));
}
