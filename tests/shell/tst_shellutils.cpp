// Hiding every window before quitting, the nebula switch, and the choice of platform.
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "TestMain.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "shell/ApplicationSetup.h"
#include "widgets/WindowUtils.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <QSignalSpy>
#include <QWidget>

namespace {
QStringList g_log;
void captureLog(const QString &line) { g_log.append(line); }
}

class TestShellUtils : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { g_log.clear(); Log::setSink(&captureLog); }
    void cleanup() { Log::setSink(nullptr); WindowUtils::setTerminator({}); }

    void closeWindowHidesAllButTheStatusBarWindowThenQuits()
    {
        FakeScheduler clock;
        int quits = 0;
        WindowUtils::setTerminator([&] { ++quits; });
        QWidget statusBar, nearlyStatusBar, plain, hidden;
        statusBar.setWindowTitle("NSStatusBarWindow");
        nearlyStatusBar.setWindowTitle("NSStatusBarWindow ");
        plain.setWindowTitle("Tavo Orlune");
        hidden.setWindowTitle("hidden");
        statusBar.show();
        nearlyStatusBar.show();
        plain.show();

        WindowUtils::closeWindow(true);
        QVERIFY(statusBar.isVisible());
        QVERIFY(!nearlyStatusBar.isVisible());
        QVERIFY(!plain.isVisible());
        QCOMPARE(g_log.first(), QString("🔍 closeWindow called - starting window search"));
        QVERIFY(g_log.contains("🪟 Total windows: 4"));
        QVERIFY(g_log.contains("🔄 Hiding window title='hidden'"));
        QVERIFY(!g_log.contains("🔄 Hiding window title='NSStatusBarWindow'"));
        QCOMPARE(g_log.last(), QString("🚪 All windows hidden. Terminating app…"));

        clock.advance(299);
        QCOMPARE(quits, 0);
        clock.advance(1);
        QCOMPARE(quits, 1);
    }

    void closeWindowWithNoWindowsStillQuits()
    {
        FakeScheduler clock;
        int quits = 0;
        WindowUtils::setTerminator([&] { ++quits; });
        WindowUtils::closeWindow(true);
        QVERIFY(g_log.contains("🪟 Total windows: 0"));
        clock.advance(300);
        QCOMPARE(quits, 1);
    }

    void platformChoice_data()
    {
        // Variables set, as "NAME=value" separated by spaces; the platform asked for.
        QTest::addColumn<QString>("variables");
        QTest::addColumn<QByteArray>("platform");
        QTest::newRow("wayland session with XWayland") << "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0" << QByteArray("xcb");
        QTest::newRow("user chose wayland") << "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0 QT_QPA_PLATFORM=wayland" << QByteArray();
        QTest::newRow("user chose offscreen") << "WAYLAND_DISPLAY=wayland-0 DISPLAY=:0 QT_QPA_PLATFORM=offscreen" << QByteArray();
        QTest::newRow("wayland without X") << "WAYLAND_DISPLAY=wayland-0" << QByteArray();
        QTest::newRow("x11 session") << "DISPLAY=:0" << QByteArray();
        QTest::newRow("nothing") << "" << QByteArray();
    }
    void platformChoice()
    {
        QFETCH(QString, variables);
        QFETCH(QByteArray, platform);
        QProcessEnvironment env;
        for (const QString &pair : variables.split(u' ', Qt::SkipEmptyParts))
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        QCOMPARE(ApplicationSetup::preferredPlatform(env), platform);
    }

    void nebulaSwitch()
    {
        BackgroundVisibilityManager bg;
        QVERIFY(bg.showNebula());
        QSignalSpy changed(&bg, &BackgroundVisibilityManager::showNebulaChanged);
        bg.setShowNebula(false);
        bg.setShowNebula(false);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toBool(), false);
    }
};

TAVO_TEST_MAIN(TestShellUtils)
#include "tst_shellutils.moc"
