// The real program under X, from the invitation screen to the main windows: the code is checked
// at the account API stand-in, the Google login runs through a stand-in browser that follows the
// identity stand-in's redirects, and the onboarding form is filled in by keyboard.
#include "AccountApiStandin.h"
#include "IdentityStandin.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

using Endpoint = AccountApiStandin::Endpoint;

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

bool xdotool(const QStringList &args)
{
    QProcess p;
    p.start(S("xdotool"), args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

QString visibleWindow(const QString &name)
{
    QProcess p;
    p.start(S("xdotool"), {S("search"), S("--onlyvisible"), S("--name"), name});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).value(0);
}

// Focuses the sign-in window and sends keys to whatever has the keyboard focus there.
bool keys(const QString &window, const QStringList &keyNames)
{
    return xdotool({S("windowfocus"), S("--sync"), window}) && xdotool(QStringList{S("key"), S("--delay"), S("30")} + keyNames);
}
bool type(const QString &window, const QString &text)
{
    return xdotool({S("windowfocus"), S("--sync"), window}) && xdotool({S("type"), S("--delay"), S("30"), text});
}
}

class TestSignInExecutable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newUserFromInvitationToCompleted()
    {
        const QString missing = Prerequisite::missingPrograms({S("xdotool"), S("curl")});
        TAVO_REQUIRE(missing.isEmpty(), missing);
        IdentityStandin idp;
        AccountApiStandin api;
        QVERIFY(idp.start() && api.start());
        api.setReply(Endpoint::CreateAuthUser, 200, R"({"id": "user-1", "email": "ada@example.com", "is_active": false})");

        // The intro has been seen: the program opens on the invitation screen.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + S("/TavoOrlune");
        QVERIFY(QDir().mkpath(config));
        QFile conf(config + S("/TavoOrlune.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[General]\nhasSeenIntro=true\n");
        conf.close();

        // The browser: follows every redirect, back to the program's loopback listener.
        QTemporaryDir bin;
        const QString browser = bin.filePath(S("browser"));
        QFile script(browser);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec curl -s -L --max-time 20 -o /dev/null \"$1\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("QT_QPA_PLATFORM"), S("xcb"));
        env.insert(S("BROWSER"), browser);
        env.insert(S("DEFAULT_BROWSER"), browser);
        env.insert(S("TAVO_ANALYTICS_HOST"), S("http://127.0.0.1:9"));
        env.insert(S("TAVO_ASSISTANT_SOCKET_URL"), S("ws://127.0.0.1:9/ws"));
        env.insert(S("TAVO_UPDATE_FEED_URL"), S("http://127.0.0.1:9/feed.json"));
        env.insert(S("TAVO_IDENTITY_DOMAIN"), idp.domain());
        env.insert(S("TAVO_IDENTITY_CLIENT_ID"), S("client-1"));
        env.insert(S("TAVO_ACCOUNT_API_URL"), api.baseUrl());
        QProcess app;
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        QByteArray out;
        connect(&app, &QProcess::readyRead, this, [&] { out += app.readAll(); });
        app.start(S(TAVO_APP_BINARY), {});
        QVERIFY(app.waitForStarted(10000));
        auto cleanup = qScopeGuard([&] {
            if (app.state() != QProcess::NotRunning) {
                ::kill(pid_t(app.processId()), SIGTERM);
                if (!app.waitForFinished(10000))
                    app.kill();
            }
        });

        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = visibleWindow(S("Tavo Orlune"))).isEmpty(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Invitation window opened tracked"), 10000);

        // Invitation: the code field is the only field; Tab reaches it, Return is Continue.
        QVERIFY(keys(window, {S("Tab")}));
        QVERIFY(type(window, S("ABCD-EFGH-IJ")));
        QVERIFY(keys(window, {S("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(api.count(Endpoint::ValidateInvitation), 1, 10000);
        QCOMPARE(api.lastBody(Endpoint::ValidateInvitation).value(S("invitation_code")).toString(), S("ABCD-EFGH-IJ"));

        // Login: Return is the Google button; the browser completes the login.
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Login window opened tracked"), 10000);
        QVERIFY(keys(window, {S("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(idp.codeExchanges, 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(api.count(Endpoint::CreateAuthUser), 1, 10000);
        QCOMPARE(api.lastBody(Endpoint::CreateAuthUser).value(S("invitation_code")).toString(), S("ABCD-EFGH-IJ"));

        // Onboarding: the e-mail comes from the sign-in; first name has the focus.
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Onboarding started tracked"), 10000);
        QTest::qWait(300);
        QVERIFY(type(window, S("Ada")));
        QVERIFY(keys(window, {S("Tab")}));
        QVERIFY(type(window, S("Lovelace")));
        QVERIFY(keys(window, {S("Return")}));
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("Onboarding step entered tracked - step: 2"), 10000);
        QTest::qWait(300);
        QVERIFY(type(window, S("Engines")));
        QVERIFY(keys(window, {S("Return")}));

        QTRY_COMPARE_WITH_TIMEOUT(api.count(Endpoint::CreateProfile), 1, 10000);
        const QJsonObject profile = api.lastBody(Endpoint::CreateProfile);
        QCOMPARE(profile.value(S("email")).toString(), S("ada@example.com"));
        QCOMPARE(profile.value(S("first_name")).toString(), S("Ada"));
        QCOMPARE(profile.value(S("last_name")).toString(), S("Lovelace"));
        QCOMPARE(profile.value(S("company_name")).toString(), S("Engines"));
        // Completed: the shell opens the flower and the canvas.
        QTRY_VERIFY2_WITH_TIMEOUT(out.contains("Canvas interaction tracked: open"), out.constData(), 10000);
        QVERIFY2(app.state() == QProcess::Running, out.constData());
    }
};

TAVO_TEST_MAIN(TestSignInExecutable)
#include "tst_signin_executable.moc"
