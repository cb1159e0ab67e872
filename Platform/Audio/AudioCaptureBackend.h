#pragma once
#include "Platform/Audio/AudioRecorder.h"

#include <QObject>
#include <functional>
#include <memory>

// Where recordings come from: the microphone permission and a recorder per recording. The
// application uses the Qt Multimedia backend; tests use a scripted one.
class AudioCaptureBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioCaptureBackend() override;

    // Answers whether recording is allowed, on a later turn of the caller's event loop at the
    // earliest.
    virtual void requestAccess(QObject *context, std::function<void(bool granted)> answer) = 0;

    // A recorder for a new file at path; nullptr with *error set when none can be made.
    virtual std::unique_ptr<AudioRecorder> createRecorder(const QString &path, const AudioRecorderSettings &settings, QString *error) = 0;
};
