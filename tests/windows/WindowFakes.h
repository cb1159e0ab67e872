#pragma once
#include "widgets/AudioRecorderInterface.h"
#include "RecordingAnalyticsClient.h"
#include "analytics/AnalyticsService.h"

#include <QList>
#include <QVariantMap>

// A recorder that records what it is asked and finishes a stop when the test says so.
class ScriptedRecorder : public AudioRecorderInterface {
    Q_OBJECT
public:
    bool isRecording() const override { return m_recording; }
    QString currentRecordingSource() const override { return m_source; }
    bool isTranscribing() const override { return m_transcribing; }

    void startRecording(const QString &source) override
    {
        starts.append(source);
        if (m_recording)
            return;
        m_source = source;
        m_recording = true;
        Q_EMIT currentRecordingSourceChanged(m_source);
        Q_EMIT isRecordingChanged(true);
    }
    void stopRecording(std::function<void()> completion, const QString &sourceName) override
    {
        stops.append(sourceName);
        m_recording = false;
        Q_EMIT isRecordingChanged(false);
        m_transcribing = true;
        Q_EMIT isTranscribingChanged(true);
        pendingCompletion = std::move(completion);
    }
    // The transcription ends: the source returns to unknown and the completion runs.
    void finishTranscription()
    {
        m_transcribing = false;
        Q_EMIT isTranscribingChanged(false);
        m_source = QStringLiteral("unknown");
        Q_EMIT currentRecordingSourceChanged(m_source);
        if (auto done = std::move(pendingCompletion)) {
            pendingCompletion = nullptr;
            done();
        }
    }
    // The recorder refuses the recording it was just asked for (no permission, no device).
    void refuseStart(const QString &message)
    {
        m_recording = false;
        Q_EMIT recordingFailed(m_source, message);
    }
    // A recording owned by someone else.
    void beginForeignRecording(const QString &source)
    {
        m_source = source;
        m_recording = true;
        Q_EMIT currentRecordingSourceChanged(source);
        Q_EMIT isRecordingChanged(true);
    }

    QStringList starts, stops;
    std::function<void()> pendingCompletion;

private:
    bool m_recording = false;
    bool m_transcribing = false;
    QString m_source = QStringLiteral("unknown");
};

// Records the usage events the windows send through the analytics facade, while alive.
class RecordingUsageEvents {
public:
    RecordingUsageEvents() { AnalyticsService::shared().setClient(&client); }
    ~RecordingUsageEvents() { AnalyticsService::shared().setClient(nullptr); }
    QList<RecordingAnalyticsClient::Call> events() const { return client.events(); }
    RecordingAnalyticsClient client;
};
