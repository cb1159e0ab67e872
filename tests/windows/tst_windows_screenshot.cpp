#include "TestMain.h"
#include "PainterWarnings.h"
#include "WindowFakes.h"
#include "widgets/FlowerAnimationView.h"
#include "windows/FlowerWindowManager.h"
#include "windows/NSCanvasWindowManager.h"

#include <QScreen>
#include <QTemporaryDir>

// The flower and the canvas window on a real X display, captured in one screenshot.
class TestWindowsScreenshot : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flowerAndCanvasOnScreen()
    {
        PainterWarnings painterWarnings;
        ScriptedRecorder audio;
        NSCanvasWindowManager canvas([] { return std::make_shared<QObject>(); });
        FlowerWindowManager flower(&audio);
        canvas.show();
        flower.showFlowerWindow();
        QTRY_VERIFY(flower.window()->isVisible());
        QTRY_COMPARE(flower.window()->windowOpacity(), 1.0);
        QTRY_VERIFY(canvas.window()->isVisible());
        QTest::qWait(800); // the canvas goes full screen after 0.5 s
        flower.window()->raise();
        QTest::qWait(200);

        QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QPixmap shot = screen->grabWindow(0);
        QVERIFY(!shot.isNull());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("windows.png"));
        QVERIFY(shot.save(path));
        QVERIFY(QFileInfo(path).size() > 0);
        if (const QByteArray keep = qgetenv("TAVO_SCREENSHOT_DIR"); !keep.isEmpty())
            shot.save(QString::fromLocal8Bit(keep) + QStringLiteral("/windows.png"));

        // The flower sits 36 pt above the bottom of the available area, centred.
        const QRect avail = screen->availableGeometry();
        const QRect g = flower.window()->geometry();
        QCOMPARE(g.size(), QSize(240, 240));
        QCOMPARE(g.bottom() + 1, avail.bottom() + 1 - 36);
        QCOMPARE(g.center().x(), avail.center().x());

        flower.hide();
        canvas.hide();
        QTRY_VERIFY(!flower.window()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!canvas.window()->isVisible(), 3000);
        QVERIFY2(painterWarnings.seen().isEmpty(), painterWarnings.summary().constData());
    }
};

TAVO_TEST_MAIN(TestWindowsScreenshot)
#include "tst_windows_screenshot.moc"
