#include "FakeAudioCaptureBackend.h"
#include "FakeScheduler.h"
#include "FakeTranscriptCoordinator.h"
#include "Platform/NotificationCenter.h"
#include "NotificationSpy.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "VoiceTestHelpers.h"
#include "analytics/AnalyticsService.h"
#include "theme/CircleButton.h"
#include "voice/AudioManagerService.h"
#include "voice/TranscriptView.h"
#include "voice/TranscriptWindowManager.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

class TranscriptPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeScheduler> m_clock;
    std::unique_ptr<AudioManagerService> m_audio;
    std::unique_ptr<FakeTranscriptCoordinator> m_coordinator;
    std::unique_ptr<TranscriptWindowManager> m_manager;
    RecordingAnalyticsClient m_analytics;

    QPoint expectedOrigin() const
    {
        return TranscriptWindowManager::panelOrigin(QGuiApplication::primaryScreen()->availableGeometry(), QSize(408, 500));
    }
    void showAndSettle()
    {
        m_manager->show();
        m_clock->advance(BaseWindowManager::fadeDurationMs);
    }
    QPlainTextEdit *editor() const { return m_manager->content()->editor(); }

private Q_SLOTS:
    void initTestCase()
    {
        VoiceTest::captureLog();
        AnalyticsService::shared().setClient(&m_analytics);
    }
    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }

    void init()
    {
        m_analytics.clear();
        VoiceTest::logLines().clear();
        m_clock = std::make_unique<FakeScheduler>();
        m_audio = std::make_unique<AudioManagerService>(std::make_unique<FakeAudioCaptureBackend>(),
                                                        std::make_unique<GroqService>(QStringLiteral("https://speech.invalid/x")));
        m_coordinator = std::make_unique<FakeTranscriptCoordinator>();
        m_manager = std::make_unique<TranscriptWindowManager>(m_coordinator.get(), m_audio.get());
    }

    void cleanup()
    {
        m_manager.reset();
        m_coordinator.reset();
        m_audio.reset();
        m_clock.reset();
    }

    void panelOriginIsBottomCentre_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("whole screen") << QRect(0, 0, 1920, 1080) << QPoint(756, 550);
        QTest::newRow("menu bar and dock") << QRect(0, 25, 1440, 795) << QPoint(516, 290);
        QTest::newRow("second screen to the right") << QRect(1920, 0, 1280, 1000) << QPoint(2356, 470);
        QTest::newRow("odd width") << QRect(0, 0, 1025, 768) << QPoint(309, 238);
    }

    void panelOriginIsBottomCentre()
    {
        QFETCH(QRect, available);
        QFETCH(QPoint, origin);
        const QPoint got = TranscriptWindowManager::panelOrigin(available, QSize(408, 500));
        QVERIFY2(qAbs(got.x() - origin.x()) <= 1 && got.y() == origin.y(),
                 qPrintable(QStringLiteral("%1,%2").arg(got.x()).arg(got.y())));
    }

    void showAndHideRunTheirSteps()
    {
        NotificationSpy spy;
        QVERIFY(!m_manager->window()); // no panel before the first show
        m_manager->show();
        QWidget *panel = m_manager->window();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(panel->size(), QSize(408, 500));
        QCOMPARE(panel->pos(), expectedOrigin());
        QVERIFY(panel->windowFlags() & Qt::Tool);
        QVERIFY(panel->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(panel->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(panel->windowFlags() & Qt::WindowDoesNotAcceptFocus)); // the editor must take typing
        QVERIFY(m_manager->isWindowVisible());
        QCOMPARE(spy.names(), QStringList{TranscriptWindowManager::kWillAppear});
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QCOMPARE(panel->windowOpacity(), 1.0);

        // A second show replaces the view and announces itself again; still one panel.
        TranscriptView *first = m_manager->content();
        m_manager->show();
        QVERIFY(m_manager->content() != first);
        QCOMPARE(spy.count(TranscriptWindowManager::kWillAppear), 2);
        QCOMPARE(m_manager->window(), panel);

        // Hiding lets the audio service's transcription go, but never a recording.
        m_audio->startRecording(RecordingSource::flower);
        m_clock->runPending();
        m_manager->hide();
        QVERIFY(!m_manager->isWindowVisible());
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 1);
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QVERIFY(!panel->isVisible());
        QVERIFY(m_audio->isRecording());
        QVERIFY(VoiceTest::logLines().contains(QStringLiteral("Transcription Cleared")));
        m_audio->cancelRecording(RecordingSource::unknown);

        // A hide of a hidden panel does nothing at all.
        m_manager->hide();
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 1);
    }

    void hideDuringFadeInRunsAgainAfterIt()
    {
        NotificationSpy spy;
        m_manager->show();
        m_clock->advance(100);
        m_manager->hide();
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 1);
        QVERIFY(m_manager->window()->isVisible());
        m_clock->advance(200); // the fade-in ends and the queued hide runs all its steps again
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 2);
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QVERIFY(!m_manager->window()->isVisible());
    }

    void flowerRecordingStartHidesWithoutReport()
    {
        NotificationSpy spy;
        NotificationCenter::defaultCenter().post(TranscriptWindowManager::kFlowerViewWillAppear);
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 0);
        showAndSettle();
        NotificationCenter::defaultCenter().post(TranscriptWindowManager::kFlowerViewWillAppear);
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QVERIFY(!m_manager->window()->isVisible());
        QCOMPARE(spy.count(TranscriptWindowManager::kDidDisappear), 1);
        QCOMPARE(m_analytics.count(QStringLiteral("transcription_interaction")), 0);
    }

    void panelFollowsTranscriptionAndHeightChanges()
    {
        showAndSettle();
        QWidget *panel = m_manager->window();
        panel->move(10, 10);
        // The transcription is debounced by 100 ms: a failed dictation changes it.
        m_audio->startRecording(RecordingSource::flower);
        m_clock->runPending();
        m_audio->stopRecording(nullptr, QStringLiteral("FlowerWindow"));
        QTRY_VERIFY([&] {
            m_clock->runPending();
            return m_audio->transcription() == AudioManagerService::kTranscriptionFailedText;
        }());
        QCOMPARE(panel->pos(), QPoint(10, 10));
        m_clock->advance(99);
        QCOMPARE(panel->pos(), QPoint(10, 10));
        m_clock->advance(1);
        QCOMPARE(panel->pos(), expectedOrigin());

        panel->move(10, 10);
        NotificationCenter::defaultCenter().post(TranscriptView::kHeightChanged);
        QCOMPARE(panel->pos(), expectedOrigin());
    }

    void closeAndSendReportAndHide_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("source");
        QTest::newRow("close button") << "close" << "transcript";
        QTest::newRow("send button") << "send" << "auto";
        QTest::newRow("return key") << "return" << "auto";
    }

    void closeAndSendReportAndHide()
    {
        QFETCH(QString, how);
        QFETCH(QString, source);
        m_coordinator->setTranscriptInput(QStringLiteral("  Book a flight  "));
        showAndSettle();
        if (how == QLatin1String("close"))
            m_manager->content()->closeButton()->click();
        else if (how == QLatin1String("send"))
            m_manager->content()->sendButton()->click();
        else
            QTest::keyClick(editor(), Qt::Key_Return);
        QVERIFY(!m_manager->isWindowVisible());
        QCOMPARE(m_analytics.count(QStringLiteral("transcription_interaction")), 0); // reported on a later turn
        m_clock->runPending();
        const QVariantMap event = m_analytics.lastProperties(QStringLiteral("transcription_interaction"));
        QCOMPARE(event.value(QStringLiteral("action")).toString(), QStringLiteral("close"));
        QCOMPARE(event.value(QStringLiteral("source")).toString(), source);
        QVERIFY(!event.contains(QStringLiteral("word_count")));
        if (how == QLatin1String("close")) {
            QVERIFY(m_coordinator->submissions.isEmpty());
            QVERIFY(VoiceTest::logLines().contains(QStringLiteral("Close button tapped in TranscriptView - Triggering window close")));
        } else {
            QCOMPARE(m_coordinator->submissions, QStringList{QStringLiteral("All Tasks:  Book a flight  ")});
            QCOMPARE(m_coordinator->transcriptInput(), QStringLiteral("Book a flight"));
        }
    }

    void failedSendKeepsPanelAndText()
    {
        m_coordinator->failTaskCreation = true;
        m_coordinator->setTranscriptInput(QStringLiteral("Keep me"));
        showAndSettle();
        QTest::keyClick(editor(), Qt::Key_Return);
        m_clock->runPending();
        QCOMPARE(m_coordinator->submissions.size(), 1);
        QVERIFY(m_manager->isWindowVisible());
        QCOMPARE(editor()->toPlainText(), QStringLiteral("Keep me"));
        QCOMPARE(m_analytics.count(QStringLiteral("transcription_interaction")), 0);
    }

    void keysEditAndSend()
    {
        showAndSettle();
        NotificationSpy spy;
        QTest::keyClicks(editor(), QStringLiteral("a"));
        QCOMPARE(m_coordinator->transcriptInput(), QStringLiteral("a"));
        QCOMPARE(spy.count(TranscriptView::kHeightChanged), 1); // once per change, even at the same height
        QTest::keyClick(editor(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(m_coordinator->transcriptInput(), QStringLiteral("a\n"));
        QTest::keyClick(editor(), Qt::Key_Enter); // keypad Enter is not Return: a plain new line
        QVERIFY(m_coordinator->submissions.isEmpty());
        QTest::keyClicks(editor(), QStringLiteral("b"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QCOMPARE(m_coordinator->submissions.size(), 1);
        QVERIFY(m_coordinator->submissions.first().startsWith(QStringLiteral("All Tasks:a\n")));
        QVERIFY(!m_coordinator->submissions.first().endsWith(u'\n')); // Return inserted nothing
    }

    void editorHeightFollowsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("min");
        QTest::addColumn<qreal>("max");
        QTest::newRow("empty") << QString() << 44.0 << 44.0;
        QTest::newRow("one short line") << QStringLiteral("Hi") << 44.0 << 52.0;
        QTest::newRow("three lines") << QStringLiteral("one\ntwo\nthree") << 80.0 << 110.0;
        QTest::newRow("long text is capped") << QString(3000, u'w') << 300.0 << 300.0;
        QTest::newRow("many lines are capped") << QStringLiteral("line\n").repeated(40) << 300.0 << 300.0;
    }

    void editorHeightFollowsText()
    {
        QFETCH(QString, text);
        QFETCH(qreal, min);
        QFETCH(qreal, max);
        const qreal h = TranscriptView::measureTextHeight(text);
        QVERIFY2(h >= min && h <= max, qPrintable(QString::number(h)));
    }

    void textFromTheCoordinatorReachesTheOpenEditor()
    {
        m_coordinator->setTranscriptInput(QStringLiteral("first"));
        showAndSettle();
        TranscriptView *view = m_manager->content();
        QCOMPARE(editor()->toPlainText(), QStringLiteral("first"));
        QCOMPARE(view->textEditorHeight(), TranscriptView::measureTextHeight(QStringLiteral("first")));
        NotificationSpy spy;
        const QString longer = QStringLiteral("a dictated request\n").repeated(6);
        m_coordinator->setTranscriptInput(longer);
        QCOMPARE(editor()->toPlainText(), longer);
        QCOMPARE(view->textEditorHeight(), TranscriptView::measureTextHeight(longer));
        QVERIFY(view->textEditorHeight() > 100);
        QCOMPARE(spy.count(TranscriptView::kHeightChanged), 1);
        // The card still sits at the bottom of the panel once the height has settled.
        QTRY_COMPARE(view->card()->geometry().bottom(), 500 - 16 - 1);
    }

    void initializingShowsPlaceholder()
    {
        m_coordinator->setInitializing(true);
        m_coordinator->setTranscriptInput(QStringLiteral("waiting"));
        showAndSettle();
        TranscriptView *view = m_manager->content();
        QVERIFY(!view->isEditorShown());
        QVERIFY(view->placeholder()->isVisible());
        QCOMPARE(view->placeholder()->text(), QStringLiteral("Initializing\u2026"));
        QVERIFY(!view->sendButton()->isEnabled());
        view->sendButton()->click();
        view->send();
        QVERIFY(m_coordinator->submissions.isEmpty());

        m_coordinator->setInitializing(false);
        QVERIFY(view->isEditorShown());
        QVERIFY(!view->placeholder()->isVisible());
        QCOMPARE(editor()->toPlainText(), QStringLiteral("waiting"));
        QVERIFY(view->sendButton()->isEnabled());

        // The close button works throughout.
        m_coordinator->setInitializing(true);
        view->closeButton()->click();
        QVERIFY(!m_manager->isWindowVisible());
    }

    void entranceAnimationEndsAtFullSize()
    {
        showAndSettle();
        TranscriptView *view = m_manager->content();
        QCOMPARE(view->animationOpacity(), 0.0);
        QCOMPARE(view->animationScale(), 0.8);
        m_clock->advance(100);
        QTRY_COMPARE_WITH_TIMEOUT(view->animationScale(), 1.0, 3000);
        QCOMPARE(view->animationOpacity(), 1.0);
    }

    void twoManagersShareTheTextButNotTheirPanels()
    {
        TranscriptWindowManager other(m_coordinator.get(), m_audio.get());
        showAndSettle();
        other.show();
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QCOMPARE(other.window()->pos(), m_manager->window()->pos());
        QTest::keyClicks(editor(), QStringLiteral("shared"));
        QCOMPARE(other.content()->editor()->toPlainText(), QStringLiteral("shared"));
        m_manager->hide();
        m_clock->advance(BaseWindowManager::fadeDurationMs);
        QVERIFY(!m_manager->window()->isVisible());
        QVERIFY(other.window()->isVisible());
    }
};

TAVO_TEST_MAIN(TranscriptPanelTest)
#include "tst_transcriptpanel.moc"
