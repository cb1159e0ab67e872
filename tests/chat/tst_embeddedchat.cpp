// The embedded chat (its reveal, the shared chat state, the microphone wiring), the chat window
// controller's fades and notifications, and the chat working end to end from the embedded chat
// as the floating panel hosts it, against the assistant stand-in.
#include "AssistantStandin.h"
#include "ChatInputFixture.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "chat/ChatInputPanel.h"
#include "model/ChatMessageData.h"
#include "chat/ChatMessageList.h"
#include "chat/ChatView.h"
#include "chat/ChatWindowController.h"
#include "chat/CircleChatButton.h"
#include "chat/EmbeddedChatView.h"
#include "chat/AnswerTextView.h"
#include "chat/StreamingTextView.h"
#include "theme/CustomToggle.h"

#include <QJsonObject>
#include <QTest>
#include <QTextEdit>
#include <QWindow>

namespace {
AssistantStandin::Reply answer(const QString &text)
{
    return {AssistantStandin::text("[{\"a\":\"ST_OF_TNK_STR weighing it ED_OF_TNK_STR ST_OF_MSG_STR " + text + " ED_OF_MSG_STR\"}"),
            AssistantStandin::text(",{\"done\":1}]"), AssistantStandin::text("END_OF_MESSAGE")};
}

bool listShows(ChatView *view, const QString &text)
{
    for (StreamingTextView *t : view->messageList()->findChildren<StreamingTextView *>())
        if (t->isVisible() && t->document()->toPlainText().contains(text))
            return true;
    for (AnswerTextView *t : view->messageList()->findChildren<AnswerTextView *>())
        if (t->isVisible() && t->toPlainText().contains(text))
            return true;
    return false;
}
}

class TestEmbeddedChat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("TAVO_ASSISTANT_SOCKET_URL", "ws://127.0.0.1:9/ws"); }

    void revealsTheChatATenthOfASecondAfterAppearing()
    {
        ChatInputFixture f;
        static QStringList lines;
        lines.clear();
        Log::setSink([](const QString &line) { lines << line; });
        EmbeddedChatView view(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        QVERIFY(!view.isChatVisible());
        view.resize(376, 600);
        view.show();
        QVERIFY(lines.contains(QStringLiteral("[ChatView] onAppear")));
        f.clock->advance(EmbeddedChatView::revealDelayMs - 1);
        QVERIFY(!view.isChatVisible());
        QVERIFY(!view.chatView()->isChatVisible());
        f.clock->advance(1);
        QVERIFY(view.isChatVisible());
        QVERIFY(view.chatView()->isChatVisible());
        QCOMPARE(view.chatView()->inputPanel(), static_cast<QWidget *>(view.inputPanel()));
        QCOMPARE(view.inputPanel()->caller(), QStringLiteral("panel"));
    }

    void removedBeforeTheRevealIsHarmless()
    {
        ChatInputFixture f;
        f.runPending();
        const int pendingBefore = f.clock->pendingCount();
        auto view = std::make_unique<EmbeddedChatView>(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        view->show();
        QVERIFY(f.clock->pendingCount() > pendingBefore); // the reveal waits
        view.reset();
        // Nothing the removed view scheduled outlives it (the coordinator lets go of the chat
        // nobody shows now, on the next turn).
        f.runPending();
        QCOMPARE(f.clock->pendingCount(), pendingBefore);
        f.clock->advance(1000);
    }

    void hostsOfOneTaskShareItsChat()
    {
        ChatInputFixture f;
        int added = 0;
        EmbeddedChatView panelChat(f.vm.get(), f.task, QStringLiteral("panel"), [&added] { ++added; }, [] {});
        EmbeddedChatView sideChat(f.vm.get(), f.task, QStringLiteral("canvas"), nullptr, nullptr);
        QCOMPARE(panelChat.viewModel(), f.chat);
        QCOMPARE(sideChat.viewModel(), f.chat);
        QCOMPARE(f.vm->chatViewModels().size(), 1);
        // Typing in one shows in the other.
        QTest::keyClicks(panelChat.inputPanel()->editor(), QStringLiteral("shared"));
        QCOMPARE(sideChat.inputPanel()->editor()->toPlainText(), QStringLiteral("shared"));
        // The callbacks are carried for the host; the chat never runs them.
        QVERIFY(panelChat.chatView()->onAddTask());
        QVERIFY(!sideChat.chatView()->onAddTask());
        QCOMPARE(added, 0);
    }

    void hidingTheChatEndsDictation()
    {
        ChatInputFixture f;
        EmbeddedChatView view(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        view.show();
        f.clock->advance(EmbeddedChatView::revealDelayMs);
        view.inputPanel()->primaryButton()->click();
        f.clock->advance(200);
        QVERIFY(f.audio->isRecording());
        view.chatView()->setChatVisible(false);
        QVERIFY(!view.inputPanel()->isMicrophoneMode());
        QVERIFY(!f.audio->isRecording());
    }

    void windowFadesInAndOut()
    {
        ChatInputFixture f;
        NotificationSpy spy;
        ChatWindowController controller(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(window && window->isVisible());
        QVERIFY(controller.hostingView());
        QCOMPARE(window->windowOpacity(), 0.0);
        f.clock->advance(ChatWindowController::fadeInMs / 2);
        QVERIFY(window->windowOpacity() > 0.0 && window->windowOpacity() < 1.0);
        f.clock->advance(ChatWindowController::fadeInMs / 2);
        QCOMPARE(window->windowOpacity(), 1.0);

        controller.close();
        controller.close(); // during the fade: nothing more
        QVERIFY(controller.isAnimatingOut());
        QVERIFY(window->isVisible());
        f.clock->advance(ChatWindowController::fadeOutMs - 1);
        QCOMPARE(spy.count(ChatWindowController::willCloseNotification), 0);
        f.clock->advance(1);
        QVERIFY(!window->isVisible());
        QVERIFY(!controller.isAnimatingOut());
        QCOMPARE(spy.count(ChatWindowController::willCloseNotification), 1);

        // Shown again, it fades in from nothing.
        controller.showWindow();
        QCOMPARE(controller.window(), window);
        QCOMPARE(window->windowOpacity(), 0.0);
        f.clock->advance(ChatWindowController::fadeInMs);
        QCOMPARE(window->windowOpacity(), 1.0);
    }

    void windowClosedOtherwiseStillAnnounces()
    {
        ChatInputFixture f;
        NotificationSpy spy;
        ChatWindowController controller(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        controller.close(); // no window yet: nothing to fade, nothing to announce
        QVERIFY(!controller.isAnimatingOut());
        QCOMPARE(spy.count(ChatWindowController::willCloseNotification), 0);

        controller.showWindow();
        f.clock->advance(ChatWindowController::fadeInMs);
        controller.window()->close(); // its own close button
        QCOMPARE(spy.count(ChatWindowController::willCloseNotification), 1);

        // Active, it floats above other windows.
        controller.showWindow();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(controller.window(), &activate);
        QVERIFY(controller.window()->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    }

    void releasedDuringTheFadeStillFinishes()
    {
        ChatInputFixture f;
        NotificationSpy spy;
        auto controller = std::make_unique<ChatWindowController>(f.vm.get(), f.task, QStringLiteral("panel"), nullptr, nullptr);
        controller->showWindow();
        f.clock->advance(ChatWindowController::fadeInMs);
        QPointer<QWidget> window = controller->window();
        controller->close();
        controller.reset();
        QVERIFY(window && window->isVisible());
        f.clock->advance(ChatWindowController::fadeOutMs);
        QCOMPARE(spy.count(ChatWindowController::willCloseNotification), 1);
        QTRY_VERIFY(!window); // deleted once hidden
    }

    void chatWorksEndToEndFromThePanel()
    {
        AssistantStandin service;
        service.start();
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        {
            ChatInputFixture f(false);
            EmbeddedChatView view(f.vm.get(), f.task, QStringLiteral("panel"), [] {}, [] {});
            view.resize(376, 640);
            view.show();
            QTRY_VERIFY(view.chatView()->isChatVisible());
            ChatInputPanel *input = view.inputPanel();
            input->miniAppSwitch()->setOn(true);

            service.queueReply(answer("Hello there from the assistant"));
            QTest::keyClicks(input->editor(), QStringLiteral("Say hello"));
            QTest::keyClick(input->editor(), Qt::Key_Return);
            QCOMPARE(input->editor()->toPlainText(), QString());
            QCOMPARE(f.task->streamStatus(), StreamStatus::Streaming);
            QVERIFY(!input->stopButton()->isHidden());

            QTRY_VERIFY_WITH_TIMEOUT(listShows(view.chatView(), QStringLiteral("Hello there from the assistant")), 10000);
            QVERIFY(listShows(view.chatView(), QStringLiteral("Say hello")));
            QTRY_COMPARE_WITH_TIMEOUT(f.task->streamStatus(), StreamStatus::Completed, 10000);
            QTRY_VERIFY(input->stopButton()->isHidden());
            if (const QString dir = qEnvironmentVariable("TAVO_SCREENSHOT_DIR"); !dir.isEmpty())
                view.grab().save(dir + QStringLiteral("/embedded-chat.png"));

            const QJsonObject user = service.json(0, QStringLiteral("user")).first();
            QVERIFY(user.value(QStringLiteral("html_output")).toBool()); // the "Dynamic App" switch
            QCOMPARE(f.analytics.lastProperties(QStringLiteral("user_chat_sent")).value(QStringLiteral("source")).toString(),
                     QStringLiteral("panel"));
        }
        qputenv("TAVO_ASSISTANT_SOCKET_URL", "ws://127.0.0.1:9/ws");
    }
};

TAVO_TEST_MAIN(TestEmbeddedChat)
#include "tst_embeddedchat.moc"
