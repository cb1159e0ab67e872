#include "Platform/Audio/QtAudioCaptureBackend.h"
#include "Platform/Audio/QtAudioRecorder.h"

#include <QAudioDevice>
#include <QMediaDevices>

void QtAudioCaptureBackend::requestAccess(QObject *context, std::function<void(bool granted)> answer)
{
    Q_UNUSED(context);
    answer(!QMediaDevices::defaultAudioInput().isNull());
}

std::unique_ptr<AudioRecorder> QtAudioCaptureBackend::createRecorder(const QString &path, const AudioRecorderSettings &settings, QString *error)
{
    return QtAudioRecorder::create(path, settings, error);
}
