// The canvas prompt bar: where a submission goes, the editor's height and placeholder, and the
// microphone mode over the real recorder with a scripted audio backend and speech client.
#include "FakeAudioCaptureBackend.h"
#include "FakeCanvasCoordinator.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "RecordingAnalyticsClient.h"
#include "ScriptedSpeechService.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "canvas/CanvasAIOverlayView.h"
#include "canvas/CanvasSearchFieldView.h"
#include "canvas/ControlsRowView.h"
#include "canvas/MiniAppToggleView.h"
#include "canvas/RecordButtonView.h"
#include "theme/CustomToggle.h"
#include "voice/AudioManagerService.h"
#include "voice/RecordingSource.h"
#include "widgets/SearchViewModel.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {
void post(const char *name, const QVariant &object = {}, const QVariantMap &userInfo = {})
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name), object, userInfo);
}
QStringList logLines;
}

// A bar in a window-sized host over a recording coordinator, the real recorder (scripted
// backend and speech client) and recorded analytics, in virtual time.
struct BarFixture {
    FakeScheduler clock;
    RecordingAnalyticsClient analytics;
    FakeAudioCaptureBackend *backend = new FakeAudioCaptureBackend;
    ScriptedSpeechService *speech = new ScriptedSpeechService;
    AudioManagerService audio{std::unique_ptr<AudioCaptureBackend>(backend), std::unique_ptr<GroqService>(speech)};
    FakeCanvasCoordinator coordinator;
    QWidget host;
    CanvasAIOverlayView *bar;

    BarFixture()
    {
        AnalyticsService::shared().setClient(&analytics);
        coordinator.audio = &audio;
        host.resize(1200, 800);
        bar = new CanvasAIOverlayView(&coordinator, &host);
        host.show();
        // Past the focus request of the bar's appearance.
        clock.advance(CanvasAIOverlayView::focusDelayMs);
    }
    ~BarFixture() { AnalyticsService::shared().setClient(nullptr); }

    SearchViewModel *model() { return bar->searchViewModel(); }
    CanvasSearchFieldView *field() { return bar->searchField(); }
    QStringList voiceEvents()
    {
        QStringList out;
        for (const auto &call : analytics.events(QStringLiteral("voice_recording")))
            out << call.properties.value("action").toString() + ":" + call.properties.value("source").toString();
        return out;
    }
    // The flower records first and leaves its transcript in the recorder.
    void earlierFlowerTranscript(const QString &text)
    {
        audio.startRecording(RecordingSource::flower);
        clock.runPending();
        audio.stopRecording([] {}, QStringLiteral("FlowerWindow"));
        clock.runPending();
        speech->answer(int(speech->requests.size()) - 1, text);
        clock.runPending();
        QCOMPARE(audio.transcription(), text);
        analytics.clear();
    }
};

class TestCanvasPromptBar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        logLines.clear();
        Log::setSink([](const QString &line) { logLines << line; });
    }
    void cleanup() { Log::setSink(nullptr); }

    void submissionGoesToTheCoordinatorWithTheTarget()
    {
        BarFixture f;
        f.bar->setMiniAppEnabled(true);
        post("focusCanvasAIOverlayWithCategory", {}, {{"categoryTitle", "Research"}});
        QCOMPARE(f.bar->targetCategoryTitle(), QStringLiteral("Research"));
        QCOMPARE(f.field()->placeholderText(), QStringLiteral("Add task to Research"));
        QVERIFY(f.bar->animateBounce());
        f.clock.advance(CanvasAIOverlayView::bounceMs);
        QVERIFY(!f.bar->animateBounce());

        QTest::keyClicks(f.field()->editor(), "Summarise the week");
        QCOMPARE(f.model()->searchText(), QStringLiteral("Summarise the week"));
        QTest::keyClick(f.field()->editor(), Qt::Key_Return);
        QCOMPARE(f.coordinator.submissions.size(), 1);
        QCOMPARE(f.coordinator.submissions[0].query, QStringLiteral("Summarise the week"));
        QCOMPARE(f.coordinator.submissions[0].categoryTitle, QStringLiteral("Research"));
        QCOMPARE(f.coordinator.submissions[0].miniApp, true);
        // The target goes back; the switch keeps its state.
        QCOMPARE(f.bar->targetCategoryTitle(), QStringLiteral("All Tasks"));
        QVERIFY(f.bar->isMiniAppEnabled());
        QCOMPARE(f.model()->searchText(), QString());
        QCOMPARE(f.field()->editor()->toPlainText(), QString());
    }

    // Each row: what happens after a column aimed the bar at "Research", and the target after.
    void targetResets_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("target");
        QTest::newRow("press on empty canvas") << "canvasGeneralClick" << "All Tasks";
        QTest::newRow("focus request") << "focusCanvasAIOverlay" << "All Tasks";
        QTest::newRow("category request without a title") << "focusCanvasAIOverlayWithCategory" << "All Tasks";
        QTest::newRow("pointer leaves upwards") << "leave:51" << "All Tasks";
        QTest::newRow("pointer leaves at the screen's bottom") << "leave:50" << "Research";
        QTest::newRow("a sample prompt is dropped in") << "canvasInsertSearchText" << "Research";
    }
    void targetResets()
    {
        QFETCH(QString, event);
        QFETCH(QString, target);
        BarFixture f;
        post("focusCanvasAIOverlayWithCategory", {}, {{"categoryTitle", "Research"}});
        QVERIFY(f.bar->isHovered());
        const int loweredBefore = f.bar->loweredOffset();
        if (event.startsWith("leave:"))
            f.bar->handleHoverAt(false, event.mid(6).toDouble());
        else if (event == "canvasInsertSearchText")
            post("canvasInsertSearchText", QStringLiteral("Draft a memo"));
        else
            post(event.toLatin1().constData());
        QCOMPARE(f.bar->targetCategoryTitle(), target);
        if (event == "leave:51") {
            QVERIFY(!f.bar->isHovered());
            QCOMPARE(f.bar->loweredOffset(), 70);
        } else {
            QCOMPARE(f.bar->loweredOffset(), loweredBefore);
        }
    }

    void insertedTextReplacesTheField()
    {
        BarFixture f;
        f.model()->setSearchText("old");
        post("canvasInsertSearchText", QStringLiteral("Draft a memo"));
        QCOMPARE(f.model()->searchText(), QStringLiteral("Draft a memo"));
        QVERIFY(f.bar->animateBounce());
        // Not a string: only raises the bar.
        f.bar->handleHoverAt(false, 400);
        post("canvasInsertSearchText", 42);
        QCOMPARE(f.model()->searchText(), QStringLiteral("Draft a memo"));
        QVERIFY(f.bar->isHovered());
    }

    void returnAndRecordButtonSubmit()
    {
        BarFixture f;
        QTest::keyClicks(f.field()->editor(), "one");
        QTest::keyClick(f.field()->editor(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(f.field()->editor(), "two");
        QCOMPARE(f.model()->searchText(), QStringLiteral("one\ntwo"));
        QVERIFY(f.coordinator.submissions.isEmpty());
        // Keypad Enter is another key.
        QTest::keyClick(f.field()->editor(), Qt::Key_Enter);
        QVERIFY(f.coordinator.submissions.isEmpty());
        f.model()->setSearchText("one\ntwo");
        QTest::keyClick(f.field()->editor(), Qt::Key_Return);
        QTest::keyClick(f.field()->editor(), Qt::Key_Return); // an empty field submits nothing
        QCOMPARE(f.coordinator.submissions.size(), 1);
        QCOMPARE(f.coordinator.submissions[0].query, QStringLiteral("one\ntwo"));

        // The record button sends as soon as the field holds anything, spaces included.
        RecordButtonView *record = f.bar->controlsRow()->recordButton();
        QCOMPARE(record->imageName(), QStringLiteral("btn_mic"));
        f.model()->setSearchText("  ");
        QCOMPARE(record->imageName(), QStringLiteral("btn_send"));
        f.bar->handleMicrophoneTap();
        QCOMPARE(f.coordinator.submissions.size(), 2);
        QCOMPARE(f.coordinator.submissions[1].query, QStringLiteral("  "));
        QCOMPARE(f.model()->searchText(), QString());
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(f.bar->isControlsVisible());
    }

    void editorHeightFollowsTheText()
    {
        BarFixture f;
        const qreal width = f.field()->width();
        QVERIFY(width > 100);
        QCOMPARE(f.field()->textEditorHeight(), 36.0);
        QCOMPARE(CanvasSearchFieldView::measureTextHeight(QString(), width), 36.0);
        qreal previous = 36;
        QString text;
        QList<qreal> heights;
        for (int line = 0; line < 12; ++line) {
            text += (line ? "\n" : "") + QStringLiteral("line %1").arg(line);
            f.model()->setSearchText(text);
            QVERIFY(f.field()->textEditorHeight() >= previous);
            previous = f.field()->textEditorHeight();
            heights << previous;
        }
        QCOMPARE(heights.first(), 36.0);
        QVERIFY(heights[3] > 36.0 && heights[3] < 140.0);
        QCOMPARE(heights.last(), 140.0);
        QCOMPARE(f.field()->height(), 140);
        // A long line wraps and grows the editor as new lines would.
        QVERIFY(CanvasSearchFieldView::measureTextHeight(QString(400, QLatin1Char('w')), width) > 36.0);
        f.model()->submitSearch();
        QCOMPARE(f.field()->textEditorHeight(), 36.0);
    }

    void placeholderTurnsEveryTwentySeconds()
    {
        BarFixture f;
        const QStringList &texts = CanvasAIOverlayView::placeholderTexts();
        QCOMPARE(f.field()->placeholderText(), QStringLiteral("Prepare today\u2019s meetings in Google Docs"));
        f.clock.advance(CanvasSearchFieldView::rotationIntervalMs - CanvasAIOverlayView::focusDelayMs - 1);
        QCOMPARE(f.field()->placeholderIndex(), 0);
        f.clock.advance(1);
        QCOMPARE(f.field()->placeholderText(), QStringLiteral("Find all Apple purchases from the last 2 years"));
        f.clock.advance(4 * CanvasSearchFieldView::rotationIntervalMs);
        QCOMPARE(f.field()->placeholderText(), texts.first()); // after the fifth, the first
        QCOMPARE(f.field()->placeholderKey(), QStringLiteral("0"));
        // A tick while text is typed does not advance.
        f.model()->setSearchText("x");
        QVERIFY(!f.field()->isPlaceholderShown());
        f.clock.advance(CanvasSearchFieldView::rotationIntervalMs);
        QCOMPARE(f.field()->placeholderIndex(), 0);
        f.model()->setSearchText("");
        // A category target shows where the task goes; back at "All Tasks" the sample returns.
        post("focusCanvasAIOverlayWithCategory", {}, {{"categoryTitle", "Research"}});
        QCOMPARE(f.field()->placeholderKey(), QStringLiteral("Research"));
        post("canvasGeneralClick");
        QCOMPARE(f.field()->placeholderText(), texts.first());
    }

    // Each appearance of the editor used to start another rotation: after three uses of the
    // microphone mode the placeholder jumped three entries per tick.
    void onlyOneRotationPerShownEditor()
    {
        BarFixture f;
        for (int use = 0; use < 3; ++use) {
            f.bar->handleMicrophoneTap();
            f.clock.advance(CanvasAIOverlayView::controlsHideMs);
            QVERIFY(!f.field()->isVisible());
            QVERIFY(!f.field()->isRotationRunning());
            f.bar->cancelVoiceInput();
            QVERIFY(f.field()->isVisible());
            f.clock.advance(CanvasAIOverlayView::returnDelayMs);
        }
        const int before = f.field()->placeholderIndex();
        f.clock.advance(CanvasSearchFieldView::rotationIntervalMs);
        QCOMPARE(f.field()->placeholderIndex(), (before + 1) % 5);
        f.host.hide();
        QVERIFY(!f.field()->isRotationRunning());
        f.clock.advance(CanvasSearchFieldView::rotationIntervalMs);
        QCOMPARE(f.field()->placeholderIndex(), (before + 1) % 5);
    }

    void microphoneModeRecordsAndBringsTheTranscript()
    {
        BarFixture f;
        f.model()->setSearchText("");
        f.bar->handleMicrophoneTap();
        QVERIFY(!f.bar->isControlsVisible());
        QVERIFY(!f.bar->isMicrophoneMode());
        f.clock.advance(CanvasAIOverlayView::controlsHideMs);
        QVERIFY(f.bar->isMicrophoneMode());
        QVERIFY(f.bar->microphoneRow()->isVisible());
        QVERIFY(f.voiceEvents().isEmpty());
        f.clock.advance(CanvasAIOverlayView::recordingStartDelayMs - CanvasAIOverlayView::controlsHideMs);
        QCOMPARE(f.voiceEvents(), QStringList{"start:canvas"});
        QVERIFY(f.audio.isRecording());
        QCOMPARE(f.audio.currentRecordingSource(), RecordingSource::canvas);

        f.bar->finishVoiceInput();
        f.clock.runPending();
        QCOMPARE(f.voiceEvents(), (QStringList{"start:canvas", "stop:canvas"}));
        // Until the transcript is back the bar stays in the microphone mode.
        QVERIFY(f.bar->isMicrophoneMode());
        QCOMPARE(f.speech->requests.size(), 1);
        f.speech->answer(0, QStringLiteral("  Book a table for two\n"));
        f.clock.runPending();
        QCOMPARE(f.model()->searchText(), QStringLiteral("Book a table for two"));
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(!f.bar->isControlsVisible());
        const bool focusBefore = f.bar->shouldFocusTextEditor();
        f.clock.advance(CanvasAIOverlayView::returnDelayMs);
        QVERIFY(f.bar->isControlsVisible());
        QVERIFY(f.bar->shouldFocusTextEditor() != focusBefore);
        QVERIFY(f.coordinator.submissions.isEmpty()); // the transcript is not sent
    }

    void closeDropsTheRecordingAndKeepsTheText()
    {
        BarFixture f;
        f.bar->handleMicrophoneTap();
        f.clock.advance(CanvasAIOverlayView::recordingStartDelayMs);
        QVERIFY(f.audio.isRecording());
        f.model()->setSearchText("kept"); // as a transcript from elsewhere would
        const bool focusBefore = f.bar->shouldFocusTextEditor();
        f.bar->cancelVoiceInput();
        f.clock.runPending();
        QVERIFY(!f.audio.isRecording());
        QVERIFY(f.speech->requests.isEmpty());
        QCOMPARE(f.voiceEvents(), (QStringList{"start:canvas", "stop:canvas"}));
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(f.bar->isControlsVisible());
        QCOMPARE(f.model()->searchText(), QStringLiteral("kept"));
        f.clock.advance(CanvasAIOverlayView::returnDelayMs - 1);
        QCOMPARE(f.bar->shouldFocusTextEditor(), focusBefore);
        f.clock.advance(1);
        QVERIFY(f.bar->shouldFocusTextEditor() != focusBefore);
    }

    // A close or send after the microphone row came in but before the recording began used to
    // return the bar to typing, and then the recording started anyway with no control left.
    void leavingBeforeTheStartCancelsIt_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("atMs");
        QTest::newRow("close") << "close" << 400;
        QTest::newRow("send") << "send" << 400;
        QTest::newRow("send just before the start") << "send" << 549;
        QTest::newRow("reset by the coordinator") << "reset" << 300;
        QTest::newRow("reset before the row came in") << "reset" << 100;
    }
    void leavingBeforeTheStartCancelsIt()
    {
        QFETCH(QString, how);
        QFETCH(int, atMs);
        BarFixture f;
        f.bar->handleMicrophoneTap();
        f.clock.advance(atMs);
        if (how == "close")
            f.bar->cancelVoiceInput();
        else if (how == "send")
            f.bar->finishVoiceInput();
        else
            post("resetMicrophoneMode");
        f.clock.advance(2000);
        QVERIFY(!f.audio.isRecording());
        QVERIFY(!f.voiceEvents().contains("start:canvas"));
        QCOMPARE(f.backend->recordersCreated(), 0);
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(f.bar->isControlsVisible());
        QVERIFY(f.field()->isVisible());
    }

    // A send with no recording of its own used to bring whatever transcript the recorder last
    // held (another microphone's) into the field.
    void onlyItsOwnRecordingFillsTheField_data()
    {
        QTest::addColumn<bool>("otherOwnerRecording");
        QTest::newRow("send before the recording started") << false;
        QTest::newRow("another microphone holds the recorder") << true;
    }
    void onlyItsOwnRecordingFillsTheField()
    {
        QFETCH(bool, otherOwnerRecording);
        BarFixture f;
        f.earlierFlowerTranscript(QStringLiteral("A flower transcript"));
        f.model()->setSearchText("typed");
        f.model()->setSearchText("");
        if (otherOwnerRecording) {
            f.audio.startRecording(RecordingSource::panel);
            f.clock.runPending();
        }
        f.bar->handleMicrophoneTap();
        f.clock.advance(otherOwnerRecording ? CanvasAIOverlayView::recordingStartDelayMs : 400);
        f.bar->finishVoiceInput();
        f.clock.advance(1000);
        QCOMPARE(f.model()->searchText(), QString());
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(f.bar->isControlsVisible());
        // Another owner's recording is left to its owner.
        QCOMPARE(f.audio.isRecording(), otherOwnerRecording);
        if (otherOwnerRecording)
            QCOMPARE(f.audio.currentRecordingSource(), RecordingSource::panel);
    }

    void resetEndsTheMicrophoneModeWithoutTheRecorder()
    {
        BarFixture f;
        // While typing nothing visible happens.
        post("resetMicrophoneMode");
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(f.bar->isControlsVisible());

        f.bar->handleMicrophoneTap();
        f.clock.advance(CanvasAIOverlayView::recordingStartDelayMs);
        QVERIFY(f.audio.isRecording());
        const bool focusBefore = f.bar->shouldFocusTextEditor();
        post("resetMicrophoneMode");
        QVERIFY(!f.bar->isMicrophoneMode());
        QVERIFY(!f.bar->isControlsVisible());
        QVERIFY(f.audio.isRecording()); // the coordinator deals with the recorder
        f.clock.advance(CanvasAIOverlayView::returnDelayMs);
        QVERIFY(f.bar->isControlsVisible());
        QCOMPARE(f.bar->shouldFocusTextEditor(), focusBefore);
    }

    void appearanceRaisesAndFocusesLater()
    {
        FakeScheduler clock;
        FakeCanvasCoordinator coordinator;
        QWidget host;
        host.resize(1200, 800);
        auto *bar = new CanvasAIOverlayView(&coordinator, &host);
        QVERIFY(!bar->isHovered());
        QCOMPARE(bar->loweredOffset(), 70);
        host.show();
        QVERIFY(bar->isHovered());
        QCOMPARE(bar->loweredOffset(), 0);
        // Centred on the bottom edge, 16 above it.
        QCOMPARE(bar->width(), CanvasAIOverlayView::barWidth);
        QCOMPARE(bar->x() + bar->width() / 2, host.width() / 2);
        QCOMPARE(bar->geometry().bottom() + 1, host.height() - 16);
        QCOMPARE(bar->width(), CanvasAIOverlayView::barWidth);
        const bool focusBefore = bar->shouldFocusTextEditor();
        clock.advance(CanvasAIOverlayView::focusDelayMs - 1);
        QCOMPARE(bar->shouldFocusTextEditor(), focusBefore);
        clock.advance(1);
        QVERIFY(bar->shouldFocusTextEditor() != focusBefore);
        host.resize(1400, 900);
        QCOMPARE(bar->x() + bar->width() / 2, 700);
        QCOMPARE(bar->geometry().bottom() + 1, 900 - 16);
    }

    void switchShowsItsCaptionOnlyUnderThePointer()
    {
        BarFixture f;
        MiniAppToggleView *toggle = f.bar->controlsRow()->miniAppToggle();
        QVERIFY(!toggle->isHovered());
        QVERIFY(!toggle->label()->isVisible());
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(toggle->toggle(), &enter);
        QVERIFY(toggle->label()->isVisible());
        QCOMPARE(toggle->label()->text(), QStringLiteral("Dynamic App"));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(toggle->toggle(), &leave);
        QVERIFY(!toggle->label()->isVisible());
        QVERIFY(!f.bar->isMiniAppEnabled());
    }
};

TAVO_TEST_MAIN(TestCanvasPromptBar)
#include "tst_canvas_prompt_bar.moc"
