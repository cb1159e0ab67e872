// The voice road through the coordinator with the real transcript panel: a flower dictation
// (scripted capture, real speech-to-text client against the stand-in) lands in the panel's
// editor, and Return there makes the task in "All Tasks".
#include "TranscriptRoad.h"
#include "FakeAudioCaptureBackend.h"
#include "NotificationSpy.h"
#include "SpeechToTextStandin.h"
#include "TestMain.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "app/ProductServices.h"
#include "voice/TranscriptView.h"
#include "voice/TranscriptWindowManager.h"

#include <QApplication>
#include <QPlainTextEdit>


class TestTranscriptRoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flowerDictationBecomesATask_data()
    {
        QTest::addColumn<QByteArray>("spoken");
        QTest::addColumn<QString>("shown");
        QTest::newRow("trimmed and capitalised") << QByteArray("  book a table for two \n") << QString("Book a table for two");
        QTest::newRow("first letter only") << QByteArray("éclairs from the bakery") << QString("Éclairs from the bakery");
    }
    void flowerDictationBecomesATask()
    {
        QFETCH(QByteArray, spoken);
        QFETCH(QString, shown);
        qputenv("GROQ_API_KEY", "dictation-key");
        SpeechToTextStandin speech;
        QVERIFY(speech.start());
        speech.queueReply(200, spoken);

        CoordinatorFixture f;
        auto *all = new CategoryData(QUuid::createUuid(), "All Tasks", QDateTime::currentDateTimeUtc(), 0, 0);
        f.context()->insert(all);
        f.context()->save();
        AudioManagerService audio(std::make_unique<FakeAudioCaptureBackend>(), std::make_unique<GroqService>(speech.endpoint()));
        RealTranscriptFactory windows;
        std::unique_ptr<MainViewModel> coordinator = startedCoordinator(f, &audio, &windows);
        MainViewModel &vm = *coordinator;
        QVERIFY(!vm.isInitializing());

        audio.startRecording(RecordingSource::flower);
        QTRY_VERIFY(audio.isRecording());
        audio.stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        QVERIFY(vm.transcriptManager());

        QTRY_VERIFY(vm.transcriptManager()->isWindowVisible());
        QTRY_VERIFY(shownTranscript());
        TranscriptView *view = shownTranscript();
        QVERIFY(view->isEditorShown());
        QCOMPARE(view->editor()->toPlainText(), shown);
        const QVariantMap open = f.analytics.lastProperties("transcription_interaction");
        QCOMPARE(open.value("action").toString(), QString("open"));
        QCOMPARE(open.value("source").toString(), QString("auto"));

        // Return sends the (corrected) text and the panel closes.
        view->editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(view->editor(), QStringLiteral(" tonight"));
        QTest::keyClick(view->editor(), Qt::Key_Return);
        const QList<TaskData *> tasks = f.context()->fetch<TaskData>();
        QCOMPARE(tasks.size(), 1);
        QCOMPARE(tasks.first()->title(), shown + " tonight");
        QCOMPARE(tasks.first()->category(), all);
        QCOMPARE(f.analytics.lastProperties("user_query_submitted").value("source").toString(), QString("transcript"));
        QTRY_VERIFY(!vm.transcriptManager()->isWindowVisible());
    }
};

TAVO_TEST_MAIN(TestTranscriptRoad)
#include "tst_transcriptroad.moc"
