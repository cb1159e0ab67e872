#pragma once
#include "Platform/Audio/AudioCaptureBackend.h"

#include <QByteArray>
#include <QPointer>

class FakeAudioRecorder;

// A scripted audio backend: access, recorder creation and preparation succeed or fail as the
// test says; recorders write fixed bytes and report the power the test sets.
class FakeAudioCaptureBackend : public AudioCaptureBackend {
    Q_OBJECT
public:
    bool grantAccess = true;
    QString createError;         // non-empty: creating a recorder fails with it
    bool prepareFails = false;
    bool finalizeOnStop = true;  // false: the file completes only on FakeAudioRecorder::finalizeNow()
    QByteArray fileBytes = QByteArray("\x00\x00\x00\x1c" "ftypM4A fake recording bytes", 32);
    int accessRequests = 0;
    // Runs as a recorder is destroyed (Qt Multimedia's audio source runs a nested event loop then).
    std::function<void()> onRecorderDestroyed;

    void requestAccess(QObject *context, std::function<void(bool granted)> answer) override;
    std::unique_ptr<AudioRecorder> createRecorder(const QString &path, const AudioRecorderSettings &settings, QString *error) override;

    FakeAudioRecorder *lastRecorder() const { return m_last; }
    AudioRecorderSettings lastSettings() const { return m_settings; }
    int recordersCreated() const { return m_created; }

private:
    QPointer<FakeAudioRecorder> m_last;
    AudioRecorderSettings m_settings;
    int m_created = 0;
};

class FakeAudioRecorder : public AudioRecorder {
    Q_OBJECT
public:
    FakeAudioRecorder(const QString &path, FakeAudioCaptureBackend *backend);
    ~FakeAudioRecorder() override;

    bool prepareToRecord() override;
    bool record() override;
    void stop() override;
    bool isRecording() const override { return m_recording; }
    bool isFinalized() const override { return m_finalized; }
    void updateMeters() override { ++meterUpdates; }
    float averagePower(int) const override { return power; }

    // The file's last bytes are written now.
    void finalizeNow();
    // The recording breaks off by itself, or its encoder fails.
    void breakOff();
    void failEncoding(const QString &error);

    float power = -160.0f;
    int meterUpdates = 0;
    int stops = 0;

private:
    QPointer<FakeAudioCaptureBackend> m_backend;
    bool m_recording = false;
    bool m_finalized = false;
};
