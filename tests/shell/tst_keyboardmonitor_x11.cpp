// The global source on a real X server: keys typed into no window of ours still count.
#include "NotificationSpy.h"
#include "TestMain.h"
#include "shell/KeyboardEventMonitor.h"

#include <QProcess>
#include <QStandardPaths>

class TestKeyboardMonitorX11 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void altTwiceWithoutFocus()
    {
        TAVO_REQUIRE(Prerequisite::hasProgram(QStringLiteral("xdotool")), QStringLiteral("xdotool"));
        KeyboardEventMonitor monitor;
        QVERIFY(monitor.isGlobalMonitorActive());
        NotificationSpy spy;
        QProcess xdotool;
        // The event loop must keep running while the keys are typed: the rule times presses
        // as they are read.
        xdotool.start("xdotool", {"key", "--delay", "150", "alt", "alt"});
        QTRY_COMPARE_WITH_TIMEOUT(xdotool.state(), QProcess::NotRunning, 10000);
        QCOMPARE(xdotool.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count("PanelKeyDoubleTap"), 1, 5000);

        // Too slow a pair posts nothing.
        xdotool.start("xdotool", {"key", "--delay", "800", "ctrl", "ctrl"});
        QTRY_COMPARE_WITH_TIMEOUT(xdotool.state(), QProcess::NotRunning, 10000);
        QTest::qWait(300);
        QCOMPARE(spy.count("TranscriptKeyDoubleTap"), 0);
    }
};

TAVO_TEST_MAIN(TestKeyboardMonitorX11)
#include "tst_keyboardmonitor_x11.moc"
