// The real program under X against the identity, account API and assistant stand-ins: it
// starts signed out, shows the sign-in window without asking the account API anything, hands
// a second launch over to itself, and quits cleanly on request leaving no process behind.
#include "AccountApiStandin.h"
#include "AssistantStandin.h"
#include "IdentityStandin.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>

namespace {
QStringList visibleWindowsNamed(const QString &name)
{
    QProcess p;
    p.start("xdotool", {"search", "--onlyvisible", "--name", name});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
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
};

TAVO_TEST_MAIN(TestAppExecutable)
#include "tst_app_executable.moc"
