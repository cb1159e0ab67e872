// The real program under X against the identity, account API and assistant stand-ins: it
// starts signed out, shows the sign-in window without asking the account API anything, hands
// a second launch over to itself, and quits cleanly on request leaving no process behind;
// signed in with its windows shown, one termination signal still ends it.
#include "AccountApiStandin.h"
#include "AssistantStandin.h"
#include "IdentityStandin.h"
#include "TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

using Endpoint = AccountApiStandin::Endpoint;

namespace {
QStringList visibleWindowsNamed(const QString &name)
{
    QProcess p;
    p.start("xdotool", {"search", "--onlyvisible", "--name", name});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

bool xdotool(const QStringList &args)
{
    QProcess p;
    p.start("xdotool", args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

// Focuses the window and sends keys to whatever has the keyboard focus there.
bool keys(const QString &window, const QStringList &keyNames)
{
    return xdotool({"windowfocus", "--sync", window}) && xdotool(QStringList{"key", "--delay", "30"} + keyNames);
}

bool processAlive(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text.at(close + 2) != 'Z';
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> out;
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + "/children"));
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray &c : f.readAll().split(' '))
                if (!c.trimmed().isEmpty())
                    out << c.trimmed().toLongLong();
    }
    return out;
}
}

class TestAppExecutable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // Whatever the program leaves behind is re-parented to this test, where it is counted.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    }

    void startsShowsSignInAndQuitsCleanly()
    {
        TAVO_REQUIRE(Prerequisite::hasProgram(QStringLiteral("xdotool")), QStringLiteral("xdotool"));
        IdentityStandin identity;
        AccountApiStandin accountApi;
        AssistantStandin assistant;
        QVERIFY(identity.start() && accountApi.start() && assistant.start());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        // Services the program may reach stay on this machine.
        env.insert("TAVO_ANALYTICS_HOST", "http://127.0.0.1:9");
        env.insert("TAVO_ASSISTANT_SOCKET_URL", assistant.url().toString());
        env.insert("TAVO_UPDATE_FEED_URL", "http://127.0.0.1:9/feed.json");
        env.insert("TAVO_IDENTITY_DOMAIN", identity.domain());
        env.insert("TAVO_IDENTITY_CLIENT_ID", "client-1");
        env.insert("TAVO_ACCOUNT_API_URL", accountApi.baseUrl());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(TAVO_APP_BINARY, {});
        QVERIFY(app.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindowsNamed("Tavo Orlune").isEmpty(), 20000);
        const QByteArray out = app.readAllStandardOutput();
        QVERIFY2(out.contains("app_launched") || out.contains("App launch tracked"), out.constData());
        // Nobody is signed in (the desktop keychain holds nothing here): no account check.
        QTest::qWait(300);
        for (auto endpoint : {AccountApiStandin::Endpoint::CreateAuthUser, AccountApiStandin::Endpoint::GetProfile})
            QCOMPARE(accountApi.count(endpoint), 0);

        // A second launch hands over to the running one and ends at once.
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(TAVO_APP_BINARY, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(app.state(), QProcess::Running);

        const QList<qint64> children = childrenOf(app.processId());
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY(app.waitForFinished(15000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(app.readAllStandardOutput().contains("App termination tracked"));
        for (qint64 child : children)
            QVERIFY2(!QFile::exists(QString("/proc/%1").arg(child)), "a child process outlived the application");
    }

    // Signed in, with the flower, the canvas and the floating panel shown: the windows do not
    // get a say, one SIGTERM runs the termination steps and ends the process.
    void signedInQuitsOnOneSignal()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty() || QStandardPaths::findExecutable("curl").isEmpty())
            QSKIP("xdotool and curl are needed");
        IdentityStandin identity;
        AccountApiStandin accountApi;
        AssistantStandin assistant;
        QVERIFY(identity.start() && accountApi.start() && assistant.start());
        identity.claims = QJsonObject{{"sub", "user-1"}, {"email", "ada@example.com"}, {"name", "Ada"}};
        accountApi.setReply(Endpoint::CreateAuthUser, 200, R"({"id": "user-1", "email": "ada@example.com", "is_active": true})");

        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString config = home.filePath("config/TavoOrlune");
        QVERIFY(QDir().mkpath(config));
        QFile conf(config + "/TavoOrlune.conf");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[General]\nhasSeenIntro=true\n");
        conf.close();
        // The browser follows the identity service's redirects back to the program.
        const QString browser = home.filePath("browser");
        QFile script(browser);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec curl -s -L --max-time 20 -o /dev/null \"$1\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("BROWSER", browser);
        env.insert("DEFAULT_BROWSER", browser);
        env.insert("TAVO_ANALYTICS_HOST", "http://127.0.0.1:9");
        env.insert("TAVO_ASSISTANT_SOCKET_URL", assistant.url().toString());
        env.insert("TAVO_UPDATE_FEED_URL", "http://127.0.0.1:9/feed.json");
        env.insert("TAVO_MCP_PERPLEXITY_URL", "http://127.0.0.1:9/mcp");
        env.insert("TAVO_IDENTITY_DOMAIN", identity.domain());
        env.insert("TAVO_IDENTITY_CLIENT_ID", "client-1");
        env.insert("TAVO_ACCOUNT_API_URL", accountApi.baseUrl());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        QByteArray out;
        connect(&app, &QProcess::readyRead, this, [&] { out += app.readAll(); });
        app.start(TAVO_APP_BINARY, {});
        QVERIFY(app.waitForStarted(10000));
        auto cleanup = qScopeGuard([&] {
            if (app.state() != QProcess::NotRunning) {
                app.kill();
                app.waitForFinished(5000);
            }
        });

        // Invitation code, then the Google login through the browser: a known, active user.
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindowsNamed("Tavo Orlune").value(0)).isEmpty(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Invitation window opened tracked"), 10000);
        QVERIFY(keys(window, {"Tab"}));
        QVERIFY(xdotool({"type", "--delay", "30", "ABCD-EFGH-IJ"}));
        QVERIFY(keys(window, {"Return"}));
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Login window opened tracked"), 10000);
        QVERIFY(keys(window, {"Return"}));
        QTRY_VERIFY2_WITH_TIMEOUT(out.contains("Canvas interaction tracked: open"), out.constData(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindowsNamed("Orlune Canvas").isEmpty(), 10000);

        // The floating panel by a double tap of Alt.
        QTest::qWait(500);
        QVERIFY(xdotool({"key", "--delay", "200", "alt", "alt"}));
        QTRY_VERIFY2_WITH_TIMEOUT(out.contains("Panel interaction tracked: open"), out.constData(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindowsNamed("Tasks").isEmpty(), 10000);

        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(app.processId()), SIGTERM);
        QVERIFY2(app.waitForFinished(5000), "one SIGTERM did not end the program within 5 s");
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        out += app.readAll();
        QVERIFY(out.contains("App termination tracked"));

        // Nothing it started lives on: its children were re-parented here when it ended.
        QList<qint64> orphans;
        QTRY_VERIFY_WITH_TIMEOUT([&] {
            orphans.clear();
            for (qint64 child : childrenOf(QCoreApplication::applicationPid()))
                if (processAlive(child))
                    orphans << child;
            return orphans.isEmpty();
        }(), 2000);
        for (qint64 child : childrenOf(QCoreApplication::applicationPid()))
            ::waitpid(pid_t(child), nullptr, WNOHANG);
    }
};

TAVO_TEST_MAIN(TestAppExecutable)
#include "tst_app_executable.moc"
