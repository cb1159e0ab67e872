#include "Platform/ManagedProcess.h"
#include "NpmProgram.h"
#include "StandinHttpServer.h"
#include "StandinWebSocketServer.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QWebSocket>
#include <csignal>

namespace {
// Alive: the process exists and is not a zombie waiting for its new parent to reap it.
bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text.at(close + 2) != 'Z';
}

// A wrapper (sh) whose own child prints its pid and then lives on: sh's background job
// ignores SIGINT, and with trapTerm it also ignores SIGTERM.
qint64 startWrapper(ManagedProcess &proc, bool trapTerm)
{
    const QString child = trapTerm ? QStringLiteral("sh -c \"trap '' INT TERM; while :; do sleep 0.05; done\" &")
                                   : QStringLiteral("sleep 300 &");
    proc.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), child + QStringLiteral(" echo $!; wait")});
    if (!proc.waitForStarted() || !proc.process()->waitForReadyRead(5000))
        return 0;
    return proc.process()->readLine().trimmed().toLongLong();
}
}

// The stand-in servers and the npm program fixture that the other tests build on.
class TestKitTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void httpStandinRecordsAndAnswers()
    {
        StandinHttpServer server;
        QVERIFY(server.start() > 0);
        server.on("POST", QStringLiteral("/api/x"), [](const StandinHttpServer::Request &r) {
            return StandinHttpServer::Reply{201, "{\"echo\":" + r.body + "}"};
        });
        QNetworkAccessManager nam;
        QNetworkRequest req(server.baseUrl().resolved(QUrl(QStringLiteral("/api/x"))));
        req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        req.setRawHeader("Authorization", "Bearer t");
        QNetworkReply *reply = nam.post(req, "42");
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 201);
        QCOMPARE(QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("echo")).toInt(), 42);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests()[0].method, QByteArray("POST"));
        QCOMPARE(server.requests()[0].header("authorization"), QByteArray("Bearer t"));
        QCOMPARE(server.requests()[0].body, QByteArray("42"));

        QNetworkReply *missing = nam.get(QNetworkRequest(server.baseUrl().resolved(QUrl(QStringLiteral("/nope")))));
        QTRY_VERIFY(missing->isFinished());
        QCOMPARE(missing->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
        delete reply;
        delete missing;
    }

    void webSocketStandinRecordsFramesInOrder()
    {
        StandinWebSocketServer server;
        QVERIFY(server.start() > 0);
        server.setFrameHandler([&](int c, const StandinWebSocketServer::Frame &f) {
            if (!f.binary)
                server.sendText(c, QStringLiteral("re:") + f.text());
        });
        QWebSocket client;
        QStringList got;
        connect(&client, &QWebSocket::textMessageReceived, this, [&](const QString &t) { got << t; });
        client.open(server.url());
        QTRY_COMPARE(client.state(), QAbstractSocket::ConnectedState);
        client.sendTextMessage(QStringLiteral("one"));
        client.sendBinaryMessage("two");
        client.sendTextMessage(QStringLiteral("three"));
        QTRY_COMPARE(server.allFrames().size(), 3);
        QCOMPARE(server.connection(0).frames[1].binary, true);
        QCOMPARE(server.connection(0).requestUrl.path(), QStringLiteral("/ws"));
        QTRY_COMPARE(got, (QStringList{QStringLiteral("re:one"), QStringLiteral("re:three")}));
        client.close(QWebSocketProtocol::CloseCodeGoingAway);
        QTRY_VERIFY(server.connection(0).closed);
        QCOMPARE(server.connection(0).closeCode, int(QWebSocketProtocol::CloseCodeGoingAway));
    }

    void npmProgramAnswersOverStdio()
    {
        TAVO_REQUIRE(NpmProgram::available(QStringLiteral("mcp-server-everything")), QStringLiteral("the npm test programs (run the test command)"));
        NpmProgram server(false);
        QVERIFY(server.start(QStringLiteral("mcp-server-everything"), {QStringLiteral("stdio")}));
        QProcess *p = server.process()->process();
        const QByteArray init = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18","capabilities":{},"clientInfo":{"name":"t","version":"1"}}})";
        p->write(init + "\n");
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] { out += p->readAllStandardOutput(); return out.contains('\n'); }, 30000));
        const QJsonObject answer = QJsonDocument::fromJson(out.left(out.indexOf('\n'))).object();
        QCOMPARE(answer.value(QStringLiteral("id")).toInt(), 1);
        QVERIFY(answer.value(QStringLiteral("result")).toObject().contains(QStringLiteral("serverInfo")));
        const qint64 pid = server.process()->pid();
        server.stop();
        QVERIFY(!server.process()->isRunning());
        QCOMPARE(::kill(pid_t(pid), 0), -1);
    }

    void managedProcessEscalatesToKill()
    {
        ManagedProcess proc;
        // Ignores SIGINT and SIGTERM: only the last step of the stop sequence ends it.
        proc.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("trap '' INT TERM; while :; do sleep 0.05; done")});
        QVERIFY(proc.waitForStarted());
        QTest::qWait(200);
        QVERIFY(proc.stopAndWait(300));
        QVERIFY(!proc.isRunning());
    }

    // A wrapper's child (an npx, a socat behind sh) must not outlive the stop and keep a port.
    void managedProcessTakesItsGroupAlong_data()
    {
        QTest::addColumn<bool>("blocking");
        QTest::addColumn<bool>("trapTerm");
        QTest::newRow("stopAndWait") << true << false;
        QTest::newRow("stop") << false << false;
        QTest::newRow("stopAndWait, child ignores TERM") << true << true;
        QTest::newRow("stop, child ignores TERM") << false << true;
    }
    void managedProcessTakesItsGroupAlong()
    {
        QFETCH(bool, blocking);
        QFETCH(bool, trapTerm);
        ManagedProcess proc;
        const qint64 child = startWrapper(proc, trapTerm);
        QVERIFY(child > 0);
        QVERIFY(processAlive(child));
        if (blocking) {
            QVERIFY(proc.stopAndWait(300));
        } else {
            proc.stop(300);
            QTRY_VERIFY_WITH_TIMEOUT(!proc.isRunning(), 5000);
        }
        QTRY_VERIFY2_WITH_TIMEOUT(!processAlive(child), "the wrapper's child outlived the stop", 3000);
    }

    // Quitting stops every server at once: four that ignore SIGINT and SIGTERM take about as
    // long as one (three bounds), not four times that.
    void managedProcessesStopInParallel()
    {
        std::vector<std::unique_ptr<ManagedProcess>> owned;
        QList<ManagedProcess *> processes;
        for (int i = 0; i < 4; ++i) {
            owned.push_back(std::make_unique<ManagedProcess>());
            owned.back()->start(QStringLiteral("/bin/sh"),
                                {QStringLiteral("-c"), QStringLiteral("trap '' INT TERM; while :; do sleep 0.05; done")});
            QVERIFY(owned.back()->waitForStarted());
            processes.append(owned.back().get());
        }
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(ManagedProcess::stopAllAndWait(processes, 400));
        // One after another: at least 4 x 800 ms.
        QVERIFY2(clock.elapsed() < 2400, QByteArray::number(clock.elapsed()));
        for (ManagedProcess *p : processes)
            QVERIFY(!p->isRunning());
    }
};

TAVO_TEST_MAIN(TestKitTest)
#include "tst_testkit.moc"
