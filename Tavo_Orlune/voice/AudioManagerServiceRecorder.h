#pragma once
#include "widgets/AudioRecorderInterface.h"

#include <QPointer>

class AudioManagerService;

// The flower's view of the process's one microphone recorder: forwards to AudioManagerService
// and passes its changes on, with recording sources as their raw names.
// Usage: new FlowerWindowManager(new AudioManagerServiceRecorder(AudioManagerService::shared(), owner))
class AudioManagerServiceRecorder : public AudioRecorderInterface {
    Q_OBJECT
public:
    explicit AudioManagerServiceRecorder(AudioManagerService &service, QObject *parent = nullptr);

    bool isRecording() const override;
    QString currentRecordingSource() const override;
    bool isTranscribing() const override;
    void startRecording(const QString &source) override;
    void stopRecording(std::function<void()> completion, const QString &sourceName) override;

private:
    QPointer<AudioManagerService> m_service;
};
