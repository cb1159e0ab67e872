#include "Platform/Audio/QtAudioRecorder.h"

#include <QAudioDevice>
#include <QAudioInput>
#include <QAudioSource>
#include <QFile>
#include <QFileInfo>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QUrl>
#include <cmath>

namespace {
constexpr float kSilenceDb = -160.0f;

QMediaRecorder::Quality qualityFor(int encoderQuality)
{
    if (encoderQuality < 32)
        return QMediaRecorder::VeryLowQuality;
    if (encoderQuality < 64)
        return QMediaRecorder::LowQuality;
    if (encoderQuality < 96)
        return QMediaRecorder::NormalQuality;
    if (encoderQuality < 127)
        return QMediaRecorder::HighQuality;
    return QMediaRecorder::VeryHighQuality;
}
}

std::unique_ptr<AudioRecorder> QtAudioRecorder::create(const QString &path, const AudioRecorderSettings &settings, QString *error)
{
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        if (error)
            *error = QStringLiteral("No audio input device is available.");
        return nullptr;
    }
    QMediaFormat format(QMediaFormat::MPEG4);
    format.setAudioCodec(QMediaFormat::AudioCodec::AAC);
    if (!format.isSupported(QMediaFormat::Encode)) {
        if (error)
            *error = QStringLiteral("AAC audio in an MPEG-4 file cannot be encoded on this system.");
        return nullptr;
    }

    std::unique_ptr<QtAudioRecorder> recorder(new QtAudioRecorder);
    recorder->m_filePath = path;
    recorder->m_session = std::make_unique<QMediaCaptureSession>();
    recorder->m_input = std::make_unique<QAudioInput>(device);
    recorder->m_recorder = std::make_unique<QMediaRecorder>();
    recorder->m_session->setAudioInput(recorder->m_input.get());
    recorder->m_session->setRecorder(recorder->m_recorder.get());
    if (!recorder->m_recorder->isAvailable()) {
        if (error)
            *error = QStringLiteral("The media recorder is not available.");
        return nullptr;
    }
    recorder->m_recorder->setMediaFormat(format);
    recorder->m_recorder->setAudioSampleRate(settings.sampleRate);
    recorder->m_recorder->setAudioChannelCount(settings.channels);
    recorder->m_recorder->setQuality(qualityFor(settings.encoderQuality));
    recorder->m_recorder->setEncodingMode(QMediaRecorder::ConstantQualityEncoding);
    recorder->m_recorder->setOutputLocation(QUrl::fromLocalFile(path));

    QtAudioRecorder *self = recorder.get();
    connect(self->m_recorder.get(), &QMediaRecorder::recorderStateChanged, self, &QtAudioRecorder::onRecorderStateChanged);
    connect(self->m_recorder.get(), &QMediaRecorder::errorOccurred, self, &QtAudioRecorder::onRecorderError);

    QAudioFormat levelFormat;
    levelFormat.setSampleRate(settings.sampleRate);
    levelFormat.setChannelCount(settings.channels);
    levelFormat.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(levelFormat))
        levelFormat = device.preferredFormat();
    recorder->m_levelFormat = levelFormat;
    recorder->m_levelSource = std::make_unique<QAudioSource>(device, levelFormat);
    return recorder;
}

QtAudioRecorder::~QtAudioRecorder()
{
    if (m_recorder)
        m_recorder->disconnect(this);
    if (m_levelSource)
        m_levelSource->stop();
    if (m_recording && m_recorder)
        m_recorder->stop();
    // A file the backend named itself is never left behind.
    if (m_recorder) {
        const QString actual = m_recorder->actualLocation().toLocalFile();
        if (!actual.isEmpty() && actual != m_filePath)
            QFile::remove(actual);
    }
}

bool QtAudioRecorder::prepareToRecord()
{
    if (m_prepared)
        return true;
    // The file exists, private, from here on, as the recording's owner expects.
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.close();
    if (!m_levelSource || m_levelSource->isNull() || m_levelSource->error() != QAudio::NoError)
        return false;
    m_prepared = true;
    return true;
}

bool QtAudioRecorder::record()
{
    if (!m_prepared && !prepareToRecord())
        return false;
    if (m_recording)
        return true;
    m_recorder->record();
    m_levelDevice = m_levelSource->start();
    if (m_levelDevice)
        connect(m_levelDevice, &QIODevice::readyRead, this, &QtAudioRecorder::readLevelSamples);
    m_recording = m_recorder->error() == QMediaRecorder::NoError;
    return m_recording;
}

void QtAudioRecorder::stop()
{
    if (m_stopRequested)
        return;
    m_stopRequested = true;
    const bool wasRecording = m_recording;
    m_recording = false;
    if (m_levelSource)
        m_levelSource->stop();
    m_levelDevice = nullptr;
    if (!wasRecording || m_recorder->recorderState() == QMediaRecorder::StoppedState) {
        // Nothing is being written: the file is as complete as it will be.
        finish(true);
        return;
    }
    m_recorder->stop();
}

void QtAudioRecorder::onRecorderStateChanged(QMediaRecorder::RecorderState state)
{
    if (state != QMediaRecorder::StoppedState)
        return;
    m_recording = false;
    // A stop the owner did not ask for means the recording broke off.
    finish(m_stopRequested);
}

void QtAudioRecorder::onRecorderError(QMediaRecorder::Error error, const QString &text)
{
    if (error == QMediaRecorder::NoError || m_finished)
        return;
    m_recording = false;
    if (m_levelSource)
        m_levelSource->stop();
    moveIntoPlace();
    m_finished = true;
    m_finalized = true;
    Q_EMIT encodeErrorDidOccur(text);
    Q_EMIT finalized();
}

void QtAudioRecorder::moveIntoPlace()
{
    // The media backend may add an extension of its own to the name it was given.
    const QString actual = m_recorder->actualLocation().toLocalFile();
    if (actual.isEmpty() || actual == m_filePath || !QFileInfo::exists(actual))
        return;
    QFile::remove(m_filePath);
    if (QFile::rename(actual, m_filePath))
        QFile::setPermissions(m_filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    else
        QFile::remove(actual);
}

void QtAudioRecorder::finish(bool successfully)
{
    if (m_finished)
        return;
    moveIntoPlace();
    m_finished = true;
    m_finalized = true;
    Q_EMIT didFinishRecording(successfully);
    Q_EMIT finalized();
}

void QtAudioRecorder::readLevelSamples()
{
    if (!m_levelDevice)
        return;
    const QByteArray data = m_levelDevice->readAll();
    const int bytesPerSample = m_levelFormat.bytesPerSample();
    if (bytesPerSample <= 0)
        return;
    const qsizetype samples = data.size() / bytesPerSample;
    const char *p = data.constData();
    for (qsizetype i = 0; i < samples; ++i) {
        const float v = m_levelFormat.normalizedSampleValue(p + i * bytesPerSample);
        m_sumOfSquares += double(v) * double(v);
    }
    m_sampleCount += samples;
}

void QtAudioRecorder::updateMeters()
{
    readLevelSamples();
    if (m_sampleCount == 0)
        return; // no new samples: the last reading stands
    const double rms = std::sqrt(m_sumOfSquares / double(m_sampleCount));
    m_sumOfSquares = 0;
    m_sampleCount = 0;
    if (rms <= 0.0) {
        m_averagePower = kSilenceDb;
        return;
    }
    m_averagePower = float(std::clamp(20.0 * std::log10(rms), double(kSilenceDb), 0.0));
}

float QtAudioRecorder::averagePower(int channel) const
{
    Q_UNUSED(channel);
    return m_averagePower;
}
