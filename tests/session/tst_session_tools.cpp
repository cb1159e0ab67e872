#include "AssistantStandin.h"
#include "Platform/Log.h"
#include "McpTestSupport.h"
#include "QueryRecorder.h"
#include "TestMain.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

// A tool-call batch from the assistant stand-in run through the real tool runtime against the
// real server-everything (a local server: socat on 127.0.0.1:4000 in front of it).
class SessionToolsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void toolCallBatchAgainstServerEverything()
    {
        const QString missing = Prerequisite::missingPrograms({QStringLiteral("socat"), QStringLiteral("node")});
        TAVO_REQUIRE(missing.isEmpty(), missing);
        TAVO_REQUIRE(QFile::exists(McpTestSupport::serverEverything()), QStringLiteral("the npm test programs (run the test command)"));
        const QString configPath = McpConfigLocation::configFilePath();
        QVERIFY(QDir().mkpath(QFileInfo(configPath).path()));
        QFile config(configPath);
        QVERIFY(config.open(QIODevice::WriteOnly));
        const QJsonObject server{
            {QStringLiteral("command"), QStandardPaths::findExecutable(QStringLiteral("socat"))},
            {QStringLiteral("args"), QJsonArray{QStringLiteral("TCP-LISTEN:4000,bind=127.0.0.1,reuseaddr"),
                                                QStringLiteral("EXEC:%1 %2 stdio").arg(McpTestSupport::node(), McpTestSupport::serverEverything())}},
            {QStringLiteral("env"), QJsonObject()}};
        config.write(QJsonDocument(QJsonObject{{QStringLiteral("McpServers"), QJsonObject{{QStringLiteral("everything"), server}}}}).toJson());
        config.close();

        AssistantStandin service;
        QVERIFY(service.start() > 0);
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        {
            ControlManager control; // the process's own tool runtime
            const QString id = control.createSession(std::nullopt, QStringLiteral("tok"));
            Session *session = control.sessionManager()->session(id);
            QTRY_VERIFY_WITH_TIMEOUT(session->isReady(), 10000);

            service.queueReply({AssistantStandin::text(QStringLiteral("MCP_REQUEST:{\"output\":\"trivial\",\"selected_clients\":[\"everything\"]}")),
                                AssistantStandin::text(QStringLiteral("[{\"toolcall\":[{\"id\":\"C1\",\"name\":\"echo-_-everything\",\"args\":{\"message\":\"hi\"}},"
                                                                      "{\"id\":\"C2\",\"name\":\"get-sum-_-everything\",\"args\":{\"a\":2,\"b\":3}},"
                                                                      "{\"id\":\"C3\",\"name\":\"nope-_-everything\",\"args\":{}}]}]")),
                                AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
            service.queueReply({AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STRdoneED_OF_MSG_STR\"},{\"x\":0}]")),
                                AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
            QueryRecorder rec;
            control.processCommand(QStringLiteral("use tools"), id, false, rec.callbacks(), rec.onFinished());
            QTRY_COMPARE_WITH_TIMEOUT(rec.finished, 1, 60000);
            QCOMPARE(rec.events, (QStringList{"out:TOOL_CALL_START:echo-_-everything", "out:TOOL_CALL_START:get-sum-_-everything",
                                              "out:TOOL_CALL_START:nope-_-everything", "out:done", "end"}));
            QCOMPARE(service.types(0), (QStringList{"<token>", "time_notification", "user", "registertool", "tool"}));
            QVERIFY(service.json(0, QStringLiteral("user")).first().value(QStringLiteral("message")).toString().endsWith(
                QStringLiteral("Available MCP Clients: [\"everything\"]")));
            const QJsonObject tools = service.json(0, QStringLiteral("registertool")).first().value(QStringLiteral("available_tools")).toObject();
            QVERIFY(tools.contains(QStringLiteral("echo-_-everything")));
            QVERIFY(tools.value(QStringLiteral("echo-_-everything")).toObject().value(QStringLiteral("JsonSchema")).isObject());
            const QJsonArray responses = service.json(0, QStringLiteral("tool")).first().value(QStringLiteral("toolcall_responses")).toArray();
            QCOMPARE(responses.size(), 3);
            QCOMPARE(responses.at(0).toObject().value(QStringLiteral("id")).toString(), QStringLiteral("C1"));
            QCOMPARE(responses.at(0).toObject().value(QStringLiteral("content")).toString(), QStringLiteral("Echo: hi"));
            QCOMPARE(responses.at(1).toObject().value(QStringLiteral("id")).toString(), QStringLiteral("C2"));
            QVERIFY(responses.at(1).toObject().value(QStringLiteral("content")).toString().contains(QStringLiteral("is 5")));
            QCOMPARE(responses.at(2).toObject().value(QStringLiteral("id")).toString(), QStringLiteral("C3"));
            QVERIFY(!responses.at(2).toObject().value(QStringLiteral("content")).toString().isEmpty());

            bool closed = false;
            control.closeSession(id, [&] { closed = true; });
            QTRY_VERIFY_WITH_TIMEOUT(closed, 15000);
        }
        QVERIFY2(McpTestSupport::noChildLeft(), "a tool server outlived its session");
    }
};

TAVO_TEST_MAIN(SessionToolsTest)
#include "tst_session_tools.moc"
