#include "AssistantStandin.h"
#include "FakeToolRuntime.h"
#include "Platform/Log.h"
#include "QueryRecorder.h"
#include "TestMain.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "Controller/session/SessionQuery.h"
#include "Controller/session/WebSocketManager.h"

#include <QJsonArray>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTest>
#include <memory>

namespace {
using Replies = QList<QStringList>;

// Chunks are written with ' for " so the JSON stays readable.
QStringList q(const QStringList &chunks)
{
    QStringList out;
    for (QString c : chunks)
        out << c.replace(u'\'', u'"');
    return out;
}

const QString kLost = QStringLiteral("Network Error: 💔 Connection lost. Please check your network and try again.");
const QString kCancelled = QStringLiteral("⏹️ Task cancelled by user");
}

// The query pass against the assistant stand-in: the chunk grammar, the callbacks, the batch
// decisions, tool selection and tool calls, and how queries end.
class SessionQueryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AssistantStandin> m_service;
    std::unique_ptr<FakeToolRuntime> m_tools;
    std::unique_ptr<ControlManager> m_control;

    Session *readySession()
    {
        Session *s = m_control->sessionManager()->session(m_control->createSession(std::nullopt, QStringLiteral("tok")));
        if (!QTest::qWaitFor([s] { return s->isReady(); }, 5000))
            return nullptr;
        return s;
    }

    static AssistantStandin::Reply reply(const QStringList &chunks)
    {
        AssistantStandin::Reply r;
        for (const QString &c : chunks)
            r << (c == QLatin1String("<pause>") ? AssistantStandin::pause() : AssistantStandin::text(c));
        return r;
    }

private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void init()
    {
        m_service = std::make_unique<AssistantStandin>();
        QVERIFY(m_service->start() > 0);
        qputenv("TAVO_ASSISTANT_SOCKET_URL", m_service->url().toString().toUtf8());
        m_tools = std::make_unique<FakeToolRuntime>();
        m_tools->clientNames = {QStringLiteral("srv"), QStringLiteral("My \"Box\"")};
        m_tools->tools = {{{QStringLiteral("echo"), QStringLiteral("Echoes"), std::nullopt}, QStringLiteral("srv")}};
        m_control = std::make_unique<ControlManager>(m_tools.get());
        Session::setConnectionWaitLimitMs(30000);
    }

    void cleanup()
    {
        m_control.reset();
        m_service.reset();
        m_tools.reset();
    }

    void chunkSequences_data()
    {
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("frames"); // what the service got after the opening sequence

        QTest::newRow("thinking then answer, split across chunks")
            << Replies{q({"[{'t':'ST_OF_TNK_STRplan", "ning", "doneED_OF_TNK_STR'},", "{'a':'ST_OF_MSG_STRHello", " world",
                          "!ED_OF_MSG_STR'}", ",{'more':'ignored after the answer'}]", "END_OF_MESSAGE"})}
            << QStringList{"think:plan", "think:ning", "thinkDone", "think:done", "out:Hello", "out: world", "out:!", "end"}
            << QStringList{"user"};
        QTest::newRow("answer start and end in one chunk")
            << Replies{q({"[{'a':'ST_OF_MSG_STRHi thereED_OF_MSG_STR'}]", "END_OF_MESSAGE"})}
            << QStringList{"out:Hi there", "end"} << QStringList{"user"};
        QTest::newRow("whole thinking in one chunk")
            << Replies{q({"[{'t':'ST_OF_TNK_STRplanED_OF_TNK_STR'},", "{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]", "END_OF_MESSAGE"})}
            << QStringList{"thinkDone", "think:plan", "out:ok", "end"} << QStringList{"user"};
        QTest::newRow("answer start alone gives an empty text")
            << Replies{q({"[{'a':'", "ST_OF_MSG_STR", "x", "ED_OF_MSG_STR'}]", "END_OF_MESSAGE"})}
            << QStringList{"out:", "out:x", "out:", "end"} << QStringList{"user"};
        QTest::newRow("text around the end mark is dropped")
            << Replies{q({"[{'a':'ST_OF_MSG_STRyesED_OF_MSG_STR'}]", "junk END_OF_MESSAGE junk"})}
            << QStringList{"out:yes", "end"} << QStringList{"user"};
        QTest::newRow("stream end also ends the pass (binary-free, no end mark)")
            << Replies{q({"[{'a':'ST_OF_MSG_STRbyeED_OF_MSG_STR'}]"}), {}}
            << QStringList{} << QStringList{"user"}; // waits: no end mark yet (completed by the test)
        QTest::newRow("pass that is not JSON")
            << Replies{q({"ST_OF_MSG_STRHello", "END_OF_MESSAGE"})} << QStringList{"out:Hello", "out:" + kLost, "end"}
            << QStringList{"user"};
        QTest::newRow("JSON object instead of array") << Replies{q({"{'a':1}", "END_OF_MESSAGE"})} << QStringList{"out:" + kLost, "end"}
                                                     << QStringList{"user"};
        QTest::newRow("array of non-objects") << Replies{q({"[1,2]", "END_OF_MESSAGE"})} << QStringList{"out:" + kLost, "end"}
                                             << QStringList{"user"};
        QTest::newRow("data after the array") << Replies{q({"[{'a':1}] x", "END_OF_MESSAGE"})} << QStringList{"out:" + kLost, "end"}
                                             << QStringList{"user"};
        QTest::newRow("error: network") << Replies{{"Error: network unreachable"}}
                                        << QStringList{"out:Network Error: 💔  network unreachable. Please check your network and try again.", "end"}
                                        << QStringList{"user"};
        QTest::newRow("error: overload, any case") << Replies{{"Error: Rate Limit hit"}}
                                                   << QStringList{"out:💔 AI server is overloaded. Type 'Retry' to continue.", "end"}
                                                   << QStringList{"user"};
        QTest::newRow("error: network wins over overload")
            << Replies{{"Error: connection dropped by rate limit"}}
            << QStringList{"out:Network Error: 💔  connection dropped by rate limit. Please check your network and try again.", "end"}
            << QStringList{"user"};
        QTest::newRow("error: other, no space") << Replies{{"Error:Boom"}} << QStringList{"out:💔 Error: Boom", "end"} << QStringList{"user"};
        QTest::newRow("error after answer text ends at once")
            << Replies{q({"[{'a':'ST_OF_MSG_STRpart", "Error: oops", "ignored", "END_OF_MESSAGE"})}
            << QStringList{"out:part", "out:💔 Error:  oops", "end"} << QStringList{"user"};
        QTest::newRow("empty batch starts another pass")
            << Replies{q({"[]", "END_OF_MESSAGE", "[{'a':'ST_OF_MSG_STRsecondED_OF_MSG_STR'}]", "END_OF_MESSAGE"})}
            << QStringList{"out:second", "end"} << QStringList{"user"};
        QTest::newRow("item before the answer's end: another pass")
            << Replies{q({"[{'x':1}]", "END_OF_MESSAGE", "[{'a':'ST_OF_MSG_STRdoneED_OF_MSG_STR'},{'x':1}]", "END_OF_MESSAGE"})}
            << QStringList{"out:done", "end"} << QStringList{"user"};
        QTest::newRow("MCP_REQUEST trivial registers the tools")
            << Replies{q({"MCP_REQUEST:{'output':'trivial','selected_clients':['srv']}", "[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]",
                          "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user", "registertool"};
        QTest::newRow("MCP_REQUEST trivial, no clients")
            << Replies{q({"MCP_REQUEST:{'output':'trivial','selected_clients':[]}", "[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]",
                          "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user"};
        QTest::newRow("MCP_REQUEST complex is only logged")
            << Replies{q({"MCP_REQUEST:{'output':'complex','selected_clients':['srv']}", "[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]",
                          "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user"};
        QTest::newRow("MCP_REQUEST invalid is ignored")
            << Replies{q({"MCP_REQUEST:{not json", "MCP_REQUEST:[1]", "MCP_REQUEST:{'selected_clients':['srv']}",
                          "[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]", "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user"};
        QTest::newRow("batch selection registers once a pass")
            << Replies{q({"MCP_REQUEST:{'output':'trivial','selected_clients':['srv']}",
                          "[{'mcp_request':{'output':'trivial','selected_clients':['srv']}},"
                          "{'mcp_request':{'output':'complex','selected_clients':['srv']}},{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]",
                          "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user", "registertool", "registertool"};
        QTest::newRow("tool calls, one tool frame, then another pass")
            << Replies{q({"[{'toolcall':[{'id':'c1','name':'echo-_-srv','args':{'m':'hi'}},{'name':'add-_-srv','args':{}}]}]",
                          "END_OF_MESSAGE"}),
                       q({"[{'toolcall_responses':[{'id':'c1','content':'x'}]},{'a':'ST_OF_MSG_STRfinalED_OF_MSG_STR'},{'x':0}]",
                          "END_OF_MESSAGE"})}
            << QStringList{"out:TOOL_CALL_START:echo-_-srv", "out:TOOL_CALL_START:add-_-srv", "out:final", "end"}
            << QStringList{"user", "tool"};
        QTest::newRow("tool calls then a plain item after the answer: finish")
            << Replies{q({"[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'},{'toolcall':[{'id':'c9','args':{}}]},{'x':0}]", "END_OF_MESSAGE"})}
            << QStringList{"out:ok", "end"} << QStringList{"user", "tool"};
    }

    void chunkSequences()
    {
        QFETCH(Replies, replies);
        QFETCH(QStringList, events);
        QFETCH(QStringList, frames);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        Session *session = readySession();
        QVERIFY(session);
        for (const QStringList &r : replies)
            if (!r.isEmpty())
                m_service->queueReply(reply(r));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("question"), session->id(), true, rec.callbacks(), rec.onFinished());
        if (tag.startsWith(QLatin1String("stream end"))) {
            // The pass waits for its end; the service going away ends it, and what it collected
            // is still a whole batch.
            QTRY_COMPARE(rec.events, QStringList{"out:bye"});
            m_service->server().close(0);
            events = QStringList{"out:bye", "end"};
        }
        QTRY_COMPARE(rec.finished, 1);
        QCOMPARE(rec.events, events);
        QTRY_COMPARE(m_service->types(0).mid(2), frames); // frames the client sent may still be in flight
        QVERIFY(!session->isBusy());
        const QJsonObject user = m_service->json(0, QStringLiteral("user")).first();
        QCOMPARE(user.value(QStringLiteral("message")).toString(),
                 QStringLiteral("questionAvailable MCP Clients: [\"srv\", \"My \\\"Box\\\"\"]"));
        QCOMPARE(user.value(QStringLiteral("html_output")).toBool(), true);
        if (frames.contains(QStringLiteral("tool"))) {
            const QJsonObject tool = m_service->json(0, QStringLiteral("tool")).first();
            const QJsonArray responses = tool.value(QStringLiteral("toolcall_responses")).toArray();
            QVERIFY(responses.size() >= 1);
            QCOMPARE(responses.at(0).toObject().value(QStringLiteral("content")).toString().startsWith(QStringLiteral("ran ")), true);
            QVERIFY(responses.at(0).toObject().value(QStringLiteral("data")).isNull());
        }
        if (frames.contains(QStringLiteral("registertool"))) {
            const QJsonObject reg = m_service->json(0, QStringLiteral("registertool")).first();
            QCOMPARE(reg.value(QStringLiteral("available_tools")).toObject().keys(), QStringList{"echo-_-srv"});
        }
    }

    // Too big a message, too big a pass or too long a silence: the query ends as a lost
    // connection and the session reconnects for the next one.
    void boundedAnswerStream_data()
    {
        QTest::addColumn<QStringList>("chunks");
        const QString part(900, u'x');
        QTest::newRow("message over the cap") << QStringList{QString(2000, u'x')};
        QTest::newRow("pass over the cap") << q({"[{'a':'ST_OF_MSG_STR" + part, part, part, part});
        QTest::newRow("silent server") << q({"[{'a':'ST_OF_MSG_STRhi"});
    }

    void boundedAnswerStream()
    {
        QFETCH(QStringList, chunks);
        WebSocketManager::setMaxMessageBytes(1024);
        SessionQuery::setStreamLimits(4096, 400);
        auto restore = qScopeGuard([] {
            WebSocketManager::setMaxMessageBytes(WebSocketManager::kMaxMessageBytes);
            SessionQuery::setStreamLimits(SessionQuery::kMaxPassBytes, SessionQuery::kIdleLimitMs);
        });
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(chunks));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("question"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE_WITH_TIMEOUT(rec.finished, 1, 10000);
        QVERIFY2(rec.events.contains(QStringLiteral("out:") + kLost), qPrintable(rec.events.join(u'|')));
        QVERIFY(session->needsReconnection());
        QVERIFY(!session->isBusy());
    }

    void noClientsGiveAnEmptyList()
    {
        m_tools->clientNames = {};
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'}]", "END_OF_MESSAGE"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("q"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.finished, 1);
        QCOMPARE(m_service->json(0, QStringLiteral("user")).first().value(QStringLiteral("message")).toString(),
                 QStringLiteral("qAvailable MCP Clients: []"));
    }

    void staleToolResponsesArePruned()
    {
        Session *session = readySession();
        QVERIFY(session);
        // First query runs call c1 and finishes; the second reports c1 back: another generation.
        m_service->queueReply(reply(q({"[{'toolcall':[{'id':'c1','name':'echo-_-srv','args':{}}]}]", "END_OF_MESSAGE"})));
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRokED_OF_MSG_STR'},{'x':0}]", "END_OF_MESSAGE"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("one"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.finished, 1);
        QCOMPARE(session->activeToolCalls().value(QStringLiteral("c1")), session->currentTaskGeneration());
        m_service->queueReply(reply(q({"[{'toolcall_responses':[{'id':'c1'}]},{'a':'ST_OF_MSG_STRtwoED_OF_MSG_STR'},{'x':0}]",
                                       "END_OF_MESSAGE"})));
        m_control->processCommand(QStringLiteral("two"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.finished, 2);
        QVERIFY(session->activeToolCalls().isEmpty());
        QCOMPARE(rec.events.last(2), (QStringList{"out:two", "end"}));
    }

    void secondMessageDuringAnswer()
    {
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRfirst", "<pause>", " rest'}]", "END_OF_MESSAGE"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("one"), session->id(), false, rec.callbacks(QStringLiteral("1")), rec.onFinished());
        QTRY_COMPARE(rec.events, QStringList{"1|out:first"});
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRsecondED_OF_MSG_STR'}]", "END_OF_MESSAGE"})));
        m_control->processCommand(QStringLiteral("two"), session->id(), false, rec.callbacks(QStringLiteral("2")), rec.onFinished());
        QTRY_COMPARE(rec.finished, 2);
        // The first ends once, as cancelled; the second runs after it on a fresh connection.
        QCOMPARE(rec.events, (QStringList{"1|out:first", "1|out:" + kCancelled, "1|end", "2|out:second", "2|end"}));
        QCOMPARE(m_service->connectionCount(), 2);
        QCOMPARE(m_service->types(1), (QStringList{"<token>", "time_notification", "user"}));
        QVERIFY(session->isReady());
    }

    void idleDropIsNoticedBeforeSending()
    {
        Session *session = readySession();
        QVERIFY(session);
        m_service->server().close(0);
        QTRY_VERIFY(m_service->closed(0));
        QTest::qWait(50);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRstill hereED_OF_MSG_STR'}]", "END_OF_MESSAGE"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("hello"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.finished, 1);
        QCOMPARE(rec.events, (QStringList{"out:still here", "end"}));
        QCOMPARE(m_service->types(1), (QStringList{"<token>", "time_notification", "user"}));
    }

    void dropDuringAnswerEndsOnce()
    {
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRpart", "<pause>"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("q"), session->id(), false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.events, QStringList{"out:part"});
        m_service->server().abort(0);
        QTRY_COMPARE(rec.finished, 1);
        QTest::qWait(50);
        QCOMPARE(rec.events, (QStringList{"out:part", "out:" + kLost, "end"}));
        QVERIFY(session->needsReconnection());
        QVERIFY(!session->isBusy());
    }

    void closeDuringQueryEndsItOnce()
    {
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRpart", "<pause>"})));
        QueryRecorder rec;
        const QString id = session->id();
        m_control->processCommand(QStringLiteral("q"), id, false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.events, QStringList{"out:part"});
        bool closed = false;
        m_control->closeSession(id, [&] { closed = true; });
        QTRY_VERIFY(closed);
        QTRY_COMPARE(rec.finished, 1);
        QTest::qWait(50);
        QCOMPARE(rec.events, (QStringList{"out:part", "out:" + kLost, "end"}));
        QVERIFY(!m_control->sessionManager()->session(id));
    }

    void closeDuringToolCallStillEndsTheQuery()
    {
        m_tools->toolCallDelayMs = 300;
        Session *session = readySession();
        QVERIFY(session);
        m_service->queueReply(reply(q({"[{'toolcall':[{'id':'c1','name':'echo-_-srv','args':{}}]}]", "END_OF_MESSAGE"})));
        QueryRecorder rec;
        const QString id = session->id();
        m_control->processCommand(QStringLiteral("q"), id, false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE(rec.events, QStringList{"out:TOOL_CALL_START:echo-_-srv"});
        bool closed = false;
        m_control->closeSession(id, [&] { closed = true; });
        QTRY_VERIFY(closed);
        QVERIFY(!m_control->sessionManager()->session(id));
        QTRY_COMPARE(rec.finished, 1);
        QCOMPARE(rec.events, (QStringList{"out:TOOL_CALL_START:echo-_-srv", "out:" + kLost, "end"}));
    }

    void cancelLeavesToolServersOfOtherQueries()
    {
        Session *a = readySession();
        Session *b = readySession();
        QVERIFY(a && b);
        m_service->queueReply(reply(q({"[{'a':'ST_OF_MSG_STRb", "<pause>"})));
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("q"), b->id(), false, rec.callbacks(QStringLiteral("b")), rec.onFinished());
        QTRY_COMPARE(rec.events, QStringList{"b|out:b"});
        a->cancel();
        QTRY_VERIFY(a->needsReconnection());
        QCOMPARE(m_tools->closeAllCount, 0); // b's query may be using them
        b->cancel();
        QTRY_COMPARE(rec.finished, 1);
        QTRY_COMPARE(m_tools->closeAllCount, 1);
        QCOMPARE(rec.events, (QStringList{"b|out:b", "b|end"}));
    }

    void waitForConnectionIsBounded()
    {
        // A peer that takes the TCP connection and never answers the handshake.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        qputenv("TAVO_ASSISTANT_SOCKET_URL", QStringLiteral("ws://127.0.0.1:%1/ws").arg(silent.serverPort()).toUtf8());
        Session::setConnectionWaitLimitMs(300);
        const QString id = m_control->createSession();
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("q"), id, false, rec.callbacks(), rec.onFinished());
        QTRY_COMPARE_WITH_TIMEOUT(rec.finished, 1, 5000);
        QCOMPARE(rec.events, (QStringList{"out:" + kLost, "end"}));
        QVERIFY(m_control->sessionManager()->session(id)->needsReconnection());
    }

    void cancelWhileWaitingForConnection()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        qputenv("TAVO_ASSISTANT_SOCKET_URL", QStringLiteral("ws://127.0.0.1:%1/ws").arg(silent.serverPort()).toUtf8());
        const QString id = m_control->createSession();
        Session *session = m_control->sessionManager()->session(id);
        QueryRecorder rec;
        m_control->processCommand(QStringLiteral("q"), id, false, rec.callbacks(), rec.onFinished());
        QTest::qWait(100);
        session->cancel();
        QTRY_COMPARE_WITH_TIMEOUT(rec.finished, 1, 3000);
        QTest::qWait(50);
        QCOMPARE(rec.events, QStringList{"end"});
    }
};

TAVO_TEST_MAIN(SessionQueryTest)
#include "tst_session_query.moc"
