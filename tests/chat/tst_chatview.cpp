#include "ChatFixture.h"
#include "TestMain.h"
#include "chat/ChatMessageList.h"
#include "chat/ChatView.h"
#include "chat/ChatViewModel.h"
#include "chat/MessageBubbleView.h"
#include "chat/MessageBubbleViewModel.h"
#include "chat/MessageContentView.h"
#include "chat/MessageStatusView.h"
#include "chat/AnswerSegments.h"
#include "chat/AnswerTextView.h"
#include "chat/StreamingTextView.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QWheelEvent>

// The chat view over a real chat state: bubbles, the virtualised list and the auto-scroll rules.
class ChatViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ChatFixture> f;
    std::unique_ptr<ChatViewModel> chat;
    std::unique_ptr<ChatView> view;

    void makeView(QSize size = QSize(376, 600))
    {
        chat = std::make_unique<ChatViewModel>(f->context, f->task);
        view = std::make_unique<ChatView>(chat.get(), nullptr, f->task, QStringLiteral("panel"), nullptr, nullptr);
        view->resize(size);
        view->show();
        f->clock.runPending();
    }

    // One finished turn: the question and a reply of `lines` paragraphs.
    void turn(int i, int lines = 3)
    {
        chat->addUserMessage(QStringLiteral("Question %1").arg(i));
        QString answer;
        for (int l = 0; l < lines; ++l)
            answer += QStringLiteral("Answer %1 paragraph %2 with some words to fill the line.\n\n").arg(i).arg(l);
        chat->processStreamChunk(answer);
        chat->endStreamingResponse();
        f->clock.advance(2000);
    }

    // Plays the main queue and lets a running scroll finish.
    void settle()
    {
        for (int i = 0; i < 50; ++i) {
            f->clock.advance(20);
            QTest::qWait(10);
            if (!view->messageList()->isScrollInFlight())
                break;
        }
        f->clock.advance(20);
    }

    void wheelUp(int notches)
    {
        ChatMessageList *list = view->messageList();
        const QPointF at(list->viewport()->width() / 2.0, 50);
        QWheelEvent e(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(list->viewport(), &e);
        f->clock.runPending();
    }

    bool atBottom() const { return view->messageList()->offset() == view->messageList()->maxOffset(); }

private Q_SLOTS:
    void init() { f = std::make_unique<ChatFixture>(); }
    void cleanup()
    {
        view.reset();
        chat.reset();
        f.reset();
    }

    void bubbleSidesAndStatus_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<bool>("userSide");
        QTest::addColumn<int>("body");
        QTest::addColumn<QString>("answerLine");
        QTest::addColumn<QString>("toolIcon");
        using B = MessageContentView::Body;
        QTest::newRow("user") << "user" << int(MessageType::User) << "" << false << true << int(B::User) << "" << "";
        QTest::newRow("sender User in another case") << "User" << int(MessageType::User) << "" << false << false << int(B::User) << "" << "";
        QTest::newRow("user sender, answer type") << "user" << int(MessageType::Ai) << "" << false << true << int(B::AI) << "Step 1" << "";
        QTest::newRow("answer") << "ai" << int(MessageType::Ai) << "" << false << false << int(B::AI) << "Step 1" << "";
        QTest::newRow("thinking") << "ai" << int(MessageType::Ai) << "Thinking..." << true << false << int(B::AI) << "Thinking" << "";
        QTest::newRow("thinking done") << "ai" << int(MessageType::Ai) << "Thinking Completed" << false << false << int(B::AI)
                                       << "Thinking Completed" << "";
        QTest::newRow("tool loading") << "tool_response" << int(MessageType::ToolResponse) << "" << true << false << int(B::None)
                                      << "" << "app.badge.fill";
        QTest::newRow("tool done") << "tool_response" << int(MessageType::ToolResponse) << "" << false << false << int(B::None)
                                   << "" << "checkmark.circle.fill";
        QTest::newRow("html waiting") << "ai" << int(MessageType::Html) << "" << false << false << int(B::AI) << "" << "";
    }

    void bubbleSidesAndStatus()
    {
        QFETCH(QString, sender);
        QFETCH(int, type);
        QFETCH(QString, title);
        QFETCH(bool, loading);
        QFETCH(bool, userSide);
        QFETCH(int, body);
        QFETCH(QString, answerLine);
        QFETCH(QString, toolIcon);
        ChatMessageData *m = nullptr;
        switch (MessageType(type)) {
        case MessageType::User: m = ChatMessageData::withUserTextMessage(sender, QStringLiteral("<b>hi</b> *there*"), f->clock.now(), nullptr); break;
        case MessageType::Ai:
            m = ChatMessageData::withAiActionTitle(sender, title.isEmpty() ? std::nullopt : std::optional<QString>(title),
                                                   AIReplyStatus::InProgress, std::nullopt, f->clock.now(), nullptr);
            m->setAiFinalReplyText(QStringLiteral("**Answer** text"));
            break;
        case MessageType::ToolResponse: m = ChatMessageData::withToolResponseContent(QStringLiteral("gmail-_-send"), QStringLiteral("[1]"), QStringLiteral("Gmail"), f->clock.now(), nullptr); break;
        case MessageType::Html: m = ChatMessageData::withHtmlContent(std::nullopt, f->clock.now(), nullptr); break;
        }
        m->setParent(this);
        m->setSender(sender);
        m->setMessageType(MessageType(type));
        const std::optional<int> number = MessageType(type) == MessageType::Ai && answerLine.startsWith(QLatin1String("Step"))
            ? std::optional<int>(1) : std::nullopt;
        MessageBubbleViewModel vm(m, number, loading, nullptr);
        MessageBubbleView bubble(m, number, loading, &vm);
        bubble.resize(336, bubble.heightForWidth(336));
        bubble.show();
        f->clock.runPending();

        QCOMPARE(bubble.alignedToUserSide(), userSide);
        QCOMPARE(int(bubble.contentView()->body()), body);
        QCOMPARE(bubble.statusView()->answerText(), answerLine);
        QCOMPARE(bubble.statusView()->toolIconName(), toolIcon);
        QCOMPARE(bubble.statusView()->hasToolRow(), !toolIcon.isEmpty());
        if (!toolIcon.isEmpty())
            QVERIFY(bubble.statusView()->toolText().contains(QLatin1String("Gmail")));
        if (UserMessageContentView *user = bubble.contentView()->userContent()) {
            // The user's text is shown as typed: nothing in it is markup.
            QCOMPARE(user->textView()->document()->toPlainText(), QStringLiteral("<b>hi</b> *there*"));
            const QRect card = user->geometry();
            QVERIFY(userSide ? card.right() == bubble.width() - 1 : card.left() == 0);
            QVERIFY(card.width() < bubble.width());
        }
        if (AIMessageContentView *ai = bubble.contentView()->aiContent()) {
            const bool thinking = title.startsWith(QLatin1String("Thinking"));
            QCOMPARE(bubble.contentView()->heightForWidth(336) == 0, thinking);
            if (!thinking && MessageType(type) == MessageType::Ai)
                QCOMPARE(ai->answerView()->toPlainText(), QStringLiteral("Answer text"));
            if (MessageType(type) == MessageType::Html)
                QCOMPARE(ai->answerView()->toPlainText(), QStringLiteral("I'm creating your app... Give me a moment"));
        }
    }

    void copyRowFeedback()
    {
        ChatMessageData *m = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, AIReplyStatus::FinishedSuccessfully,
                                                                std::nullopt, f->clock.now(), nullptr);
        m->setParent(this);
        m->setAiFinalReplyText(QStringLiteral("Some **answer**"));
        MessageBubbleViewModel vm(m, 1, false, nullptr);
        CopyButtonView row(&vm);
        QCOMPARE(row.label(), QStringLiteral("Copy"));
        row.button()->click();
        QCOMPARE(row.label(), QStringLiteral("Copied"));
        QCOMPARE(row.imageName(), QStringLiteral("btn_copy-success"));
        f->clock.advance(1000);
        row.button()->click(); // a second copy within the feedback
        f->clock.advance(500);
        QCOMPARE(row.label(), QStringLiteral("Copy")); // 1.5 s after the first copy
        QCOMPARE(row.imageName(), QStringLiteral("btn_copy"));
    }

    void onlyVisibleRowsAreLaidOut()
    {
        makeView();
        for (int i = 0; i < 40; ++i)
            turn(i);
        settle();
        ChatMessageList *list = view->messageList();
        QCOMPARE(list->rowCount(), 80);
        QVERIFY(atBottom());
        const int laid = list->laidOutRowCount();
        QVERIFY2(laid > 0 && laid < 15, qPrintable(QString::number(laid)));
        QVERIFY(list->rowWidget(79));
        QVERIFY(!list->rowWidget(0));
        // Every widget lies in the visible band.
        for (int r = 0; r < list->rowCount(); ++r) {
            if (MessageBubbleView *w = list->rowWidget(r))
                QVERIFY(w->geometry().intersects(list->viewport()->rect()));
        }

        // Scrolling to the top swaps the rows; a row that comes back keeps its view model.
        MessageBubbleViewModel *lastVm = list->rowViewModel(79);
        list->setOffset(0);
        QVERIFY(list->rowWidget(0));
        QVERIFY(!list->rowWidget(79));
        QCOMPARE(list->rowViewModel(79), lastVm);
        QVERIFY(list->laidOutRowCount() < 15);
        // The measured rows now sit where their text needs: the first question at the top.
        QCOMPARE(list->rowRect(0).top(), ChatMessageList::kTopPadding);
    }

    void longAnswerLaysOutOnlyWhatIsOnScreen()
    {
        // One answer far taller than the view: opening it at the bottom lays out only the
        // segments on screen, and scrolling up lays out only what comes into view.
        makeView(QSize(376, 500));
        chat->addUserMessage(QStringLiteral("Question"));
        QString answer;
        for (int i = 0; i < 150; ++i)
            answer += QStringLiteral("## Part %1\n\nParagraph %1 with **bold** words that wrap over a few lines of the chat.\n\n- a %1\n- b %1\n\n").arg(i);
        chat->processStreamChunk(answer);
        chat->endStreamingResponse();
        f->clock.advance(2000);
        view = std::make_unique<ChatView>(chat.get(), nullptr, f->task, QStringLiteral("panel"), nullptr, nullptr);
        view->resize(376, 500);
        view->show();
        ChatMessageList *list = view->messageList();
        list->relayout();
        list->setOffset(list->maxOffset());
        settle(); // the chat's own scroll to the bottom on opening ends first
        const int replyRow = list->rowCount() - 1;
        MessageBubbleView *reply = list->rowWidget(replyRow);
        QVERIFY(reply && reply->contentView()->aiContent());
        AnswerTextView *text = reply->contentView()->aiContent()->answerView();
        AnswerSegments &segments = text->segments();
        QVERIFY(segments.count() >= 400);
        auto built = [&segments] {
            int n = 0;
            for (int i = 0; i < segments.count(); ++i)
                n += segments.isBuilt(i) ? 1 : 0;
            return n;
        };
        QVERIFY2(built() > 0 && built() < 40, qPrintable(QString::number(built())));
        QVERIFY(segments.isBuilt(segments.count() - 1));
        QVERIFY(!segments.isBuilt(segments.count() / 2));

        // Scrolling up lays out the segments that come into view, never the whole answer.
        for (int step = 0; step < 40; ++step) {
            list->setOffset(list->offset() - 150);
            QCoreApplication::sendPostedEvents();
        }
        QVERIFY2(built() < segments.count() / 2, qPrintable(QString::number(built())));
    }

    void streamedAnswerUpdatesOneRow()
    {
        makeView();
        for (int i = 0; i < 3; ++i)
            turn(i, 1);
        chat->addUserMessage(QStringLiteral("Long one"));
        f->clock.advance(50);
        settle();
        ChatMessageList *list = view->messageList();
        const int replyRow = list->rowCount() - 1;
        // What a row's text has been through: its document's edits, or its segments' layouts and edits.
        auto stamp = [](MessageBubbleView *w) {
            if (UserMessageContentView *user = w->contentView()->userContent())
                return QString::number(user->textView()->document()->revision());
            AnswerSegments &segments = w->contentView()->aiContent()->answerView()->segments();
            QString out = QString::number(segments.layoutCount());
            for (int i = 0; i < segments.count(); ++i)
                out += QLatin1Char(',') + (segments.isBuilt(i) ? QString::number(segments.document(i)->revision()) : QString());
            return out;
        };
        QList<MessageBubbleView *> others;
        QStringList revisions;
        for (int r = 0; r < replyRow; ++r) {
            if (MessageBubbleView *w = list->rowWidget(r)) {
                if (w->contentView()->userContent() || w->contentView()->aiContent()) {
                    others << w;
                    revisions << stamp(w);
                }
            }
        }
        QVERIFY(others.size() >= 2);
        for (int i = 0; i < 10; ++i) {
            chat->processStreamChunk(QStringLiteral("Chunk %1 of the answer.\n\n").arg(i));
            f->clock.advance(100);
        }
        MessageBubbleView *reply = list->rowWidget(replyRow);
        QVERIFY(reply && reply->contentView()->aiContent());
        QVERIFY(reply->contentView()->aiContent()->answerView()->toPlainText().contains(QLatin1String("Chunk 9")));
        for (int i = 0; i < others.size(); ++i) {
            if (list->rowWidget(list->rowCount() - 1) && others[i]->isVisible())
                QCOMPARE(stamp(others[i]), revisions[i]);
        }
    }

    void autoScrollFollowsAndStopsWhenUserScrollsAway()
    {
        makeView(QSize(376, 400));
        for (int i = 0; i < 6; ++i)
            turn(i);
        settle();
        QVERIFY(atBottom());
        chat->addUserMessage(QStringLiteral("Stream please"));
        f->clock.advance(50);
        settle();
        QVERIFY(atBottom());
        QVERIFY(view->shouldAutoScroll());

        // Every growth of the answer follows the bottom.
        for (int i = 0; i < 5; ++i) {
            chat->processStreamChunk(QStringLiteral("Line %1 of a growing answer with enough words.\n\n").arg(i));
            f->clock.advance(100);
            settle();
            QVERIFY2(atBottom(), qPrintable(QStringLiteral("chunk %1").arg(i)));
            QVERIFY(!view->userInterruptedAutoScroll());
        }

        // The user scrolls up: the anchor leaves, auto-scroll stops, the anchor shrinks.
        wheelUp(6);
        QVERIFY(!view->messageList()->isAnchorVisible());
        QVERIFY(view->userInterruptedAutoScroll());
        QVERIFY(!view->shouldAutoScroll());
        QCOMPARE(view->bottomSpacerHeight(), 10);
        const int held = view->messageList()->offset();
        for (int i = 0; i < 3; ++i) {
            chat->processStreamChunk(QStringLiteral("More text %1 arriving while reading.\n\n").arg(i));
            f->clock.advance(100);
            settle();
            QCOMPARE(view->messageList()->offset(), held);
        }

        // Back at the bottom the anchor appears and clears the interruption.
        view->messageList()->setOffset(view->messageList()->maxOffset());
        f->clock.runPending();
        QVERIFY(!view->userInterruptedAutoScroll());
        QVERIFY(view->shouldAutoScroll());
        chat->processStreamChunk(QStringLiteral("And the list follows again.\n\n"));
        f->clock.advance(100);
        settle();
        QVERIFY(atBottom());

        // The end scrolls once more, then 0.3 s later disarms and shrinks the anchor.
        chat->endStreamingResponse();
        f->clock.advance(100);
        QVERIFY(view->shouldAutoScroll());
        f->clock.advance(300);
        QVERIFY(!view->shouldAutoScroll());
        QTRY_COMPARE(view->messageList()->bottomSpacerHeight(), 10);
    }

    void inputPanelHeightAndHiding()
    {
        makeView();
        QWidget panel;
        panel.setFixedHeight(120);
        view->setInputPanel(&panel);
        QCOMPARE(view->inputAreaHeight(), 0.0); // on the next main-thread turn
        f->clock.runPending();
        QCOMPARE(view->inputAreaHeight(), 96.0);
        QCOMPARE(view->messageList()->bottomPadding(), 96);
        QCOMPARE(panel.geometry().bottom(), view->messageList()->geometry().bottom() + 16);
        panel.setFixedHeight(150);
        f->clock.runPending();
        QCOMPARE(view->inputAreaHeight(), 120.0);

        // Hiding the chat leaves the microphone mode and fades the view out at 0.9.
        QSignalSpy cancel(view.get(), &ChatView::cancelMicrophoneModeRequested);
        view->setChatVisible(true);
        QTRY_COMPARE(view->animationOpacity(), 1.0);
        view->setChatVisible(false);
        QCOMPARE(cancel.size(), 1);
        QTRY_COMPARE(view->animationOpacity(), 0.0);
        QTRY_COMPARE(view->animationScale(), 0.9);
        panel.setParent(nullptr);
    }

    void emptyChatShowsOnlyTheAnchor()
    {
        makeView();
        QCOMPARE(view->lastMessageTextKey(), QString());
        QCOMPARE(view->messageList()->rowCount(), 0);
        QVERIFY(view->messageList()->isAnchorVisible());
    }
};

TAVO_TEST_MAIN(ChatViewTest)
#include "tst_chatview.moc"
