#include "FakeAudioCaptureBackend.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "voice/AudioManagerService.h"
#include "voice/AudioManagerServiceRecorder.h"
#include "widgets/FlowerAnimationView.h"
#include "windows/FlowerWindowManager.h"

#include <QFile>
#include <QSignalSpy>

namespace {
// Holds each transcription request until the test answers it.
class HeldGroqService : public GroqService {
public:
    HeldGroqService()
        : GroqService(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions"))
    {
    }
    void transcribeAudio(const QString &, TranscriptionModel, const std::optional<QString> &, Completion completion) override
    {
        pending.append(std::move(completion));
    }
    void answer(const QString &text)
    {
        Result r;
        r.ok = true;
        r.text = text;
        pending.takeFirst()(r);
    }
    QList<Completion> pending;
};
}

// The flower driving the application's real recorder (over a scripted microphone).
class TestFlowerRecorder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flowerRecordsThroughTheRealRecorder()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        auto groq = std::make_unique<HeldGroqService>();
        HeldGroqService *held = groq.get();
        AudioManagerService service(std::make_unique<FakeAudioCaptureBackend>(), std::move(groq));
        AudioManagerServiceRecorder recorder(service);
        QSignalSpy sources(&recorder, &AudioRecorderInterface::currentRecordingSourceChanged);

        FlowerWindowManager flower(&recorder);
        flower.showFlowerWindow();
        clock.runPending();

        flower.handleFlowerTap();
        clock.runPending(); // microphone access is answered on a later turn
        QVERIFY(service.isRecording());
        QCOMPARE(service.currentRecordingSource(), RecordingSource::flower);
        QCOMPARE(recorder.currentRecordingSource(), QStringLiteral("flower"));
        QCOMPARE(sources.first().first().toString(), QStringLiteral("flower"));
        QVERIFY(flower.flowerView()->isRecordingForOwnSource());
        QCOMPARE(flower.flowerView()->labelText(), QStringLiteral("Listening... Tap to Finish"));

        flower.handleFlowerTap();
        clock.advance(1000);
        QVERIFY(!service.isRecording());
        QCOMPARE(held->pending.size(), 1);
        QVERIFY(flower.isExpanded()); // until the transcription ends
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 0);
        held->answer(QStringLiteral("hello"));
        clock.advance(1000);
        QCOMPARE(service.transcription(), QStringLiteral("hello"));
        QVERIFY(!flower.isExpanded());
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 1);
        QCOMPARE(recorder.currentRecordingSource(), QStringLiteral("unknown"));
    }
};

TAVO_TEST_MAIN(TestFlowerRecorder)
#include "tst_flower_recorder.moc"
