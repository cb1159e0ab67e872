#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"
#include "FakeScheduler.h"
#include "Platform/NotificationCenter.h"
#include "Platform/ModalPrompt.h"
#include "Platform/OutsideAddress.h"
#include "Platform/Updater/SoftwareUpdater.h"
#include "NotificationSpy.h"
#include "Platform/PlistReader.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "Platform/UuidText.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <sys/stat.h>

class PlatformTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void notificationsDeliverInOrderAndKeepTypes()
    {
        NotificationSpy spy;
        QObject context;
        QStringList order;
        QVariantMap received;
        NotificationCenter::defaultCenter().addObserver(QStringLiteral("A"), &context, [&](const Notification &n) {
            order << QStringLiteral("first");
            received = n.userInfo;
        });
        NotificationCenter::defaultCenter().addObserver(QStringLiteral("A"), &context, [&](const Notification &) { order << QStringLiteral("second"); });
        const QUuid id = QUuid::createUuid();
        NotificationCenter::defaultCenter().post(QStringLiteral("A"), {}, {{QStringLiteral("taskId"), id}, {QStringLiteral("count"), 3}, {QStringLiteral("text"), QStringLiteral("3")}});
        QCOMPARE(order, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
        QCOMPARE(received.value(QStringLiteral("taskId")).typeId(), QMetaType::QUuid);
        QCOMPARE(received.value(QStringLiteral("taskId")).toUuid(), id);
        QCOMPARE(received.value(QStringLiteral("count")).typeId(), QMetaType::Int);
        QCOMPARE(received.value(QStringLiteral("text")).typeId(), QMetaType::QString);
        QCOMPARE(spy.names(), QStringList{QStringLiteral("A")});
    }

    void observersGoWithTheirContextOrToken()
    {
        int calls = 0;
        auto *context = new QObject;
        NotificationCenter::defaultCenter().addObserver(QStringLiteral("B"), context, [&](const Notification &) { ++calls; });
        QObject other;
        const auto token = NotificationCenter::defaultCenter().addObserver(QStringLiteral("B"), &other, [&](const Notification &) { calls += 10; });
        NotificationCenter::defaultCenter().post(QStringLiteral("B"));
        QCOMPARE(calls, 11);
        delete context;
        NotificationCenter::defaultCenter().removeObserver(token);
        NotificationCenter::defaultCenter().post(QStringLiteral("B"));
        QCOMPARE(calls, 11);
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(QStringLiteral("B")), 0);
    }

    void postsFromAnotherThreadAreQueuedToTheObserver()
    {
        QObject context;
        QThread *deliveredOn = nullptr;
        NotificationCenter::defaultCenter().addObserver(QStringLiteral("C"), &context, [&](const Notification &) { deliveredOn = QThread::currentThread(); });
        QThread *worker = QThread::create([] { NotificationCenter::defaultCenter().post(QStringLiteral("C")); });
        worker->start();
        worker->wait();
        delete worker;
        QVERIFY(!deliveredOn);
        QTRY_VERIFY(deliveredOn);
        QCOMPARE(deliveredOn, QThread::currentThread());
    }

    // Observers on this thread come and go while another thread posts: nothing reaches an
    // observer after its context is gone (a sanitizer build sees any touch of a freed one).
    void postsFromAnotherThreadNeverReachADeletedObserver()
    {
        std::atomic<bool> stop = false;
        QThread *worker = QThread::create([&stop] {
            while (!stop)
                NotificationCenter::defaultCenter().post(QStringLiteral("D"));
        });
        worker->start();
        int late = 0;
        int delivered = 0;
        for (int i = 0; i < 300; ++i) {
            auto *context = new QObject;
            auto alive = std::make_shared<bool>(true);
            NotificationCenter::defaultCenter().addObserver(QStringLiteral("D"), context, [&, alive](const Notification &) {
                ++delivered;
                if (!*alive)
                    ++late;
            });
            // Now and then the worker's posts are let through, so deletions meet queued ones.
            if (i % 30 == 0) {
                const int before = delivered;
                QTRY_VERIFY_WITH_TIMEOUT(delivered > before, 5000);
            }
            QCoreApplication::processEvents();
            delete context;
            *alive = false;
            QCoreApplication::processEvents();
        }
        stop = true;
        worker->wait();
        delete worker;
        QCoreApplication::processEvents();
        QCOMPARE(late, 0);
        QVERIFY(delivered > 0);
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(QStringLiteral("D")), 0);
    }

    void virtualTimeRunsTimersInOrder()
    {
        FakeScheduler clock;
        QObject context;
        QStringList fired;
        const QDateTime start = clock.now();
        clock.singleShot(300, &context, [&] { fired << QStringLiteral("300"); });
        clock.singleShot(100, &context, [&] {
            fired << QStringLiteral("100");
            clock.singleShot(50, &context, [&] { fired << QStringLiteral("150"); });
        });
        const auto rep = clock.repeating(120, &context, [&] { fired << QStringLiteral("rep"); });
        clock.nextTurn(&context, [&] { fired << QStringLiteral("turn"); });
        clock.advance(99);
        QCOMPARE(fired, QStringList{QStringLiteral("turn")});
        clock.advance(201);
        QCOMPARE(fired, (QStringList{QStringLiteral("turn"), QStringLiteral("100"), QStringLiteral("rep"), QStringLiteral("150"), QStringLiteral("rep"), QStringLiteral("300")}));
        QCOMPARE(start.msecsTo(clock.now()), 300);
        clock.cancel(rep);
        {
            QObject shortLived;
            clock.singleShot(10, &shortLived, [&] { fired << QStringLiteral("dead"); });
        }
        clock.advance(1000);
        QCOMPARE(fired.size(), 6);
    }

    void settingsRoundTrip()
    {
        Settings &s = Settings::instance();
        QVERIFY(s.filePath().endsWith(QStringLiteral("TavoOrlune/TavoOrlune.conf")));
        s.setValue(QStringLiteral("hasSeenIntro"), true);
        s.setValue(QStringLiteral("count"), 42);
        s.setValue(QStringLiteral("name"), QStringLiteral("x"));
        s.setValue(QStringLiteral("origin"), QVariantMap{{QStringLiteral("x"), 10.5}});
        s.sync();
        s.reopen(s.filePath());
        QCOMPARE(s.boolValue(QStringLiteral("hasSeenIntro")), true);
        QCOMPARE(s.intValue(QStringLiteral("count")), 42);
        QCOMPARE(s.stringValue(QStringLiteral("name")), QStringLiteral("x"));
        QCOMPARE(s.mapValue(QStringLiteral("origin")).value(QStringLiteral("x")).toDouble(), 10.5);
        QCOMPARE(s.boolValue(QStringLiteral("name"), true), true); // wrong type answers the fallback
        QVERIFY(s.mapValue(QStringLiteral("name")).isEmpty());
        s.remove(QStringLiteral("count"));
        QVERIFY(!s.contains(QStringLiteral("count")));
        QCOMPARE(s.intValue(QStringLiteral("count"), 7), 7);
    }

    void plistReadingAndEnvironmentOverride()
    {
        const QByteArray xml = R"(<?xml version="1.0"?><plist version="1.0"><dict>
            <key>S</key><string>text</string><key>I</key><integer>5</integer><key>R</key><real>1.5</real>
            <key>T</key><true/><key>A</key><array><string>a</string><false/></array>
            <key>D</key><dict><key>k</key><string>v</string></dict></dict></plist>)";
        const auto v = PlistReader::parse(xml);
        QVERIFY(v);
        const QVariantMap m = v->toMap();
        QCOMPARE(m.value(QStringLiteral("S")).toString(), QStringLiteral("text"));
        QCOMPARE(m.value(QStringLiteral("I")).typeId(), QMetaType::LongLong);
        QCOMPARE(m.value(QStringLiteral("R")).toDouble(), 1.5);
        QCOMPARE(m.value(QStringLiteral("T")).toBool(), true);
        QCOMPARE(m.value(QStringLiteral("A")).toList().size(), 2);
        QCOMPARE(m.value(QStringLiteral("D")).toMap().value(QStringLiteral("k")).toString(), QStringLiteral("v"));
        QVERIFY(!PlistReader::parse("<plist><dict><key>x</key></dict></plist>"));
        QVERIFY(!PlistReader::parse("not xml"));

        // The application's own list is compiled in, with the project's version.
        AppInfo &info = AppInfo::instance();
        QCOMPARE(info.string(QStringLiteral("CFBundleName")), QStringLiteral("Tavo Orlune"));
        QVERIFY(!info.version().isEmpty());
        QVariantMap dict = info.dictionary();
        dict.insert(QStringLiteral("ServiceURL"), QStringLiteral("https://example.invalid"));
        info.setDictionary(dict);
        QCOMPARE(info.configured(QStringLiteral("ServiceURL"), "TAVO_TEST_SERVICE_URL"), QStringLiteral("https://example.invalid"));
        qputenv("TAVO_TEST_SERVICE_URL", "http://127.0.0.1:1234");
        QCOMPARE(info.configured(QStringLiteral("ServiceURL"), "TAVO_TEST_SERVICE_URL"), QStringLiteral("http://127.0.0.1:1234"));
        qunsetenv("TAVO_TEST_SERVICE_URL");
    }

    void uuidText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("upper") << "E621E1F8-C36C-495A-93FC-0C247A3E6E5F" << true;
        QTest::newRow("lower") << "e621e1f8-c36c-495a-93fc-0c247a3e6e5f" << true;
        QTest::newRow("braces") << "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}" << false;
        QTest::newRow("no hyphens") << "E621E1F8C36C495A93FC0C247A3E6E5F" << false;
        QTest::newRow("urn") << "urn:uuid:E621E1F8-C36C-495A-93FC-0C247A3E6E5F" << false;
        QTest::newRow("space") << " E621E1F8-C36C-495A-93FC-0C247A3E6E5F" << false;
        QTest::newRow("bad digit") << "G621E1F8-C36C-495A-93FC-0C247A3E6E5F" << false;
        QTest::newRow("hyphen moved") << "E621E1F-8C36C-495A-93FC-0C247A3E6E5F" << false;
        QTest::newRow("empty") << "" << false;
    }
    void uuidText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto parsed = UuidText::parse(text);
        QCOMPARE(bool(parsed), valid);
        if (valid)
            QCOMPARE(UuidText::toText(*parsed), text.toUpper());
    }

    void outsideAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://api.example.com/v1" << true;
        QTest::newRow("wss") << "wss://socket.example.com/ws" << true;
        QTest::newRow("http elsewhere") << "http://api.example.com/v1" << false;
        QTest::newRow("ws elsewhere") << "ws://socket.example.com/ws" << false;
        QTest::newRow("http to a private address") << "http://192.168.1.5:8080/" << false;
        QTest::newRow("http to 127.0.0.1") << "http://127.0.0.1:4567/x" << true;
        QTest::newRow("ws to 127.8.9.10") << "ws://127.8.9.10:99/ws" << true;
        QTest::newRow("http to ::1") << "http://[::1]:80/" << true;
        QTest::newRow("http to localhost") << "http://LocalHost:80/" << true;
        QTest::newRow("loopback-looking name") << "http://127.0.0.1.example.com/" << false;
        QTest::newRow("no host") << "https:///path" << false;
        QTest::newRow("other scheme") << "ftp://127.0.0.1/" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
    }

    void outsideAddresses()
    {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        QCOMPARE(OutsideAddress::isAllowed(QUrl(url)), allowed);
    }

    // A link in a prompt's text is shown as text, never as a live link.
    void promptTextsArePlain()
    {
        PromptRequest request;
        request.title = QStringLiteral("<b>Software Update</b>");
        request.text = QStringLiteral("Version <a href=\"https://evil.example/\">1.2</a> is available.");
        bool answered = false;
        ModalPrompt::askAsync(request, this, [&](int) { answered = true; });
        const auto findBox = [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
                    return b;
            return static_cast<QMessageBox *>(nullptr);
        };
        QTRY_VERIFY(findBox());
        QMessageBox *box = findBox();
        const QList<QLabel *> labels = box->findChildren<QLabel *>();
        int withText = 0;
        for (const QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            ++withText;
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(!label->openExternalLinks());
            QVERIFY(!(label->textInteractionFlags() & Qt::LinksAccessibleByMouse));
        }
        QCOMPARE(withText, 2);
        box->close();
        QTRY_VERIFY(answered);
    }

    void updateFeedVersions_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<bool>("readable");
        QTest::newRow("numeric") << QByteArray("{\"version\":\"9.10.2\",\"url\":\"https://example.com/d\"}") << true;
        QTest::newRow("one number") << QByteArray("{\"version\":\"42\"}") << true;
        QTest::newRow("link after the number") << QByteArray("{\"version\":\"9.1 <a href='https://evil.example'>x</a>\"}") << false;
        QTest::newRow("suffix") << QByteArray("{\"version\":\"9.1-beta\"}") << false;
        QTest::newRow("leading blank") << QByteArray("{\"version\":\" 9.1\"}") << false;
        QTest::newRow("other digits") << QByteArray("{\"version\":\"٩.١\"}") << false;
        QTest::newRow("number type") << QByteArray("{\"version\":9.1}") << false;
        QTest::newRow("not JSON") << QByteArray("9.1") << false;
    }

    void updateFeedVersions()
    {
        QFETCH(QByteArray, feed);
        QFETCH(bool, readable);
        const SoftwareUpdater::Result r = SoftwareUpdater::evaluate(feed, QStringLiteral("1.0.0"));
        QCOMPARE(r.outcome != SoftwareUpdater::Outcome::Failed, readable);
        if (readable)
            QCOMPARE(r.outcome, SoftwareUpdater::Outcome::UpdateAvailable);
    }

    void privateFolders()
    {
        const QString temp = AppPaths::tempDir();
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(temp).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        const QString a = AppPaths::uniqueTempFilePath(QStringLiteral("rec-"), QStringLiteral(".m4a"));
        QVERIFY(a.startsWith(temp + u'/'));
        QVERIFY(a != AppPaths::uniqueTempFilePath(QStringLiteral("rec-"), QStringLiteral(".m4a")));

        const QString data = AppPaths::appDataDir();
        QVERIFY(data.endsWith(QStringLiteral("/TavoOrlune")));
        QCOMPARE(::stat(QFile::encodeName(data).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        const QString file = data + QStringLiteral("/x.json");
        QVERIFY(AppPaths::writePrivateFile(file, "{}"));
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }

    // What a run left in the temporary folder (a recording cut short by a quit) goes at the
    // next start; the folder itself stays private.
    void sweepClearsTheTemporaryFolder()
    {
        const QString temp = AppPaths::tempDir();
        QFile left(temp + QStringLiteral("/recording-1.m4a"));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write("audio");
        left.close();
        QVERIFY(QDir(temp).mkpath(QStringLiteral("upload/part")));
        AppPaths::sweepTempDir();
        QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(temp).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }

    // A temporary folder that cannot be made where it belongs is never answered as if it
    // existed: the private fallback in the data folder is used instead.
    void temporaryFolderThatCannotBeMade()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", runtime); });
        qputenv("XDG_RUNTIME_DIR", "/proc"); // nobody, not even root, makes a folder there
        const QString temp = AppPaths::tempDir();
        QVERIFY2(temp.startsWith(AppPaths::applicationSupportDir() + u'/'), qPrintable(temp));
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(temp).constData(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(int(st.st_mode & 0777), 0700);
    }
};

TAVO_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
