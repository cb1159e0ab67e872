#include "FakeAudioCaptureBackend.h"

#include <QFile>

void FakeAudioCaptureBackend::requestAccess(QObject *context, std::function<void(bool granted)> answer)
{
    Q_UNUSED(context);
    ++accessRequests;
    answer(grantAccess);
}

std::unique_ptr<AudioRecorder> FakeAudioCaptureBackend::createRecorder(const QString &path, const AudioRecorderSettings &settings, QString *error)
{
    m_settings = settings;
    if (!createError.isEmpty()) {
        *error = createError;
        return nullptr;
    }
    auto recorder = std::make_unique<FakeAudioRecorder>(path, this);
    m_last = recorder.get();
    ++m_created;
    return recorder;
}

FakeAudioRecorder::FakeAudioRecorder(const QString &path, FakeAudioCaptureBackend *backend)
    : m_backend(backend)
{
    m_filePath = path;
}

FakeAudioRecorder::~FakeAudioRecorder()
{
    if (m_backend && m_backend->onRecorderDestroyed)
        m_backend->onRecorderDestroyed();
}

bool FakeAudioRecorder::prepareToRecord()
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (m_backend->prepareFails)
        return false;
    file.write(m_backend->fileBytes);
    return true;
}

bool FakeAudioRecorder::record()
{
    m_recording = true;
    return true;
}

void FakeAudioRecorder::stop()
{
    ++stops;
    const bool was = m_recording;
    m_recording = false;
    // A recorder that never ran has nothing left to write.
    if (!was || m_backend->finalizeOnStop)
        finalizeNow();
}

void FakeAudioRecorder::finalizeNow()
{
    if (m_finalized)
        return;
    m_finalized = true;
    Q_EMIT didFinishRecording(true);
    Q_EMIT finalized();
}

void FakeAudioRecorder::breakOff()
{
    m_recording = false;
    m_finalized = true;
    Q_EMIT didFinishRecording(false);
    Q_EMIT finalized();
}

void FakeAudioRecorder::failEncoding(const QString &error)
{
    m_recording = false;
    m_finalized = true;
    Q_EMIT encodeErrorDidOccur(error);
    Q_EMIT finalized();
}
