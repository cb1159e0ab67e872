#include "ChatFixture.h"
#include "TestMain.h"
#include "chat/ChatViewModel.h"
#include "categories/TaskAppAssociationService.h"

#include <QSignalSpy>

namespace {

QString replyText(const ChatMessageData *m)
{
    return m ? m->aiFinalReplyText().value_or(QStringLiteral("<none>")) : QStringLiteral("<null>");
}

QString statusOf(const ChatMessageData *m)
{
    const auto s = m->aiReplyStatus();
    return s ? rawValue(*s) : QStringLiteral("<none>");
}

// Compact view of a list of messages: sender/type:text[status]
QStringList describe(const QList<ChatMessageData *> &messages)
{
    QStringList out;
    for (const ChatMessageData *m : messages) {
        QString text;
        switch (m->messageType()) {
        case MessageType::User:
            text = m->userTextMessage().value_or(QString());
            break;
        case MessageType::Ai:
            text = m->aiActionTitle() ? QStringLiteral("(%1)").arg(*m->aiActionTitle()) + m->aiFinalReplyText().value_or(QString())
                                      : m->aiFinalReplyText().value_or(QString());
            break;
        case MessageType::Html:
            text = m->htmlContent().value_or(QString());
            break;
        case MessageType::ToolResponse:
            text = m->toolResponseContent().value_or(QString());
            break;
        }
        QString line = rawValue(m->messageType()) + QLatin1Char(':') + text;
        if (m->aiReplyStatus())
            line += QLatin1Char('[') + rawValue(*m->aiReplyStatus()) + QLatin1Char(']');
        out << line;
    }
    return out;
}

}

// The chat state of a task fed as the coordinator feeds it: chunk sequences in virtual time.
class ChatViewModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ChatFixture> f;
    std::unique_ptr<ChatViewModel> vm;

    void feed(const QStringList &chunks, qint64 gapMs = 0)
    {
        for (const QString &c : chunks) {
            vm->processStreamChunk(c);
            if (gapMs)
                f->clock.advance(gapMs);
        }
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<ChatFixture>();
        vm = std::make_unique<ChatViewModel>(f->context, f->task);
    }
    void cleanup()
    {
        vm.reset();
        f.reset();
    }

    void userMessageOpensTurn()
    {
        vm->setMessageText(QStringLiteral("  hi "));
        vm->addUserMessage(QStringLiteral(" \n "));
        QVERIFY(vm->messages().isEmpty());
        QCOMPARE(vm->messageText(), QStringLiteral("  hi "));

        vm->addUserMessage(QStringLiteral("  hi "));
        QCOMPARE(vm->messageText(), QString());
        f->clock.advance(20);
        QCOMPARE(describe(f->stored()), (QStringList{"user:  hi ", "ai:[in_progress]"}));
        QCOMPARE(describe(vm->messages()), describe(f->stored()));
        QCOMPARE(vm->streamingMessage(), vm->messages().last());
        QVERIFY(vm->messages()[0]->timestamp() < vm->messages()[1]->timestamp());
    }

    void placeholderFilledInBatches()
    {
        vm->addUserMessage(QStringLiteral("q"));
        ChatMessageData *placeholder = vm->streamingMessage();
        QSignalSpy updated(vm.get(), &ChatViewModel::messageUpdated);
        vm->processStreamChunk(QStringLiteral("Hello"));
        QCOMPARE(replyText(placeholder), QString());
        f->clock.advance(59);
        QCOMPARE(replyText(placeholder), QString());
        f->clock.advance(1);
        QCOMPARE(replyText(placeholder), QStringLiteral("Hello"));
        QCOMPARE(updated.size(), 1);

        // 250 characters at once are written at once.
        vm->processStreamChunk(QString(250, QLatin1Char('a')));
        QCOMPARE(replyText(placeholder).size(), 255);

        // Five chunks 1 ms apart, starting 10 ms after the last write: one write, 60 ms after it.
        f->clock.advance(10);
        for (int i = 0; i < 5; ++i) {
            vm->processStreamChunk(QString(10, QLatin1Char('b')));
            f->clock.advance(1);
        }
        QCOMPARE(replyText(placeholder).size(), 255);
        f->clock.advance(44);
        QCOMPARE(replyText(placeholder).size(), 255);
        f->clock.advance(1);
        QCOMPARE(replyText(placeholder).size(), 305);

        // A chunk 0.12 s or more after the last write is written at once.
        f->clock.advance(120);
        vm->processStreamChunk(QStringLiteral("c"));
        QCOMPARE(replyText(placeholder).size(), 306);

        // Only one reply in the turn; nothing saved per batch is lost at the end.
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(f->stored().size(), 2);
        QCOMPARE(statusOf(placeholder), QStringLiteral("finished_successfully"));
    }

    void blankChunksKeptInsideReply()
    {
        vm->addUserMessage(QStringLiteral("q"));
        feed({QStringLiteral("  \n"), QStringLiteral("Para one."), QStringLiteral("\n\n"), QStringLiteral(" "), QStringLiteral("Para two.")});
        vm->endStreamingResponse();
        // The leading blank chunk opens nothing; those inside the reply are its paragraph breaks.
        QCOMPARE(replyText(f->stored().last()), QStringLiteral("Para one.\n\n Para two."));
    }

    void thinkingTurnTimestamps()
    {
        vm->addUserMessage(QStringLiteral("q"));
        const QDateTime asked = vm->messages()[0]->timestamp();
        ChatMessageData *reply = vm->streamingMessage();
        f->clock.advance(500);

        vm->appendThinkingChunk(QString());
        QVERIFY(!vm->thinkingMessage());
        vm->appendThinkingChunk(QStringLiteral(" "));
        ChatMessageData *thinking = vm->thinkingMessage();
        QVERIFY(thinking);
        vm->appendThinkingChunk(QStringLiteral("pondering"));
        QCOMPARE(thinking->aiThinkingContent(), std::optional<QString>(QStringLiteral(" pondering")));
        QCOMPARE(thinking->timestamp(), asked.addMSecs(100));
        QCOMPARE(reply->timestamp(), asked.addMSecs(1100));
        QCOMPARE(vm->activeThinkingMessageID(), std::optional<PersistentIdentifier>(thinking->persistentModelID()));
        QCOMPARE(vm->stepNumber(thinking), std::nullopt);
        QCOMPARE(vm->stepNumber(reply), std::optional<int>(1));

        f->clock.advance(20);
        QCOMPARE(describe(vm->messages()), (QStringList{"user:q", "ai:(Thinking...)[in_progress]", "ai:[in_progress]"}));

        vm->completeThinking();
        QCOMPARE(vm->activeThinkingMessageID(), std::nullopt);
        vm->processStreamChunk(QStringLiteral("Answer"));
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(describe(f->stored()),
                 (QStringList{"user:q", "ai:(Thinking Completed)[finished_successfully]", "ai:Answer[finished_successfully]"}));
    }

    void stepNumbersWithoutQuestion()
    {
        // Messages of a chat without a user message: every reply is step 1, reasoning is stamped now.
        vm->appendThinkingChunk(QStringLiteral("t"));
        QCOMPARE(vm->thinkingMessage()->timestamp(), f->clock.now());
        vm->processStreamChunk(QStringLiteral("a"));
        QCOMPARE(vm->stepNumber(vm->streamingMessage()), std::optional<int>(1));
    }

    void refreshesCoalesce()
    {
        QSignalSpy changed(vm.get(), &ChatViewModel::messagesChanged);
        for (int i = 0; i < 10; ++i)
            vm->refreshMessages();
        f->clock.advance(10);
        QCOMPARE(changed.size(), 1);
        vm->refreshMessages();
        f->clock.advance(10);
        QCOMPARE(changed.size(), 2);
    }

    void toolOutputIsTransientAndLinksTheApp()
    {
        AppIconData *mailbox = f->addApp(QStringLiteral("Mailbox"));
        vm = std::make_unique<ChatViewModel>(f->context, f->task); // loads the new app into its table
        f->toolClients.insert(QStringLiteral("search"), QStringLiteral("mailbox"));

        vm->addUserMessage(QStringLiteral("q"));
        feed({QStringLiteral("ST_OF_MSG_STR"), QStringLiteral("Let me search"), QStringLiteral("ED_OF_MSG_STR")});
        vm->processStreamChunk(QStringLiteral("TOOL_CALL_START: search-_-mailbox\n"));
        ChatMessageData *tool = vm->currentToolResponse();
        QVERIFY(tool);
        QCOMPARE(tool->toolName(), std::optional<QString>(QStringLiteral("search-_-mailbox")));
        QCOMPARE(f->lookups, QStringList{"search"});
        QCOMPARE(tool->clientDisplayName(), std::optional<QString>(QStringLiteral("Mailbox")));
        QCOMPARE(f->task->apps(), QList<AppIconData *>{mailbox});
        QVERIFY(vm->messages().contains(tool));

        feed({QStringLiteral("[1,"), QStringLiteral("   "), QStringLiteral(" 2]"), QStringLiteral("Done.")});
        QCOMPARE(tool->toolResponseContent(), std::optional<QString>(QStringLiteral("[1, 2]Done.")));
        QVERIFY(!vm->currentToolResponse());
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(describe(f->stored()),
                 (QStringList{"user:q", "ai:Let me search[finished_successfully]", "ai:Done.[finished_successfully]"}));
        for (const ChatMessageData *m : vm->messages())
            QVERIFY(m->messageType() != MessageType::ToolResponse);
    }

    // The answer's text usually comes before the tool call: closing that reply reloads the list
    // a moment later, and the running tool's row must survive the reload.
    void toolRowStaysWhileTheToolRuns_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::newRow("reply between markers") << QStringList{"ST_OF_MSG_STR", "Let me search", "ED_OF_MSG_STR"};
        QTest::newRow("reply without markers") << QStringList{"Let me search"};
        QTest::newRow("no text first") << QStringList{};
    }
    void toolRowStaysWhileTheToolRuns()
    {
        QFETCH(QStringList, before);
        vm->addUserMessage(QStringLiteral("q"));
        feed(before, 5);
        vm->processStreamChunk(QStringLiteral("TOOL_CALL_START: search-_-mailbox\n"));
        ChatMessageData *tool = vm->currentToolResponse();
        QVERIFY(tool);
        f->clock.advance(200); // past every reload the reply's end scheduled
        QVERIFY(vm->messages().contains(tool));
        QCOMPARE(vm->messages().constLast(), tool);
        feed({QStringLiteral("{\"r\":"), QStringLiteral("1}")}, 50);
        QVERIFY(vm->messages().contains(tool));
        QCOMPARE(tool->toolResponseContent(), std::optional<QString>(QStringLiteral("{\"r\":1}")));
        // Its end lets the row go with the next reload, as before.
        vm->processStreamChunk(QStringLiteral("END_OF_MESSAGE"));
        vm->endStreamingResponse();
        f->clock.advance(20);
        for (const ChatMessageData *m : vm->messages())
            QVERIFY(m->messageType() != MessageType::ToolResponse);
    }

    void toolCallEndsReplyBeingCollected()
    {
        vm->addUserMessage(QStringLiteral("q"));
        vm->processStreamChunk(QStringLiteral("Let me search"));
        f->clock.advance(10);
        // The waiting batch is written before the reply ends; the answer after the tool is written too.
        feed({QStringLiteral("see TOOL_CALL_START:web"), QStringLiteral("{\"r\":1}"), QStringLiteral("Found it.")});
        QCOMPARE(f->lookups, QStringList{"web"});
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(describe(f->stored()),
                 (QStringList{"user:q", "ai:Let me search[finished_successfully]", "ai:Found it.[finished_successfully]"}));
    }

    void toolCallBeforeAnyText()
    {
        vm->addUserMessage(QStringLiteral("q"));
        feed({QStringLiteral("TOOL_CALL_START:web-_-x"), QStringLiteral("[]"), QStringLiteral("END_OF_MESSAGE"), QStringLiteral("Result")});
        vm->endStreamingResponse();
        f->clock.advance(20);
        // The empty placeholder is closed, not left in progress.
        QCOMPARE(describe(f->stored()), (QStringList{"user:q", "ai:[finished_successfully]", "ai:Result[finished_successfully]"}));
    }

    void messageMarkers()
    {
        vm->addUserMessage(QStringLiteral("q"));
        QSignalSpy completed(vm.get(), &ChatViewModel::streamingCompleted);
        feed({QStringLiteral("ST_OF_MSG_STR"), QStringLiteral("one"), QStringLiteral("ED_OF_MSG_STR and more"),
              QStringLiteral("END_OF_MESSAGE"), QStringLiteral("ST_OF_MSG_STR"), QStringLiteral("two"), QStringLiteral("ED_OF_MSG_STR"),
              QStringLiteral("three")});
        QCOMPARE(completed.size(), 2);
        vm->endStreamingResponse();
        QCOMPARE(completed.size(), 4); // the last reply and the end of the answer
        f->clock.advance(20);
        // Each message is a reply of its own; none overwrites a finished one.
        QCOMPARE(describe(f->stored()), (QStringList{"user:q", "ai:one[finished_successfully]", "ai:two[finished_successfully]",
                                                     "ai:three[finished_successfully]"}));
    }

    void emptyEndMarkerKeepsPlaceholder()
    {
        vm->addUserMessage(QStringLiteral("q"));
        ChatMessageData *placeholder = vm->streamingMessage();
        feed({QStringLiteral("ST_OF_MSG_STR"), QStringLiteral("ED_OF_MSG_STR"), QStringLiteral("text")});
        f->clock.advance(60);
        QCOMPARE(replyText(placeholder), QStringLiteral("text"));
    }

    void htmlDocuments()
    {
        vm->addUserMessage(QStringLiteral("q"));
        vm->processStreamChunk(QStringLiteral("Here: HTML_DOCUMENT_START<p>caf\\u00e9\\n"));
        ChatMessageData *doc = vm->messages().last();
        QCOMPARE(doc->messageType(), MessageType::Html);
        QCOMPARE(doc->htmlContent(), std::optional<QString>(QString(QLatin1String(""))));
        vm->processStreamChunk(QStringLiteral("</p>HTML_DOCUMENT_END then HTML_DOCUMENT_START<i>2</i>HTML_DOCUMENT_END end"));
        QCOMPARE(doc->htmlContent(), std::optional<QString>(QString::fromUtf8("<p>café\n</p>")));
        vm->endStreamingResponse();
        f->clock.advance(20);
        // Both documents kept, in order; the text around them is the answer.
        QCOMPARE(describe(f->stored()),
                 (QStringList{"user:q", "ai:Here:  then  end[finished_successfully]", QString::fromUtf8("html_document:<p>café\n</p>"),
                              "html_document:<i>2</i>"}));
    }

    void unfinishedDocumentAndHeldWord()
    {
        vm->addUserMessage(QStringLiteral("q"));
        feed({QStringLiteral("HTML_DOCUMENT_START<div>")});
        ChatMessageData *doc = vm->messages().last();
        vm->endStreamingResponse();
        QCOMPARE(doc->htmlContent(), std::optional<QString>(QStringLiteral("❌ HTML preview could not be loaded. The content may be incomplete or corrupted.")));
        QVERIFY(ChatFixture::log().contains(QStringLiteral("[ChatViewModel] ⚠️ Incomplete HTML detected: 24 chars")));

        // A final word "HTML" held as a possible marker ends up in the reply.
        vm->addUserMessage(QStringLiteral("q2"));
        feed({QStringLiteral("I like HTML")});
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(replyText(f->stored().last()), QStringLiteral("I like HTML"));
    }

    void stopDuringReply()
    {
        vm->addUserMessage(QStringLiteral("q"));
        ChatMessageData *reply = vm->streamingMessage();
        vm->appendThinkingChunk(QStringLiteral("hm"));
        ChatMessageData *thinking = vm->thinkingMessage();
        feed({QStringLiteral("Hello HTML")});
        vm->stopStreaming();
        vm->stopStreaming();
        f->clock.advance(100);
        QCOMPARE(replyText(reply), QStringLiteral("Hello HTML\n\n⏹️ Streaming stopped by user"));
        QCOMPARE(statusOf(reply), QStringLiteral("finished_with_error"));
        QCOMPARE(thinking->aiActionTitle(), std::optional<QString>(QStringLiteral("Thinking Stopped")));
        QCOMPARE(statusOf(thinking), QStringLiteral("finished_with_error"));

        // Text within the shield is ignored; the end call after the stop keeps the stop.
        vm->processStreamChunk(QStringLiteral("late"));
        vm->appendThinkingChunk(QStringLiteral("late"));
        vm->completeThinking();
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(replyText(reply), QStringLiteral("Hello HTML\n\n⏹️ Streaming stopped by user"));
        QCOMPARE(statusOf(reply), QStringLiteral("finished_with_error"));
        QCOMPARE(thinking->aiActionTitle(), std::optional<QString>(QStringLiteral("Thinking Stopped")));
        QCOMPARE(statusOf(thinking), QStringLiteral("finished_with_error"));
        QCOMPARE(f->stored().size(), 3);

        // After 1.1 s answer text is handled again.
        f->clock.advance(1000);
        QVERIFY(!vm->isStreamingStopped());
        vm->processStreamChunk(QStringLiteral("again"));
        QVERIFY(vm->streamingMessage());
    }

    void endBeforeStopIsFinalised()
    {
        vm->addUserMessage(QStringLiteral("q"));
        ChatMessageData *reply = vm->streamingMessage();
        vm->appendThinkingChunk(QStringLiteral("hm"));
        ChatMessageData *thinking = vm->thinkingMessage();
        vm->processStreamChunk(QStringLiteral("Hello"));
        vm->stopStreaming();
        vm->endStreamingResponse(); // the cancelled request ends at once
        f->clock.advance(200);
        QCOMPARE(replyText(reply), QStringLiteral("Hello\n\n⏹️ Streaming stopped by user"));
        QCOMPARE(statusOf(reply), QStringLiteral("finished_with_error"));
        QCOMPARE(thinking->aiActionTitle(), std::optional<QString>(QStringLiteral("Thinking Stopped")));
        QCOMPARE(f->stored().size(), 3); // no separate stop reply
    }

    void stopWithoutReplyAndDuringDocument()
    {
        vm->processStreamChunk(QStringLiteral("HTML_DOCUMENT_START<p>"));
        ChatMessageData *doc = vm->messages().last();
        vm->stopStreaming();
        QCOMPARE(doc->htmlContent(), std::optional<QString>(QStringLiteral("❌ HTML preview loading was interrupted. The content may be incomplete.")));
        // A document arriving during the shield is still handled.
        vm->processStreamChunk(QStringLiteral("HTML_DOCUMENT_START<b>x</b>HTML_DOCUMENT_END"));
        f->clock.advance(100);
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(describe(f->stored()).mid(1), (QStringList{"html_document:<b>x</b>", "ai:⏹️ Streaming stopped by user[finished_with_error]"}));
    }

    void errorText()
    {
        vm->addUserMessage(QStringLiteral("q"));
        ChatMessageData *reply = vm->streamingMessage();
        vm->appendThinkingChunk(QStringLiteral("hm"));
        ChatMessageData *thinking = vm->thinkingMessage();
        feed({QStringLiteral("partial"), QStringLiteral(" ❌ Error: not at start")});
        f->clock.advance(60);
        QCOMPARE(replyText(reply), QStringLiteral("partial ❌ Error: not at start"));
        vm->processStreamChunk(QStringLiteral("❌ Error: quota"));
        vm->endStreamingResponse();
        f->clock.advance(20);
        QCOMPARE(statusOf(reply), QStringLiteral("finished_with_error"));
        QCOMPARE(statusOf(thinking), QStringLiteral("finished_with_error"));
        QCOMPARE(describe(f->stored()).last(), QStringLiteral("ai:(Error)❌ Error: quota[finished_with_error]"));
        QCOMPARE(describe(vm->messages()).last(), QStringLiteral("ai:(Error)❌ Error: quota[finished_with_error]"));
    }

    void deletedTaskIgnoresLaterChunks()
    {
        vm->addUserMessage(QStringLiteral("q"));
        vm->processStreamChunk(QStringLiteral("Hello"));
        vm->appendThinkingChunk(QStringLiteral("t"));
        f->context->remove(f->task);
        f->context->save();
        f->clock.advance(20);
        QVERIFY(vm->messages().isEmpty());
        vm->processStreamChunk(QStringLiteral("more"));
        vm->appendThinkingChunk(QStringLiteral("more"));
        vm->processStreamChunk(QStringLiteral("TOOL_CALL_START:x"));
        vm->stopStreaming();
        vm->endStreamingResponse();
        f->clock.advance(2000);
        QVERIFY(vm->messages().isEmpty());
        QVERIFY(f->stored().isEmpty());
    }

    void toolRuntimeAnswersByDefault()
    {
        // Without a scripted lookup the tool runtime's repository answers, on this thread.
        ToolClientLookup::setShared({});
        bool replied = false;
        std::optional<QString> client = QStringLiteral("unset");
        ToolClientLookup::lookUp(QStringLiteral("no-such-tool"), [&](const std::optional<QString> &c) {
            replied = true;
            client = c;
        });
        QTRY_VERIFY(replied);
        QCOMPARE(client, std::nullopt);
    }

    void lateLookupAfterChatIsGone()
    {
        // The tool runtime answers later; a chat released by then is not touched.
        ToolClientLookup::Reply pending;
        ToolClientLookup::setShared([&](const QString &, ToolClientLookup::Reply reply) { pending = reply; });
        vm->addUserMessage(QStringLiteral("q"));
        vm->processStreamChunk(QStringLiteral("TOOL_CALL_START:web-_-x"));
        QVERIFY(pending);
        vm.reset();
        pending(QStringLiteral("mailbox"));
        f->clock.advance(100);
    }
};

TAVO_TEST_MAIN(ChatViewModelTest)
#include "tst_chatviewmodel.moc"
