#include "TestMain.h"
#include "tutorial/CanvasTutorial3StepView.h"
#include "tutorial/TutorialVideoPlayer.h"

#include <QAbstractButton>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QSignalSpy>

// The tutorial's videos played by the real multimedia backend on the X display: the player
// reaches playing, the picture replaces the placeholder, and the movie starts over at its end.
class TutorialVideoPlaybackTest : public QObject {
    Q_OBJECT

    // Skips (fails under CI, where the test command installs them) without a backend or decoder.
    static bool backendMissing(QMediaPlayer *player, QString *what)
    {
        if (player->error() == QMediaPlayer::FormatError || player->error() == QMediaPlayer::ResourceError) {
            *what = QStringLiteral("an MPEG-4 demuxer and H.264 decoder for the multimedia backend "
                                   "(gstreamer1.0-plugins-good, gstreamer1.0-libav): ") + player->errorString();
            return true;
        }
        return false;
    }

private Q_SLOTS:
    void playsAndLoops_data()
    {
        QTest::addColumn<bool>("showControls");
        QTest::newRow("without controls") << false;
        QTest::newRow("with controls") << true;
    }
    void playsAndLoops()
    {
        QFETCH(bool, showControls);
        TAVO_REQUIRE(TutorialVideoPlayer::backendAvailable(), QStringLiteral("a Qt Multimedia backend (libqt6multimedia6)"));
        QWidget window;
        window.resize(640, 392);
        auto *video = new TutorialVideoPlayer(QStringLiteral("canvas_tutorial_5_video"), true, showControls, &window);
        video->setGeometry(0, 0, 640, 392);
        QSignalSpy shown(video, &TutorialVideoPlayer::videoShown);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMediaPlayer *player = video->player();
        QVERIFY(player);
        QVERIFY(video->showsPlaceholder() || shown.count() == 1);

        QString missing;
        QTRY_VERIFY_WITH_TIMEOUT(backendMissing(player, &missing) || player->playbackState() == QMediaPlayer::PlayingState, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(backendMissing(player, &missing) || shown.count() == 1, 10000);
        TAVO_REQUIRE(!backendMissing(player, &missing), missing);
        QVERIFY(!video->showsPlaceholder());
        // The movie's canvas colour, where no shape of it ever passes (the picture is scaled
        // to cover the 392 pt height and cropped at the sides).
        const QColor canvas = video->grab().toImage().pixelColor(20, 380);
        const QColor expected(0xEA, 0xE9, 0xE3);
        QVERIFY2(qAbs(canvas.red() - expected.red()) < 12 && qAbs(canvas.green() - expected.green()) < 12
                     && qAbs(canvas.blue() - expected.blue()) < 12,
                 qPrintable(canvas.name()));
        // With sound wherever there is a device to play it on.
        QCOMPARE(player->audioOutput() != nullptr, !QMediaDevices::defaultAudioOutput().isNull());
        QVERIFY(!player->audioOutput() || !player->audioOutput()->isMuted());

        // The movie lasts 3 s: it gets past its middle, then starts again from the top, still playing.
        QCOMPARE(player->loops(), int(QMediaPlayer::Infinite));
        QTRY_VERIFY_WITH_TIMEOUT(player->position() > 2000, 8000);
        QTRY_VERIFY_WITH_TIMEOUT(player->position() < 1000, 8000);
        QCOMPARE(player->playbackState(), QMediaPlayer::PlayingState);
        QCOMPARE(player->error(), QMediaPlayer::NoError);

        if (showControls) {
            auto *playPause = video->findChild<QAbstractButton *>(QStringLiteral("playPause"));
            QVERIFY(playPause);
            playPause->click();
            QTRY_COMPARE(player->playbackState(), QMediaPlayer::PausedState);
            playPause->click();
            QTRY_COMPARE(player->playbackState(), QMediaPlayer::PlayingState);
        }

        // Leaving the screen stops it and its copy of the movie goes.
        const QString copy = video->tempVideoPath();
        window.hide();
        QVERIFY(!QFile::exists(copy));
        QTRY_VERIFY(player->playbackState() != QMediaPlayer::PlayingState);
    }

    // A whole step view on screen plays its own video.
    void stepViewPlaysItsVideo()
    {
        TAVO_REQUIRE(TutorialVideoPlayer::backendAvailable(), QStringLiteral("a Qt Multimedia backend (libqt6multimedia6)"));
        CanvasTutorial3StepView view;
        view.resize(900, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QMediaPlayer *player = view.videoPlayer()->player();
        QVERIFY(player);
        QString missing;
        QTRY_VERIFY_WITH_TIMEOUT(backendMissing(player, &missing) || !view.videoPlayer()->showsPlaceholder(), 10000);
        TAVO_REQUIRE(!backendMissing(player, &missing), missing);
        QCOMPARE(player->playbackState(), QMediaPlayer::PlayingState);
    }
};

TAVO_TEST_MAIN(TutorialVideoPlaybackTest)
#include "tst_tutorialvideoplayback.moc"
