// A chat message of a task travels to the assistant stand-in and back into the task's chat
// and stream status, with the real session channel and the real chat state.
#include "AssistantStandin.h"
#include "CoordinatorFixture.h"
#include "TestMain.h"
#include "Platform/UuidText.h"
#include "chat/ChatInputPanel.h"
#include "chat/ChatMessageList.h"
#include "chat/ChatView.h"
#include "chat/ChatViewModel.h"
#include "chat/EmbeddedChatView.h"
#include "chat/MessageBubbleViewModel.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"

#include <QPointer>
#include <QTextEdit>

namespace {
using Chunk = AssistantStandin::Chunk;
AssistantStandin::Reply answer(const QString &text)
{
    return {AssistantStandin::text("[{\"a\":\"ST_OF_TNK_STR pondering ED_OF_TNK_STR ST_OF_MSG_STR " + text + " ED_OF_MSG_STR\"}"),
            AssistantStandin::text(",{\"done\":1}]"), AssistantStandin::text("END_OF_MESSAGE")};
}

// The replies after the task's last user message, as "status:text".
QStringList lastTurn(TaskData *task)
{
    QList<ChatMessageData *> messages = task->chatMessages();
    std::stable_sort(messages.begin(), messages.end(),
                     [](const ChatMessageData *a, const ChatMessageData *b) { return a->timestamp() < b->timestamp(); });
    QStringList out;
    for (ChatMessageData *m : messages) {
        if (m->messageType() == MessageType::User)
            out.clear();
        else if (m->messageType() == MessageType::Ai && !m->aiActionTitle())
            out << (m->aiReplyStatus() ? rawValue(*m->aiReplyStatus()) : QString("none")) + ":"
                       + m->aiFinalReplyText().value_or(QString());
    }
    return out;
}

QStringList texts(TaskData *task)
{
    QStringList out;
    for (ChatMessageData *m : task->chatMessages()) {
        if (m->messageType() == MessageType::User)
            out << "user:" + m->userTextMessage().value_or(QString());
        else if (m->messageType() == MessageType::Ai)
            out << "ai:" + m->aiFinalReplyText().value_or(QString());
    }
    return out;
}
}

class TestChatRoad : public QObject {
    Q_OBJECT
    std::unique_ptr<AssistantStandin> m_service;
    std::unique_ptr<CoordinatorFixture> m_f;
    TaskData *m_task = nullptr;

private Q_SLOTS:
    void init()
    {
        m_service = std::make_unique<AssistantStandin>();
        m_service->start();
        qputenv("TAVO_ASSISTANT_SOCKET_URL", m_service->url().toString().toUtf8());
        m_f = std::make_unique<CoordinatorFixture>();
        m_f->make();
        m_task = m_f->vm->createTask("Chat task", "All Tasks", false);
        QVERIFY(m_task);
    }
    void cleanup()
    {
        m_f.reset();
        m_service.reset();
        qunsetenv("TAVO_ASSISTANT_SOCKET_URL");
    }

    void answerIsStoredAndCompletes()
    {
        m_service->queueReply(answer("Hello there"));
        m_f->vm->handleChatMessage("Say hello", m_task, "chat", false);
        QCOMPARE(m_task->streamStatus(), StreamStatus::Streaming);
        QTRY_COMPARE_WITH_TIMEOUT(m_task->streamStatus(), StreamStatus::Completed, 10000);
        QTRY_VERIFY(texts(m_task).join('|').contains("Hello there"));
        QCOMPARE(texts(m_task).first(), QString("user:Say hello"));
        // No view shows this chat: its state is let go once the answer has ended.
        QTRY_VERIFY(!m_f->vm->chatViewModels().contains(m_task->id()));
        QCOMPARE(m_f->analytics.count("user_chat_sent"), 1);
        QCOMPARE(m_f->analytics.lastProperties("user_chat_sent").value("message_length").toInt(), 9);
        QCOMPARE(m_f->analytics.lastProperties("user_chat_sent").value("source").toString(), QString("chat"));
        QVERIFY(m_f->analytics.count("ai_output_streamed") >= 1);
        QCOMPARE(m_f->analytics.count("stream_ended"), 1);
        const QString id = UuidText::toText(m_task->id());
        QCOMPARE(m_f->analytics.lastProperties("stream_ended").value("task_id").toString(), id);
        // The query went out on the task's own session, named by its id.
        const QJsonObject user = m_service->json(0, "user").first();
        QCOMPARE(user.value("session_id").toString(), id);
        QVERIFY(m_f->vm->controlManager()->sessionManager()->session(id));
    }

    void errorTextFailsTheTask()
    {
        m_service->queueReply({AssistantStandin::text("Error: the model fell over")});
        m_f->vm->handleChatMessage("Try", m_task, "chat", false);
        QTRY_COMPARE_WITH_TIMEOUT(m_f->analytics.count("stream_ended"), 1, 10000);
        QCOMPARE(m_task->streamStatus(), StreamStatus::Failed);
        QVERIFY(texts(m_task).join('|').contains("the model fell over"));
    }

    void stoppedAnswerStaysFailed()
    {
        m_service->queueReply({AssistantStandin::text("[{\"a\":\"ST_OF_MSG_STR partial"), AssistantStandin::pause()});
        m_f->vm->handleChatMessage("Long one", m_task, "chat", false);
        QTRY_VERIFY_WITH_TIMEOUT(m_f->analytics.count("ai_output_streamed") >= 1, 10000);
        m_f->vm->stopStreaming(m_task);
        QCOMPARE(m_task->streamStatus(), StreamStatus::Failed);
        QTRY_COMPARE_WITH_TIMEOUT(m_f->analytics.count("stream_ended"), 1, 10000);
        QTest::qWait(100);
        QCOMPARE(m_task->streamStatus(), StreamStatus::Failed);
        // The session stays for the next message, which completes normally.
        const QString id = UuidText::toText(m_task->id());
        QVERIFY(m_f->vm->controlManager()->sessionManager()->session(id));
        m_service->queueReply(answer("Second try"));
        m_f->vm->handleChatMessage("Again", m_task, "chat", false);
        QTRY_COMPARE_WITH_TIMEOUT(m_task->streamStatus(), StreamStatus::Completed, 10000);
    }

    void firstQueryOfANewTaskRuns()
    {
        m_service->queueReply(answer("Done"));
        m_f->vm->submitQuery("Make a plan", "All Tasks", true);
        TaskData *task = nullptr;
        for (TaskData *t : m_f->context()->fetch<TaskData>())
            if (t->title() == "Make a plan")
                task = t;
        QVERIFY(task);
        QTRY_COMPARE_WITH_TIMEOUT(task->streamStatus(), StreamStatus::Completed, 10000);
        QCOMPARE(m_f->analytics.count("user_chat_sent"), 0);
        const QList<QJsonObject> users = m_service->json(m_service->connectionCount() - 1, "user");
        QVERIFY(!users.isEmpty());
        QVERIFY(users.last().value("html_output").toBool()); // the mini-app switch
    }

    // A second message while an answer streams replaces that answer: what is left of the old
    // query (its cancellation, its end) never reaches the new reply.
    void secondMessageGetsItsOwnReply()
    {
        m_service->queueReply({AssistantStandin::text("[{\"a\":\"ST_OF_MSG_STR partial"), AssistantStandin::pause()});
        m_f->vm->handleChatMessage("First", m_task, "chat", false);
        QTRY_VERIFY_WITH_TIMEOUT(m_f->analytics.count("ai_output_streamed") >= 1, 10000);
        m_service->queueReply({AssistantStandin::text("[{\"a\":\"ST_OF_MSG_STR Second"), AssistantStandin::pause(),
                               AssistantStandin::text(" answer ED_OF_MSG_STR\"},{\"done\":1}]"),
                               AssistantStandin::text("END_OF_MESSAGE")});
        m_f->vm->handleChatMessage("Second", m_task, "chat", false);
        // The old query has ended by the time the new one streams; its end must leave the new
        // reply open.
        QTRY_VERIFY_WITH_TIMEOUT(lastTurn(m_task).join('|').contains("Second"), 10000);
        QTest::qWait(300);
        const QStringList open = lastTurn(m_task);
        QCOMPARE(open.size(), 1);
        QVERIFY2(open.first().startsWith("in_progress:") && open.first().contains("Second"), qPrintable(open.join('|')));
        QCOMPARE(m_task->streamStatus(), StreamStatus::Streaming);
        m_service->resume();
        QTRY_COMPARE_WITH_TIMEOUT(m_task->streamStatus(), StreamStatus::Completed, 10000);
        QCOMPARE(lastTurn(m_task), QStringList{"finished_successfully:Second answer"});
    }

    // A message sent right after Stop keeps the start of its answer.
    void messageRightAfterStopKeepsItsAnswer()
    {
        m_service->queueReply({AssistantStandin::text("[{\"a\":\"ST_OF_MSG_STR partial"), AssistantStandin::pause()});
        m_f->vm->handleChatMessage("Long one", m_task, "chat", false);
        QTRY_VERIFY_WITH_TIMEOUT(m_f->analytics.count("ai_output_streamed") >= 1, 10000);
        m_f->vm->stopStreaming(m_task);
        m_service->queueReply(answer("After stop"));
        m_f->vm->handleChatMessage("Again", m_task, "chat", false);
        QTRY_COMPARE_WITH_TIMEOUT(m_task->streamStatus(), StreamStatus::Completed, 10000);
        QTest::qWait(200);
        QCOMPARE(lastTurn(m_task), QStringList{"finished_successfully:After stop"});
        QVERIFY(!texts(m_task).join('|').contains("cancelled"));
    }

    // The panel's chat outlives the chat state the coordinator drops when every session is
    // closed (the canvas closed as the last window): shown again, the chat answers in the view.
    void chatViewOutlivesItsChatState_data()
    {
        QTest::addColumn<bool>("hiddenMeanwhile");
        QTest::newRow("panel hidden, then reopened") << true;
        QTest::newRow("panel left on screen") << false;
    }
    void chatViewOutlivesItsChatState()
    {
        QFETCH(bool, hiddenMeanwhile);
        EmbeddedChatView view(m_f->vm.get(), m_task, "panel", {}, {});
        view.resize(400, 600);
        view.show();
        QPointer<ChatViewModel> first = view.viewModel();
        QVERIFY(first);
        if (hiddenMeanwhile)
            view.hide();
        m_f->vm->closeAllSessions();
        QTRY_VERIFY(!first);
        if (hiddenMeanwhile) {
            QVERIFY(!view.viewModel());
            view.show();
        }
        QTRY_VERIFY(view.viewModel());
        QCOMPARE(view.viewModel(), m_f->vm->chatViewModels().value(m_task->id()));
        QCOMPARE(view.chatView()->viewModel(), view.viewModel());

        m_service->queueReply(answer("Welcome back"));
        view.inputPanel()->editor()->setPlainText("Still there?");
        view.inputPanel()->sendMessage();
        QTRY_COMPARE_WITH_TIMEOUT(m_task->streamStatus(), StreamStatus::Completed, 10000);
        ChatMessageList *list = view.chatView()->messageList();
        auto rows = [list] {
            QStringList out;
            for (int i = 0; i < list->rowCount(); ++i) {
                ChatMessageData *m = list->rowViewModel(i)->message();
                out << rawValue(m->messageType()) + ":" + m->userTextMessage().value_or(m->aiFinalReplyText().value_or(QString()));
            }
            return out.join('|');
        };
        QTRY_VERIFY2_WITH_TIMEOUT(rows().endsWith("ai:Welcome back"), qPrintable(rows()), 5000);
    }
};

TAVO_TEST_MAIN(TestChatRoad)
#include "tst_chatroad.moc"
