#include "FakeAudioCaptureBackend.h"
#include "FakeScheduler.h"
#include "Platform/NotificationCenter.h"
#include "NotificationSpy.h"
#include "SpeechToTextStandin.h"
#include "TestMain.h"
#include "VoiceTestHelpers.h"
#include "voice/AudioManagerService.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>

using VoiceTest::logLines;
using VoiceTest::tempFiles;

// A speech-to-text client that keeps each request until the test answers it.
class ScriptedGroqService : public GroqService {
public:
    struct Request {
        QString path;
        TranscriptionModel model;
        std::optional<QString> language;
        Completion completion;
        QByteArray bytes; // the file as it was when handed over
    };
    QList<Request> requests;

    ScriptedGroqService() : GroqService(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions")) {}
    void transcribeAudio(const QString &filePath, TranscriptionModel model, const std::optional<QString> &language, Completion completion) override
    {
        QFile f(filePath);
        f.open(QIODevice::ReadOnly);
        requests.append({filePath, model, language, std::move(completion), f.readAll()});
    }
    void answer(int i, const QString &text)
    {
        Result r;
        r.ok = true;
        r.text = text;
        requests[i].completion(r);
    }
    void fail(int i, const NetworkError &error)
    {
        Result r;
        r.failure.network = error;
        requests[i].completion(r);
    }
};

class AudioManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeScheduler> m_clock;
    FakeAudioCaptureBackend *m_backend = nullptr;
    ScriptedGroqService *m_groq = nullptr;
    std::unique_ptr<AudioManagerService> m_service;

    // Starts a recording from source and lets the permission answer arrive.
    void record(RecordingSource source)
    {
        m_service->startRecording(source);
        m_clock->runPending();
    }

private Q_SLOTS:
    void initTestCase() { VoiceTest::captureLog(); }

    void init()
    {
        VoiceTest::clearTempFiles();
        logLines().clear();
        m_clock = std::make_unique<FakeScheduler>();
        auto backend = std::make_unique<FakeAudioCaptureBackend>();
        auto groq = std::make_unique<ScriptedGroqService>();
        m_backend = backend.get();
        m_groq = groq.get();
        m_service = std::make_unique<AudioManagerService>(std::move(backend), std::move(groq));
    }

    void cleanup()
    {
        m_service.reset();
        m_clock.reset();
    }

    void recordingStopsIntoTranscriptionInOrder()
    {
        NotificationSpy spy;
        QStringList order;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(AudioManagerService::kTranscriptionCompleted, &observer, [&](const Notification &n) {
            order << QStringLiteral("notification");
            // Observers run while the transcription is still under way and its file still there.
            QVERIFY(m_service->isTranscribing());
            QCOMPARE(m_service->transcription(), QStringLiteral("  Book a flight\n"));
            QCOMPARE(n.userInfo.value(QStringLiteral("source")).toString(), QStringLiteral("FlowerWindow"));
        });

        record(RecordingSource::flower);
        QVERIFY(m_service->isRecording());
        QCOMPARE(m_service->currentRecordingSource(), RecordingSource::flower);
        const QString path = m_service->recordingPath();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(AppPaths::tempDir()).absoluteFilePath());
        QVERIFY(QRegularExpression(QStringLiteral("^recording-\\d+(\\.\\d+)?\\.m4a$")).match(QFileInfo(path).fileName()).hasMatch());
        QCOMPARE(m_backend->lastSettings().sampleRate, 44100);
        QCOMPARE(m_backend->lastSettings().channels, 1);
        QCOMPARE(m_backend->lastSettings().encoderQuality, 96);

        m_service->stopRecording([&] {
            order << QStringLiteral("completion");
            QVERIFY(!m_service->isTranscribing());
            QVERIFY(!QFileInfo::exists(path));
        }, QStringLiteral("FlowerWindow"));
        QVERIFY(!m_service->isRecording());
        QCOMPARE(m_service->currentRecordingSource(), RecordingSource::unknown);
        QVERIFY(logLines().contains(QStringLiteral("Recording stopped. Success: true")));
        m_clock->runPending();
        QVERIFY(m_service->isTranscribing());
        QCOMPARE(m_groq->requests.size(), 1);
        QCOMPARE(m_groq->requests[0].path, path);
        QCOMPARE(m_groq->requests[0].model, GroqService::TranscriptionModel::whisperLargeV3Turbo);
        QCOMPARE(m_groq->requests[0].language, std::optional<QString>(QStringLiteral("en")));
        QCOMPARE(m_groq->requests[0].bytes, m_backend->fileBytes);

        m_groq->answer(0, QStringLiteral("  Book a flight\n"));
        QVERIFY(order.isEmpty()); // the answer reaches the service on a later main-queue turn
        m_clock->runPending();
        QCOMPARE(order, (QStringList{QStringLiteral("notification"), QStringLiteral("completion")}));
        QCOMPARE(m_service->transcription(), QStringLiteral("  Book a flight\n"));
        QCOMPARE(spy.count(AudioManagerService::kTranscriptionCompleted), 1);
        QVERIFY(tempFiles().isEmpty());
    }

    void ownershipDecidesWhoMayStop_data()
    {
        QTest::addColumn<int>("owner");
        QTest::addColumn<QString>("action"); // "stop:<name>" or "cancel:<source>"
        QTest::addColumn<bool>("carriedOut");
        const int flower = int(RecordingSource::flower);
        QTest::newRow("stop by a name that parses to nobody") << flower << "stop:ChatView" << true;
        QTest::newRow("stop by the owner's own name") << flower << "stop:FLOWER" << true;
        QTest::newRow("stop by another source's name") << flower << "stop:chat" << false;
        QTest::newRow("cancel by another source") << flower << "cancel:chat" << false;
        QTest::newRow("cancel by unknown") << flower << "cancel:unknown" << true;
        QTest::newRow("cancel by the owner") << int(RecordingSource::canvas) << "cancel:canvas" << true;
    }

    void ownershipDecidesWhoMayStop()
    {
        QFETCH(int, owner);
        QFETCH(QString, action);
        QFETCH(bool, carriedOut);
        NotificationSpy spy;
        record(RecordingSource(owner));
        const QString path = m_service->recordingPath();
        const QString kind = action.section(u':', 0, 0);
        const QString arg = action.section(u':', 1);
        int completions = 0;
        if (kind == QLatin1String("stop")) {
            m_service->stopRecording([&] { ++completions; }, arg);
            if (!carriedOut) {
                QCOMPARE(completions, 1); // at once, without waiting for anything
                QVERIFY(logLines().contains(QStringLiteral("⚠️ Cannot stop recording: source ") + arg
                                            + QStringLiteral(" didn't initiate recording (current source: ") + RecordingSources::rawValue(RecordingSource(owner)) + u')'));
            }
        } else {
            m_service->cancelRecording(RecordingSources::fromName(arg));
            QVERIFY(logLines().contains(QStringLiteral("🎙️ Cancelling recording from source: ") + arg));
        }
        m_clock->runPending();
        QCOMPARE(m_service->isRecording(), !carriedOut);
        QCOMPARE(m_service->currentRecordingSource(), carriedOut ? RecordingSource::unknown : RecordingSource(owner));
        if (!carriedOut) {
            QVERIFY(QFileInfo::exists(path));
            QVERIFY(m_groq->requests.isEmpty());
            return;
        }
        if (kind == QLatin1String("stop")) {
            QCOMPARE(m_groq->requests.size(), 1);
            m_groq->answer(0, QStringLiteral("text"));
            m_clock->runPending();
            QCOMPARE(completions, 1);
            QCOMPARE(spy.named(AudioManagerService::kTranscriptionCompleted).value(0).userInfo.value(QStringLiteral("source")).toString(), arg);
        } else {
            // A cancel sends nothing, posts nothing, and deletes the file.
            QVERIFY(m_groq->requests.isEmpty());
            QCOMPARE(spy.count(AudioManagerService::kTranscriptionCompleted), 0);
            QVERIFY(m_service->recordingPath().isEmpty());
        }
        QVERIFY(tempFiles().isEmpty());
    }

    void secondStartChangesNothing()
    {
        record(RecordingSource::chat);
        const QString path = m_service->recordingPath();
        record(RecordingSource::flower);
        QCOMPARE(m_service->currentRecordingSource(), RecordingSource::chat);
        QCOMPARE(m_service->recordingPath(), path);
        QCOMPARE(m_backend->recordersCreated(), 1);
        QVERIFY(logLines().contains(QStringLiteral("⚠️ Recording already in progress from source: chat")));
    }

    void failuresBeforeRecordingLeaveNoFile_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("log");
        QTest::newRow("permission denied") << "permission" << "Error: Microphone permission denied.";
        QTest::newRow("recorder cannot be made") << "create" << "Error starting recording: no device";
        QTest::newRow("recorder fails to prepare") << "prepare" << "Error: Audio recorder failed to prepare.";
    }

    void failuresBeforeRecordingLeaveNoFile()
    {
        QFETCH(QString, failure);
        QFETCH(QString, log);
        m_backend->grantAccess = failure != QLatin1String("permission");
        if (failure == QLatin1String("create"))
            m_backend->createError = QStringLiteral("no device");
        m_backend->prepareFails = failure == QLatin1String("prepare");

        QSignalSpy failed(m_service.get(), &AudioManagerService::recordingFailed);
        record(RecordingSource::chat);
        QVERIFY(logLines().contains(log));
        QVERIFY(!m_service->isRecording());
        // Whoever asked is told, so it can show why and stop waiting.
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().at(0).value<RecordingSource>(), RecordingSource::chat);
        QVERIFY(!failed.first().at(1).toString().isEmpty());
        // Refused or unprepared, the owner is still on record until the next stop, cancel or start.
        QCOMPARE(m_service->currentRecordingSource(), failure == QLatin1String("create") ? RecordingSource::unknown : RecordingSource::chat);

        // The next stop transcribes nothing usable and leaves nothing behind.
        bool done = false;
        m_service->stopRecording([&] { done = true; }, QStringLiteral("ChatView"));
        m_clock->runPending();
        for (int i = 0; i < m_groq->requests.size(); ++i)
            m_groq->fail(i, NetworkError::invalidFile(QStringLiteral("Failed to preprocess audio")));
        m_clock->runPending();
        QVERIFY(done);
        QVERIFY(tempFiles().isEmpty());
    }

    void failedTranscriptionStillCleansUp()
    {
        NotificationSpy spy;
        record(RecordingSource::flower);
        bool done = false;
        m_service->stopRecording([&] { done = true; }, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        m_groq->fail(0, NetworkError::authenticationError());
        m_clock->runPending();
        QVERIFY(done);
        QCOMPARE(m_service->transcription(), QStringLiteral("Error during transcription."));
        QVERIFY(!m_service->isTranscribing());
        QCOMPARE(spy.count(AudioManagerService::kTranscriptionCompleted), 0);
        QVERIFY(logLines().contains(QStringLiteral("❌ [AudioManagerService] Groq Transcription failed: Authentication failed. Check your API key.")));
        QVERIFY(tempFiles().isEmpty());
    }

    void recorderBreakingOffStopsWithoutTranscription_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("log");
        QTest::newRow("unexpected end") << "end" << "Recording finished unexpectedly.";
        QTest::newRow("encode error") << "encode:disk full" << "Audio Recorder Encode Error: disk full";
        QTest::newRow("encode error without reason") << "encode:" << "Audio Recorder Encode Error: Unknown error";
    }

    void recorderBreakingOffStopsWithoutTranscription()
    {
        QFETCH(QString, how);
        QFETCH(QString, log);
        record(RecordingSource::canvas);
        if (how == QLatin1String("end"))
            m_backend->lastRecorder()->breakOff();
        else
            m_backend->lastRecorder()->failEncoding(how.section(u':', 1));
        QVERIFY(logLines().contains(log));
        QVERIFY(logLines().contains(QStringLiteral("Recording stopped. Success: false")));
        QVERIFY(!m_service->isRecording());
        m_clock->runPending();
        QVERIFY(m_groq->requests.isEmpty());
        QVERIFY(tempFiles().isEmpty());
    }

    void levelFollowsHysteresis()
    {
        // Readings in dB and the levels published for them, tick by tick.
        const QList<QPair<float, float>> ticks{
            {-38.0f, 0.0f},      // in the band, starting below: stays off
            {-34.0f, 0.1409f},   // above -35: on
            {-38.0f, 0.1122f},   // in the band after on: stays on
            {-40.0f, 0.1f},      // the band's edge counts as inside
            {-41.0f, 0.0f},      // below -40: off
            {-20.0f, 0.3162f},
            {0.0f, 1.0f},
        };
        record(RecordingSource::flower);
        QSignalSpy levels(m_service.get(), &AudioManagerService::audioLevel);
        for (const auto &[db, level] : ticks) {
            m_backend->lastRecorder()->power = db;
            m_clock->advance(AudioManagerService::kLevelIntervalMs);
            QCOMPARE(levels.size(), 1);
            QVERIFY2(qAbs(levels.takeFirst().at(0).toFloat() - level) < 0.001f, qPrintable(QString::number(db)));
        }
        // The stop sends one last 0 and the meter goes quiet.
        m_service->cancelRecording(RecordingSource::unknown);
        QCOMPARE(levels.size(), 1);
        QCOMPARE(levels.takeFirst().at(0).toFloat(), 0.0f);
        QVERIFY(!m_service->isAboveThreshold());
        m_clock->advance(1000);
        QCOMPARE(levels.size(), 0);
    }

    void newRecordingSurvivesCleanUpOfTheLastOne()
    {
        record(RecordingSource::flower);
        const QString first = m_service->recordingPath();
        m_service->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        m_clock->runPending();

        // A new recording starts while the first is still being transcribed.
        record(RecordingSource::chat);
        const QString second = m_service->recordingPath();
        QVERIFY(second != first);
        QVERIFY(QFileInfo::exists(first) && QFileInfo::exists(second));

        m_groq->answer(0, QStringLiteral("first"));
        m_clock->runPending();
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(QFileInfo::exists(second));
        QCOMPARE(m_service->recordingPath(), second);
        QVERIFY(m_service->isRecording());

        m_service->stopRecording(nullptr, QStringLiteral("ChatView"));
        m_clock->runPending();
        QCOMPARE(m_groq->requests.size(), 2);
        QCOMPARE(m_groq->requests[1].path, second);
        m_groq->answer(1, QStringLiteral("second"));
        m_clock->runPending();
        QCOMPARE(m_service->transcription(), QStringLiteral("second"));
        QVERIFY(tempFiles().isEmpty());
    }

    void stopDuringTranscriptionDoesNotResendOrDeleteIt()
    {
        record(RecordingSource::flower);
        const QString path = m_service->recordingPath();
        m_service->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        bool done = false;
        m_service->stopRecording([&] { done = true; }, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        QVERIFY(done);
        QCOMPARE(m_groq->requests.size(), 1);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(m_service->isTranscribing());
        m_groq->answer(0, QStringLiteral("text"));
        m_clock->runPending();
        QVERIFY(!m_service->isTranscribing());
        QVERIFY(tempFiles().isEmpty());
    }

    void transcriptionWaitsForTheFileToBeComplete()
    {
        m_backend->finalizeOnStop = false;
        record(RecordingSource::flower);
        FakeAudioRecorder *recorder = m_backend->lastRecorder();
        m_service->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        QVERIFY(m_groq->requests.isEmpty());
        recorder->finalizeNow();
        QCOMPARE(m_groq->requests.size(), 1);
    }

    void stopWithNothingRecordedEmptiesTranscription()
    {
        record(RecordingSource::flower);
        m_service->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        m_groq->answer(0, QStringLiteral("old text"));
        m_clock->runPending();
        QCOMPARE(m_service->transcription(), QStringLiteral("old text"));

        bool done = false;
        logLines().clear();
        m_service->stopRecording([&] { done = true; }, QStringLiteral("FlowerWindow"));
        QVERIFY(done);
        QVERIFY(logLines().contains(QStringLiteral("Recording stopped. Success: true")));
        QCOMPARE(m_service->transcription(), QStringLiteral("old text"));
        m_clock->runPending();
        QCOMPARE(m_service->transcription(), QString());

        m_service->startRecording(RecordingSource::chat);
        m_clock->runPending();
        m_service->clearTranscription();
        m_clock->runPending();
        QVERIFY(logLines().contains(QStringLiteral("Transcription Cleared")));
    }

    void teardownRunsQueuedWorkOnAWholeService()
    {
        // A panel hiding at quit clears the transcription (queued); then the service goes, and
        // its recorder's teardown runs the queued work, as Qt Multimedia's audio source does.
        record(RecordingSource::flower);
        m_service->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        m_clock->runPending();
        m_groq->answer(0, QStringLiteral("Book a flight"));
        m_clock->runPending();
        AudioManagerService *service = m_service.get();
        QList<bool> wholeWhenCleared;
        connect(service, &AudioManagerService::transcriptionChanged, this,
                [&] { wholeWhenCleared << (service->groqService() != nullptr && service->transcription().isEmpty()); });
        m_backend->onRecorderDestroyed = [this] { m_clock->runPending(); };
        service->clearTranscription();
        m_service.reset();
        QCOMPARE(wholeWhenCleared, QList<bool>{true});
        QVERIFY(tempFiles().isEmpty());
    }

    void recordingSourceNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("source");
        QTest::newRow("FlowerWindow") << "FlowerWindow" << int(RecordingSource::unknown);
        QTest::newRow("ChatView") << "ChatView" << int(RecordingSource::unknown);
        QTest::newRow("CanvasAIOverlayView") << "CanvasAIOverlayView" << int(RecordingSource::unknown);
        QTest::newRow("Canvas") << "Canvas" << int(RecordingSource::canvas);
        QTest::newRow("transcript") << "transcript" << int(RecordingSource::transcript);
        QTest::newRow("empty") << "" << int(RecordingSource::unknown);
    }

    void recordingSourceNames()
    {
        QFETCH(QString, name);
        QFETCH(int, source);
        QCOMPARE(int(RecordingSources::fromName(name)), source);
    }

    // The whole road with the real speech-to-text client against the stand-in.
    void dictationReachesTheServiceAndComesBack()
    {
        m_service.reset();
        m_clock.reset(); // real time: the network has to move
        qputenv("GROQ_API_KEY", "dictation-key");
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        standin.expectedKey = "dictation-key";
        auto backend = std::make_unique<FakeAudioCaptureBackend>();
        FakeAudioCaptureBackend *fake = backend.get();
        AudioManagerService service(std::move(backend), std::make_unique<GroqService>(standin.endpoint()));
        NotificationSpy spy;
        service.startRecording(RecordingSource::flower);
        QTRY_VERIFY(service.isRecording());
        bool done = false;
        service.stopRecording([&] { done = true; }, QStringLiteral("FlowerWindow"));
        QTRY_VERIFY(done);
        QCOMPARE(standin.uploads().size(), 1);
        QVERIFY2(standin.uploads().first().wellFormed, qPrintable(standin.uploads().first().problem));
        QCOMPARE(standin.uploads().first().field(QStringLiteral("file")), fake->fileBytes);
        QCOMPARE(service.transcription(), QString::fromUtf8(standin.defaultReply.body));
        QCOMPARE(spy.count(AudioManagerService::kTranscriptionCompleted), 1);
        QVERIFY(tempFiles().isEmpty());
    }
};

TAVO_TEST_MAIN(AudioManagerTest)
#include "tst_audiomanager.moc"
