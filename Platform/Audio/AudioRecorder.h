#pragma once
#include <QObject>
#include <QString>

// What a recording is made with: an AAC file at a sample rate, a channel count and a quality.
struct AudioRecorderSettings {
    int sampleRate = 44100;
    int channels = 1;
    // 0 (minimum) .. 127 (maximum); 96 is "high".
    int encoderQuality = 96;
};

// One recording into one file, with a level meter. Made by an AudioCaptureBackend for each
// recording and used on the thread that made it.
class AudioRecorder : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioRecorder() override;

    QString filePath() const { return m_filePath; }

    // Readies the file and the input; false when the recording cannot begin.
    virtual bool prepareToRecord() = 0;
    virtual bool record() = 0;
    // Ends the recording. The file is complete once isFinalized() is true (finalized() fires).
    virtual void stop() = 0;
    virtual bool isRecording() const = 0;
    virtual bool isFinalized() const = 0;

    // Takes a new meter reading; averagePower() answers it in dBFS (at most 0, -160 for silence).
    virtual void updateMeters() = 0;
    virtual float averagePower(int channel) const = 0;

Q_SIGNALS:
    // The recording ended: successfully after a stop, not successfully when it broke off by itself.
    void didFinishRecording(bool successfully);
    // The encoder failed; the text is empty when no reason is known.
    void encodeErrorDidOccur(const QString &error);
    // The file is complete on disk.
    void finalized();

protected:
    QString m_filePath;
};
