#include "voice/AudioManagerServiceRecorder.h"
#include "voice/AudioManagerService.h"
#include "voice/RecordingSource.h"

AudioManagerServiceRecorder::AudioManagerServiceRecorder(AudioManagerService &service, QObject *parent)
    : AudioRecorderInterface(parent)
    , m_service(&service)
{
    connect(&service, &AudioManagerService::isRecordingChanged, this, &AudioRecorderInterface::isRecordingChanged);
    connect(&service, &AudioManagerService::isTranscribingChanged, this, &AudioRecorderInterface::isTranscribingChanged);
    connect(&service, &AudioManagerService::audioLevel, this, &AudioRecorderInterface::audioLevel);
    connect(&service, &AudioManagerService::currentRecordingSourceChanged, this,
            [this](RecordingSource source) { Q_EMIT currentRecordingSourceChanged(RecordingSources::rawValue(source)); });
    connect(&service, &AudioManagerService::recordingFailed, this, [this](RecordingSource source, const QString &message) {
        Q_EMIT recordingFailed(RecordingSources::rawValue(source), message);
    });
}

bool AudioManagerServiceRecorder::isRecording() const
{
    return m_service && m_service->isRecording();
}

QString AudioManagerServiceRecorder::currentRecordingSource() const
{
    return RecordingSources::rawValue(m_service ? m_service->currentRecordingSource() : RecordingSource::unknown);
}

bool AudioManagerServiceRecorder::isTranscribing() const
{
    return m_service && m_service->isTranscribing();
}

void AudioManagerServiceRecorder::startRecording(const QString &source)
{
    if (m_service)
        m_service->startRecording(RecordingSources::fromName(source));
}

void AudioManagerServiceRecorder::stopRecording(std::function<void()> completion, const QString &sourceName)
{
    if (m_service)
        m_service->stopRecording(std::move(completion), sourceName);
    else if (completion)
        completion();
}
