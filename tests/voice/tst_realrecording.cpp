#include "Platform/AppPaths.h"
#include "TranscriptRoad.h"
#include "Platform/ManagedProcess.h"
#include "NotificationSpy.h"
#include "Platform/Audio/QtAudioCaptureBackend.h"
#include "SpeechToTextStandin.h"
#include "TestMain.h"
#include "VoiceTestHelpers.h"
#include "app/ProductServices.h"
#include "voice/AudioManagerService.h"
#include "voice/TranscriptView.h"

#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardPaths>

using VoiceTest::logLines;


// A real recording through Qt Multimedia: a private sound server whose only input is the
// monitor of a silent output, a speech synthesizer talking into that output, and the
// recorder's upload checked by the speech-to-text stand-in, and its text brought by the
// coordinator into the transcript panel.
class RealRecordingTest : public QObject {
    Q_OBJECT

    ManagedProcess m_soundServer;
    QString m_speaker;

private Q_SLOTS:
    void initTestCase()
    {
        m_speaker = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
        TAVO_REQUIRE(!m_speaker.isEmpty(), QStringLiteral("espeak-ng"));
        // The install script leaves pulseaudio out where a desktop's PipeWire sound server
        // conflicts with it, so its absence is a machine without a sound server of our own.
        const QString server = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (server.isEmpty())
            TAVO_SKIP_UNAVAILABLE(QStringLiteral("a sound server of the test's own (pulseaudio is not installed)"));
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        TAVO_REQUIRE(!runtime.isEmpty(), QStringLiteral("a private XDG_RUNTIME_DIR for the test's sound server (run the test through ctest)"));
        const QString socket = runtime + QStringLiteral("/pulse/native");
        m_soundServer.process()->setStandardOutputFile(QProcess::nullDevice());
        m_soundServer.start(server, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                                     QStringLiteral("--disallow-exit"), QStringLiteral("--use-pid-file=no"), QStringLiteral("--system=no"),
                                     QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix"),
                                     QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=speaker"),
                                     QStringLiteral("-L"), QStringLiteral("module-remap-source master=speaker.monitor source_name=microphone")});
        if (!m_soundServer.waitForStarted(5000))
            TAVO_SKIP_UNAVAILABLE(QStringLiteral("a sound server: pulseaudio did not start here"));
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(socket) || !m_soundServer.isRunning(); }, 10000) || !m_soundServer.isRunning())
            TAVO_SKIP_UNAVAILABLE(QStringLiteral("a sound server: pulseaudio offers no socket here"));
        qputenv("PULSE_SERVER", "unix:" + socket.toUtf8());
        VoiceTest::captureLog();
    }

    void cleanupTestCase() { m_soundServer.stopAndWait(2000); }

    void spokenRequestIsUploadedAndTranscribed()
    {
        qputenv("GROQ_API_KEY", "real-recording-key");
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        standin.expectedKey = "real-recording-key";
        standin.queueReply(200, " create a task to book a flight to Lisbon\n");
        CoordinatorFixture f;
        VoiceTest::captureLog();
        AudioManagerService service(std::make_unique<QtAudioCaptureBackend>(), std::make_unique<GroqService>(standin.endpoint()));
        QSignalSpy levels(&service, &AudioManagerService::audioLevel);
        NotificationSpy notifications;
        // The coordinator, with the product's transcript panel.
        RealTranscriptFactory windows;
        std::unique_ptr<MainViewModel> coordinator = startedCoordinator(f, &service, &windows);
        MainViewModel &vm = *coordinator;
        QVERIFY(!vm.isInitializing());

        service.startRecording(RecordingSource::flower);
        (void)QTest::qWaitFor([&] { return service.isRecording(); }, 5000);
        if (!service.isRecording()) {
            if (logLines().contains(QStringLiteral("Error: Microphone permission denied.")))
                TAVO_SKIP_UNAVAILABLE(QStringLiteral("an audio input: the sound server offers none to Qt Multimedia here"));
            QFAIL(qPrintable(QStringLiteral("recording did not start: ") + logLines().join(QStringLiteral(" | "))));
        }
        const QString recording = service.recordingPath();

        // The media pipeline takes a moment to start writing, more so on a busy machine.
        QTest::qWait(1000);
        ManagedProcess speaker;
        speaker.process()->setStandardOutputFile(QProcess::nullDevice());
        speaker.start(m_speaker, {QStringLiteral("-s"), QStringLiteral("150"), QStringLiteral("Create a task to book a flight to Lisbon")});
        QVERIFY(speaker.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return !speaker.isRunning(); }, 20000));
        QTest::qWait(500);

        bool done = false;
        service.stopRecording([&] { done = true; }, QStringLiteral("FlowerWindow"));
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);

        QCOMPARE(standin.uploads().size(), 1);
        const auto upload = standin.uploads().first();
        QVERIFY2(upload.wellFormed, qPrintable(upload.problem));
        const QByteArray audio = upload.field(QStringLiteral("file"));
        QVERIFY2(audio.size() > 2000, qPrintable(QString::number(audio.size())));
        QCOMPARE(audio.mid(4, 4), QByteArray("ftyp")); // an MPEG-4 file
        QCOMPARE(upload.field(QStringLiteral("language")), QByteArray("en"));

        // The speech moved the level meter.
        float loudest = 0;
        for (const auto &args : std::as_const(levels))
            loudest = std::max(loudest, args.at(0).toFloat());
        QVERIFY2(loudest > 0.05f, qPrintable(QString::number(loudest)));

        QCOMPARE(service.transcription(), QStringLiteral(" create a task to book a flight to Lisbon\n"));
        QCOMPARE(notifications.count(AudioManagerService::kTranscriptionCompleted), 1);
        // The coordinator put the text, trimmed and capitalised, into the panel's editor.
        QVERIFY(vm.transcriptManager());
        QTRY_VERIFY(vm.transcriptManager()->isWindowVisible());
        TranscriptView *view = shownTranscript();
        QVERIFY(view && view->isEditorShown());
        QCOMPARE(view->editor()->toPlainText(), QStringLiteral("Create a task to book a flight to Lisbon"));
        QCOMPARE(vm.transcriptInput(), view->editor()->toPlainText());
        QCOMPARE(f.analytics.lastProperties(QStringLiteral("transcription_interaction")).value(QStringLiteral("source")).toString(),
                 QStringLiteral("auto"));
        QVERIFY(!QFileInfo::exists(recording));
        QTRY_VERIFY(VoiceTest::tempFiles().isEmpty());
    }
};

TAVO_TEST_MAIN(RealRecordingTest)
#include "tst_realrecording.moc"
