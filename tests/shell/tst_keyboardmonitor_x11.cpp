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

    // Typing is not tapping: capitals close together (Shift plays Fn) and a copy then a
    // paste (Ctrl plays Control) post nothing; two bare taps of Shift still do.
    void typingIsNotTapping()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
        KeyboardEventMonitor monitor;
        QVERIFY(monitor.isGlobalMonitorActive());
        NotificationSpy spy;
        const QList<QStringList> typing{{"type", "--delay", "60", "I Am Ada"},
                                        {"key", "--delay", "100", "ctrl+c", "ctrl+v"},
                                        {"key", "--delay", "100", "shift+a", "shift+b"}};
        QProcess xdotool;
        for (const QStringList &args : typing) {
            xdotool.start("xdotool", args);
            QTRY_COMPARE_WITH_TIMEOUT(xdotool.state(), QProcess::NotRunning, 10000);
            QCOMPARE(xdotool.exitCode(), 0);
            QTest::qWait(400);
        }
        QCOMPARE(spy.count("FlowerKeyDoubleTap"), 0);
        QCOMPARE(spy.count("TranscriptKeyDoubleTap"), 0);

        xdotool.start("xdotool", {"key", "--delay", "200", "shift", "shift"});
        QTRY_COMPARE_WITH_TIMEOUT(xdotool.state(), QProcess::NotRunning, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count("FlowerKeyDoubleTap"), 1, 5000);
        QTest::qWait(300);
        QCOMPARE(spy.count("FlowerKeyDoubleTap"), 1);
    }
};

TAVO_TEST_MAIN(TestKeyboardMonitorX11)
#include "tst_keyboardmonitor_x11.moc"
