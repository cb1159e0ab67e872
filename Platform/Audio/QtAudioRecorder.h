#pragma once
#include "Platform/Audio/AudioRecorder.h"

#include <QAudioFormat>
#include <QMediaRecorder>
#include <memory>

class QAudioInput;
class QAudioSource;
class QIODevice;
class QMediaCaptureSession;

// One recording of the default audio input: QMediaRecorder writes the AAC file, and a
// QAudioSource beside it reads the same input for the level meter.
class QtAudioRecorder : public AudioRecorder {
    Q_OBJECT
public:
    static std::unique_ptr<AudioRecorder> create(const QString &path, const AudioRecorderSettings &settings, QString *error);
    ~QtAudioRecorder() override;

    bool prepareToRecord() override;
    bool record() override;
    void stop() override;
    bool isRecording() const override { return m_recording; }
    bool isFinalized() const override { return m_finalized; }
    void updateMeters() override;
    float averagePower(int channel) const override;

private:
    QtAudioRecorder() = default;
    void onRecorderStateChanged(QMediaRecorder::RecorderState state);
    void onRecorderError(QMediaRecorder::Error error, const QString &text);
    void readLevelSamples();
    void finish(bool successfully);
    void moveIntoPlace();

    std::unique_ptr<QMediaCaptureSession> m_session;
    std::unique_ptr<QAudioInput> m_input;
    std::unique_ptr<QMediaRecorder> m_recorder;
    std::unique_ptr<QAudioSource> m_levelSource;
    QIODevice *m_levelDevice = nullptr;
    QAudioFormat m_levelFormat;
    double m_sumOfSquares = 0;
    qint64 m_sampleCount = 0;
    float m_averagePower = -160.0f;
    bool m_prepared = false;
    bool m_recording = false;
    bool m_stopRequested = false;
    bool m_finalized = false;
    bool m_finished = false;
};
