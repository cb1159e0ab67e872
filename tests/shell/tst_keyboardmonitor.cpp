// The modifier double-tap rule on virtual time, and the application's own key events as a source.
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "shell/KeyboardEventMonitor.h"
#include "Platform/ModifierKeys/LocalModifierEventSource.h"

#include <QWidget>
#include <tuple>

namespace {
QStringList g_log;
void captureLog(const QString &line) { g_log.append(line); }

// A source the test drives by hand.
class ScriptedSource : public ModifierEventSource {
public:
    explicit ScriptedSource(bool global) : m_global(global) {}
    bool start() override { m_running = m_canStart; return m_running; }
    void stop() override { m_running = false; }
    bool isRunning() const override { return m_running; }
    bool isGlobal() const override { return m_global; }
    void report(quint64 flags, qint64 serverTime = -1)
    {
        m_lastEventTime = serverTime;
        Q_EMIT flagsChanged(flags);
    }
    void pressOther() { Q_EMIT otherKeyPressed(); }
    bool m_canStart = true;

private:
    bool m_global;
    bool m_running = false;
};

quint64 parseFlags(const QString &keys)
{
    quint64 flags = 0;
    for (QChar c : keys) {
        if (c == u'O') flags |= ModifierFlag::Option;
        if (c == u'C') flags |= ModifierFlag::Command;
        if (c == u'F') flags |= ModifierFlag::Function;
        if (c == u'K') flags |= ModifierFlag::Control;
        if (c == u'S') flags |= 0x20000; // a bit nobody watches (the design's Shift)
        if (c == u'L') flags |= 0x10000; // Caps Lock
    }
    return flags;
}
}

class TestKeyboardMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { g_log.clear(); Log::setSink(&captureLog); }
    void cleanup() { Log::setSink(nullptr); }

    void doubleTapRule_data();
    void doubleTapRule();
    void tapsAreTimedByTheServersClock_data();
    void tapsAreTimedByTheServersClock();
    void sourcesShareOneState();
    void failedSourceStaysEmpty();
    void applicationKeyEvents();
    void destroyedMonitorPostsNothing();
};

void TestKeyboardMonitor::doubleTapRule_data()
{
    // Each step: "<ms>:<held modifiers>", O Option, C Command, F Function, K Control; an empty
    // set releases everything.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("posted");
    const QStringList none;
    // A tap ends with its release, and the pair's notification comes with the second release.
    QTest::newRow("option 0.2 s apart") << "0:O 40: 200:O 240:" << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("second press still held") << "0:O 40: 200:O" << none;
    QTest::newRow("exactly 0.05 s") << "0:O 20: 50:O 70:" << none;
    QTest::newRow("exactly 0.3 s") << "0:O 40: 300:O 340:" << none;
    QTest::newRow("0.3 s then a quick pair from there") << "0:O 40: 300:O 340: 500:O 540:"
                                                        << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("too soon opens a new pair") << "0:O 10: 20:O 30: 220:O 240:" << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("three presses post once") << "0:O 50: 100:O 150: 200:O 250:" << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("four presses post twice") << "0:O 50: 100:O 150: 200:O 250: 300:O 350:"
                                             << QStringList{"PanelKeyDoubleTap", "PanelKeyDoubleTap"};
    QTest::newRow("held without release is one press") << "0:O 200:O 250:O" << none;
    QTest::newRow("command held while option taps twice") << "0:C 10:CO 50:C 200:CO 240:C 260:"
                                                          << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("option and command together") << "0:OC 40: 200:OC 240:"
                                                 << QStringList{"PanelKeyDoubleTap", "commandKeyDoubleTapped"};
    QTest::newRow("function") << "0:F 40: 150:F 190:" << QStringList{"FlowerKeyDoubleTap"};
    QTest::newRow("control") << "0:K 40: 150:K 190:" << QStringList{"TranscriptKeyDoubleTap"};
    QTest::newRow("command") << "0:C 40: 150:C 190:" << QStringList{"commandKeyDoubleTapped"};
    QTest::newRow("unwatched bits change nothing") << "0:O 40: 100:S 120:L 200:O 240:" << QStringList{"PanelKeyDoubleTap"};
    QTest::newRow("too slow") << "0:K 40: 400:K 440:" << none;
    // "*" is another key going down. Only a modifier that goes down and up alone taps.
    QTest::newRow("two capitals") << "0:F 20:* 60: 150:F 170:* 210:" << none;
    QTest::newRow("a capital, then a bare tap") << "0:F 20:* 60: 150:F 190:" << none;
    QTest::newRow("a bare tap, then a capital") << "0:F 40: 150:F 170:* 210:" << none;
    QTest::newRow("copy then paste") << "0:K 30:* 80: 200:K 230:* 280:" << none;
    QTest::newRow("a key between two taps") << "0:F 40: 100:* 150:F 190:" << QStringList{"FlowerKeyDoubleTap"};
    QTest::newRow("a shortcut, then a pair") << "0:K 30:* 80: 500:K 540: 700:K 740:" << QStringList{"TranscriptKeyDoubleTap"};
    QTest::newRow("option held over a key, command taps") << "0:O 20:O* 30:OC 60:O 200:OC 240:O 400:"
                                                          << QStringList{"commandKeyDoubleTapped"};
}

void TestKeyboardMonitor::tapsAreTimedByTheServersClock_data()
{
    // Each step: "<ms handled>@<ms of the server's clock>:<held modifiers>"; "-" for a report
    // without a server time.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("posted");
    QTest::newRow("handled late, typed 0.2 s apart") << "0@0:O 40@40: 900@200:O 900@240:" << true;
    QTest::newRow("handled together, typed 0.4 s apart") << "0@0:O 10@400: 20@400:O 30@440:" << false;
    QTest::newRow("the server's clock wraps") << "0@4294967200:O 40@4294967240: 200@104:O 240@144:" << true;
    QTest::newRow("two clocks are never compared") << "0@-:O 40@-: 200@200:O 240@240:" << false;
}

void TestKeyboardMonitor::tapsAreTimedByTheServersClock()
{
    QFETCH(QString, steps);
    QFETCH(bool, posted);
    FakeScheduler clock;
    auto *global = new ScriptedSource(true);
    KeyboardEventMonitor monitor({global}, nullptr);
    NotificationSpy spy;
    qint64 now = 0;
    for (const QString &step : steps.split(u' ')) {
        const qsizetype at = step.indexOf(u'@');
        const qsizetype colon = step.indexOf(u':');
        const qint64 handled = step.left(at).toLongLong();
        const QString server = step.mid(at + 1, colon - at - 1);
        clock.advance(handled - now);
        now = handled;
        global->report(parseFlags(step.mid(colon + 1)), server == u"-" ? -1 : server.toLongLong());
    }
    QCOMPARE(spy.count(QStringLiteral("PanelKeyDoubleTap")), posted ? 1 : 0);
}

void TestKeyboardMonitor::doubleTapRule()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, posted);
    FakeScheduler clock;
    auto *local = new ScriptedSource(false);
    KeyboardEventMonitor monitor({local}, nullptr);
    NotificationSpy spy;
    qint64 now = 0;
    for (const QString &step : steps.split(u' ')) {
        const qsizetype colon = step.indexOf(u':');
        const qint64 at = step.left(colon).toLongLong();
        clock.advance(at - now);
        now = at;
        const QString keys = step.mid(colon + 1);
        if (keys.endsWith(u'*'))
            local->pressOther();
        else
            local->report(parseFlags(keys));
    }
    QCOMPARE(spy.names(), posted);
    for (const Notification &n : spy.all()) {
        QVERIFY(n.object.isNull());
        QVERIFY(n.userInfo.isEmpty());
    }
}

void TestKeyboardMonitor::sourcesShareOneState()
{
    FakeScheduler clock;
    auto *local = new ScriptedSource(false);
    auto *global = new ScriptedSource(true);
    KeyboardEventMonitor monitor({local, global}, nullptr);
    NotificationSpy spy;
    local->report(ModifierFlag::Option);
    global->report(ModifierFlag::Option); // the same press seen by the other source: no change
    clock.advance(40);
    local->report(0);
    global->report(0);
    clock.advance(160);
    global->report(ModifierFlag::Option);
    local->report(ModifierFlag::Option);
    clock.advance(40);
    global->report(0);
    local->report(0);
    QCOMPARE(spy.names(), QStringList{"PanelKeyDoubleTap"});
    QVERIFY(g_log.contains("Double tap detected for notification: PanelKeyDoubleTap from global"));
}

void TestKeyboardMonitor::failedSourceStaysEmpty()
{
    FakeScheduler clock;
    auto *local = new ScriptedSource(false);
    auto *global = new ScriptedSource(true);
    global->m_canStart = false;
    KeyboardEventMonitor monitor({local, global}, nullptr);
    QVERIFY(monitor.isLocalMonitorActive());
    QVERIFY(!monitor.isGlobalMonitorActive());
    NotificationSpy spy;
    global->report(ModifierFlag::Control);
    clock.advance(100);
    global->report(0);
    clock.advance(100);
    global->report(ModifierFlag::Control);
    QCOMPARE(spy.count("TranscriptKeyDoubleTap"), 0);
}

void TestKeyboardMonitor::applicationKeyEvents()
{
    // The real local source: key events reaching a window of ours. Alt plays Option.
    FakeScheduler clock;
    KeyboardEventMonitor monitor({new LocalModifierEventSource}, nullptr);
    QWidget w;
    w.show();
    NotificationSpy spy;
    QTest::keyPress(&w, Qt::Key_Alt);
    clock.advance(30);
    QTest::keyRelease(&w, Qt::Key_Alt);
    clock.advance(120);
    QTest::keyClick(&w, Qt::Key_A); // an ordinary key in between neither counts nor resets
    QTest::keyPress(&w, Qt::Key_Alt);
    QTest::keyRelease(&w, Qt::Key_Alt);
    QCOMPARE(spy.names(), QStringList{"PanelKeyDoubleTap"});

    // Shift+A twice, Ctrl+C then Ctrl+V: the letters make the presses no taps.
    spy.clear();
    for (auto [modifier, mask, letter] : {std::tuple{Qt::Key_Shift, Qt::ShiftModifier, Qt::Key_A},
                                          std::tuple{Qt::Key_Shift, Qt::ShiftModifier, Qt::Key_B},
                                          std::tuple{Qt::Key_Control, Qt::ControlModifier, Qt::Key_C},
                                          std::tuple{Qt::Key_Control, Qt::ControlModifier, Qt::Key_V}}) {
        clock.advance(100);
        QTest::keyPress(&w, modifier);
        QTest::keyClick(&w, letter, mask);
        QTest::keyRelease(&w, modifier, mask);
    }
    QCOMPARE(spy.all().size(), 0);
    QVERIFY(g_log.contains("Double tap detected for notification: PanelKeyDoubleTap from local"));

    // Super plays Command, Shift plays Function, Ctrl plays Control.
    spy.clear();
    for (Qt::Key key : {Qt::Key_Super_L, Qt::Key_Shift, Qt::Key_Control}) {
        clock.advance(500);
        QTest::keyPress(&w, key);
        QTest::keyRelease(&w, key);
        clock.advance(100);
        QTest::keyPress(&w, key);
        QTest::keyRelease(&w, key);
    }
    QCOMPARE(spy.names(), (QStringList{"commandKeyDoubleTapped", "FlowerKeyDoubleTap", "TranscriptKeyDoubleTap"}));
}

void TestKeyboardMonitor::destroyedMonitorPostsNothing()
{
    FakeScheduler clock;
    auto monitor = std::make_unique<KeyboardEventMonitor>(std::vector<ModifierEventSource *>{new LocalModifierEventSource}, nullptr);
    monitor.reset();
    QWidget w;
    w.show();
    NotificationSpy spy;
    QTest::keyClick(&w, Qt::Key_Alt);
    clock.advance(100);
    QTest::keyClick(&w, Qt::Key_Alt);
    QCOMPARE(spy.all().size(), 0);
}

TAVO_TEST_MAIN(TestKeyboardMonitor)
#include "tst_keyboardmonitor.moc"
