#include "ChatFixture.h"
#include "TestMain.h"
#include "categories/TaskAppAssociationService.h"
#include "chat/MessageBubbleViewModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>

// The per-bubble state: display texts, status texts by elapsed time, the client name and copies.
class BubbleViewModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ChatFixture> f;

    ChatMessageData *ai(const std::optional<QString> &title, const std::optional<QString> &text)
    {
        ChatMessageData *m = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), title, AIReplyStatus::InProgress, std::nullopt,
                                                                f->clock.now(), f->task);
        m->setAiFinalReplyText(text);
        return m;
    }
    ChatMessageData *tool(const std::optional<QString> &name, const std::optional<QString> &client = std::nullopt)
    {
        ChatMessageData *m = ChatMessageData::withToolResponseContent(name, QStringLiteral("[1]"), client, f->clock.now(), nullptr);
        m->setParent(this);
        return m;
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ChatFixture>(); }
    void cleanup() { f.reset(); }

    void statusMessage_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString n = QStringLiteral("Gmail");
        QTest::newRow("0") << 0 << n << "Interacting with Gmail";
        QTest::newRow("5") << 5 << n << "Interacting with Gmail";
        QTest::newRow("6") << 6 << n << "Getting smart with Gmail";
        QTest::newRow("14") << 14 << n << "Getting smart with Gmail";
        QTest::newRow("15") << 15 << n << "Doing a little AI Magic";
        QTest::newRow("21") << 21 << n << "Doing a little AI Magic";
        QTest::newRow("22") << 22 << n << "Whispering to Gmail";
        QTest::newRow("27") << 27 << n << "Whispering to Gmail";
        QTest::newRow("28") << 28 << n << "Interacting with Gmail";
        QTest::newRow("37") << 37 << n << "Interacting with Gmail";
        QTest::newRow("38") << 38 << n << "Taking a bit longer than usual...";
        QTest::newRow("47") << 47 << n << "Taking a bit longer than usual...";
        QTest::newRow("48") << 48 << n << "Still working with Gmail...";
        QTest::newRow("57") << 57 << n << "Still working with Gmail...";
        QTest::newRow("58") << 58 << n << "Taking a bit longer than usual...";
        QTest::newRow("3608") << 3608 << n << "Still working with Gmail...";
        QTest::newRow("negative") << -3 << n << "Taking a bit longer than usual...";
        QTest::newRow("no name") << 2 << QString() << "Interacting with the app";
        QTest::newRow("no name late") << 50 << QString() << "Still working with the app...";
    }
    void statusMessage()
    {
        QFETCH(int, seconds);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(MessageBubbleViewModel::statusMessage(seconds, name), expected);
    }

    void displayTexts()
    {
        auto text = [](ChatMessageData *m) { return MessageBubbleViewModel(m, std::nullopt, false, nullptr).displayText(); };
        auto visible = [](ChatMessageData *m) { return MessageBubbleViewModel(m, std::nullopt, false, nullptr).hasVisibleContent(); };

        ChatMessageData *user = ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("Note: hi"), f->clock.now(), f->task);
        QCOMPARE(text(user), QStringLiteral("**Note:** hi")); // every text goes through the formatting
        QCOMPARE(text(ai(std::nullopt, std::nullopt)), QStringLiteral("..."));
        QCOMPARE(text(ai(QStringLiteral("Error"), std::nullopt)), QStringLiteral("Error"));
        QCOMPARE(text(ai(QStringLiteral("Thinking Stopped"), std::nullopt)), QStringLiteral("Thinking Stopped"));
        ChatMessageData *thinking = ai(QStringLiteral("Thinking..."), std::nullopt);
        thinking->setAiThinkingContent(QStringLiteral("secret"));
        QCOMPARE(text(thinking), QString());
        QVERIFY(visible(thinking));
        QVERIFY(MessageBubbleViewModel(thinking, std::nullopt, false, nullptr).isThinkingMessage());
        QVERIFY(!MessageBubbleViewModel(ai(QStringLiteral("Thinking Stopped"), std::nullopt), std::nullopt, false, nullptr).isThinkingMessage());
        QCOMPARE(text(tool(QStringLiteral("t"))), QStringLiteral("[1]"));
        ChatMessageData *html = ChatMessageData::withHtmlContent(std::nullopt, f->clock.now(), f->task);
        QCOMPARE(text(html), QStringLiteral("I'm creating your app... Give me a moment"));
        html->setHtmlContent(QStringLiteral("<p>x</p>"));
        QCOMPARE(text(html), QString());
        QVERIFY(!visible(html));
    }

    void displayTextFollowsTheMessage()
    {
        ChatMessageData *m = ai(std::nullopt, QStringLiteral("Status: ok"));
        MessageBubbleViewModel vm(m, 1, false, nullptr);
        QCOMPARE(vm.displayText(), QStringLiteral("**Status:** ok"));
        m->setAiFinalReplyText(QStringLiteral("Status: done"));
        QCOMPARE(vm.displayText(), QStringLiteral("**Status:** done"));
    }

    void statusLineWhileLoading()
    {
        MessageBubbleViewModel vm(tool(QStringLiteral("search-_-x-_-y")), std::nullopt, true, nullptr);
        QCOMPARE(vm.statusText(), QStringLiteral("Interacting with App"));
        QVERIFY(vm.statusTimerRunning());
        vm.loadClientDisplayName();
        QCOMPARE(f->lookups, QStringList{"search"});
        QCOMPARE(vm.clientDisplayName(), QString());
        QCOMPARE(vm.statusText(), QStringLiteral("Interacting with the app"));

        f->toolClients.insert(QStringLiteral("search"), QStringLiteral("gmail"));
        vm.loadClientDisplayName();
        QCOMPARE(vm.clientDisplayName(), QStringLiteral("Gmail"));
        f->clock.advance(6000);
        QCOMPARE(vm.statusText(), QStringLiteral("Getting smart with Gmail"));
        f->clock.advance(32000);
        QCOMPARE(vm.statusText(), QStringLiteral("Taking a bit longer than usual..."));

        // The timer stops once the row is no longer loading.
        vm.setLoading(false);
        QVERIFY(!vm.statusTimerRunning());
        QCOMPARE(vm.statusText(), QStringLiteral("Completed talking to Gmail"));
        const int pending = f->clock.pendingCount();
        f->clock.advance(5000);
        QCOMPARE(f->clock.pendingCount(), pending);
    }

    void timerEndsWithTheViewModel()
    {
        const int before = f->clock.pendingCount();
        {
            MessageBubbleViewModel vm(tool(QStringLiteral("t")), std::nullopt, true, nullptr);
            QCOMPARE(f->clock.pendingCount(), before + 1);
        }
        QCOMPARE(f->clock.pendingCount(), before);
        MessageBubbleViewModel idle(tool(QStringLiteral("t")), std::nullopt, false, nullptr);
        QVERIFY(!idle.statusTimerRunning());
    }

    void storedClientNameAndAssociation()
    {
        AppIconData *gmail = f->addApp(QStringLiteral("Gmail"));
        f->addApp(QStringLiteral("App"));
        TaskAppAssociationService service(f->context);
        ChatMessageData *m = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, std::nullopt, std::nullopt, f->clock.now(), f->task);
        m->setClientDisplayName(QStringLiteral("Gmail"));
        MessageBubbleViewModel vm(m, std::nullopt, false, &service);
        vm.loadClientDisplayName();
        QVERIFY(f->lookups.isEmpty()); // a stored name is never looked up
        QCOMPARE(vm.effectiveClientName(), QStringLiteral("Gmail"));
        QVERIFY(f->task->apps().isEmpty()); // the association runs on a later turn
        f->clock.runPending();
        QCOMPARE(f->task->apps(), QList<AppIconData *>{gmail});

        // A client named "app" is shown as "App" and never linked.
        f->toolClients.insert(QStringLiteral("t"), QStringLiteral("app"));
        ChatMessageData *m2 = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, std::nullopt, std::nullopt, f->clock.now(), f->task);
        m2->setToolName(QStringLiteral("t-_-app"));
        MessageBubbleViewModel vm2(m2, std::nullopt, false, &service);
        vm2.setClientDisplayName(QStringLiteral("x"));
        vm2.loadClientDisplayName();
        QCOMPARE(vm2.clientDisplayName(), QStringLiteral("App"));
        f->clock.runPending();
        QCOMPARE(f->task->apps(), QList<AppIconData *>{gmail});
    }

    void copies()
    {
        QClipboard *cb = QGuiApplication::clipboard();
        MessageBubbleViewModel answer(ai(std::nullopt, QStringLiteral("**Bold** line\nnext")), 1, false, nullptr);
        QSignalSpy feedback(&answer, &MessageBubbleViewModel::showCopyFeedbackChanged);
        answer.copyToClipboard();
        QVERIFY(answer.showCopyFeedback());
        const QMimeData *md = cb->mimeData();
        QCOMPARE(md->text(), QStringLiteral("Bold line\nnext"));
        QVERIFY(md->hasHtml());
        QVERIFY(md->hasFormat(QStringLiteral("text/rtf")));
        f->clock.advance(1499);
        QVERIFY(answer.showCopyFeedback());
        f->clock.advance(1);
        QVERIFY(!answer.showCopyFeedback());
        QCOMPARE(feedback.size(), 2);

        ChatMessageData *user = ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("**mine**"), f->clock.now(), f->task);
        MessageBubbleViewModel(user, std::nullopt, false, nullptr).copyToClipboard();
        QCOMPARE(cb->mimeData()->text(), QStringLiteral("**mine**"));
        QVERIFY(!cb->mimeData()->hasHtml());
        QVERIFY(!cb->mimeData()->hasFormat(QStringLiteral("text/rtf")));

        ChatMessageData *html = ChatMessageData::withHtmlContent(std::nullopt, f->clock.now(), f->task);
        MessageBubbleViewModel(html, std::nullopt, false, nullptr).copyToClipboard();
        QCOMPARE(cb->mimeData()->text(), QStringLiteral("I'm creating your app... Give me a moment"));
        QVERIFY(!cb->mimeData()->hasHtml());

        MessageBubbleViewModel(ai(std::nullopt, QStringLiteral("  ")), 1, false, nullptr).copyToClipboard();
        QVERIFY(!cb->mimeData()->hasHtml());
    }
};

TAVO_TEST_MAIN(BubbleViewModelTest)
#include "tst_bubbleviewmodel.moc"
