#pragma once
#include "Platform/Audio/AudioCaptureBackend.h"

// Recording through Qt Multimedia from the default audio input. Access is granted when the
// system offers an input device.
class QtAudioCaptureBackend : public AudioCaptureBackend {
    Q_OBJECT
public:
    using AudioCaptureBackend::AudioCaptureBackend;

    void requestAccess(QObject *context, std::function<void(bool granted)> answer) override;
    std::unique_ptr<AudioRecorder> createRecorder(const QString &path, const AudioRecorderSettings &settings, QString *error) override;
};
