#include "TestMain.h"
#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "tutorial/TutorialVideoPlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaPlayer>

namespace {
QStringList g_lines;
void capture(const QString &line)
{
    g_lines << line;
}

const QString kVideo = QStringLiteral("canvas_tutorial_3_video");

// The files a player of that video may have left in the private temporary folder.
QStringList leftovers(const QString &video)
{
    return QDir(AppPaths::tempDir()).entryList({video + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
}
}

// The tutorial's video player without playing anything: where its movie comes from, the
// placeholder when there is none, and the temporary copies of the data asset.
class TutorialVideoPlayerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        g_lines.clear();
        Log::setSink(capture);
    }
    void cleanup() { Log::setSink(nullptr); }

    void missingVideoKeepsThePlaceholder_data()
    {
        QTest::addColumn<bool>("useDataAsset");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("line");
        QTest::newRow("no such data asset") << true << "canvas_tutorial_7_video" << "Data asset canvas_tutorial_7_video not found";
        QTest::newRow("a path is no asset name") << true << "../Info" << "Data asset ../Info not found";
        QTest::newRow("no such bundle file") << false << "canvas_tutorial_3_video" << "Video file canvas_tutorial_3_video.mp4 not found in bundle";
    }
    void missingVideoKeepsThePlaceholder()
    {
        QFETCH(bool, useDataAsset);
        QFETCH(QString, name);
        QFETCH(QString, line);
        const QString resources = QDir::temp().filePath(QStringLiteral("tavo-empty-resources"));
        QDir().mkpath(resources);
        qputenv("TAVO_RESOURCE_DIR", resources.toUtf8());

        QWidget window;
        window.resize(600, 500);
        auto *video = new TutorialVideoPlayer(name, useDataAsset, false, &window);
        video->setGeometry(0, 0, 600, 392);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        qunsetenv("TAVO_RESOURCE_DIR");

        QCOMPARE(g_lines, QStringList{line});
        QVERIFY(!video->player());
        QVERIFY(video->showsPlaceholder());
        QVERIFY(video->tempVideoPath().isEmpty());
        QCOMPARE(video->height(), 392);
        // The placeholder itself: a nearly opaque white card with its text in the middle.
        const QImage shot = video->grab().toImage();
        const QColor fill = shot.pixelColor(40, 40);
        QVERIFY2(fill.red() > 240 && fill.green() > 240 && fill.blue() > 240, qPrintable(fill.name()));
        bool inked = false;
        for (int x = 200; x < 400 && !inked; ++x)
            inked = shot.pixelColor(x, 196).red() < 150;
        QVERIFY2(inked, "no placeholder text in the middle");
        QVERIFY(leftovers(name).isEmpty());
    }

    // The outgoing and the incoming card of a quick Back show the same video at once: each
    // player must have its own copy, so that one's clean-up never takes the other's movie.
    void playersOfOneVideoNeverShareAFile()
    {
        TAVO_REQUIRE(TutorialVideoPlayer::backendAvailable(), QStringLiteral("a Qt Multimedia backend (libqt6multimedia6)"));
        const QByteArray asset = [] {
            QFile f(TutorialVideoPlayer::dataAssetPath(kVideo));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!asset.isEmpty());

        QWidget window;
        auto *outgoing = new TutorialVideoPlayer(kVideo, true, false, &window);
        auto *incoming = new TutorialVideoPlayer(kVideo, true, false, &window);
        window.show();
        const QString a = outgoing->tempVideoPath();
        const QString b = incoming->tempVideoPath();
        QVERIFY(!a.isEmpty());
        QVERIFY(!b.isEmpty());
        QVERIFY(a != b);
        for (const QString &path : {a, b}) {
            // In our private folder, readable by us alone, holding the asset.
            QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(AppPaths::tempDir()).absoluteFilePath());
            QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                     QFile::Permissions());
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), asset);
        }
        QVERIFY(outgoing->player());
        QCOMPARE(outgoing->player()->source(), QUrl::fromLocalFile(a));
        QCOMPARE(incoming->player()->source(), QUrl::fromLocalFile(b));
        QCOMPARE(outgoing->player()->loops(), int(QMediaPlayer::Infinite));
        QVERIFY(outgoing->isLooping());

        // The outgoing card leaves: its file goes, the incoming one's stays.
        outgoing->hide();
        QVERIFY(!QFile::exists(a));
        QVERIFY(QFile::exists(b));
        QCOMPARE(incoming->tempVideoPath(), b);
        QVERIFY(outgoing->tempVideoPath().isEmpty());
        QVERIFY(!outgoing->isLooping());
        QVERIFY(outgoing->player());  // kept, paused
        QVERIFY(outgoing->player()->playbackState() != QMediaPlayer::PlayingState);
        QCOMPARE(outgoing->player()->loops(), int(QMediaPlayer::Once));

        // Shown again, it sets up afresh: a new file and a new player.
        QMediaPlayer *before = outgoing->player();
        outgoing->show();
        QVERIFY(!outgoing->tempVideoPath().isEmpty());
        QVERIFY(outgoing->tempVideoPath() != a);
        QVERIFY(outgoing->player() != before);
        QCOMPARE(leftovers(kVideo).size(), 2);

        // Torn down while on screen (no hide reaches it): nothing is left behind.
        delete incoming;
        QVERIFY(!QFile::exists(b));
        window.hide();
        QCOMPARE(leftovers(kVideo), QStringList());
    }
};

TAVO_TEST_MAIN(TutorialVideoPlayerTest)
#include "tst_tutorialvideoplayer.moc"
