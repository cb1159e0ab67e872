// The task workspace without a web engine: the content choice over small message fixtures,
// the live queries over a context of the workspace's own, the reactions on virtual time, the
// dock's taps and "resetToHome", and the side chat.
#include "CoordinatorFixture.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "chat/EmbeddedChatView.h"
#include "model/AppIconData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "model/WebURL.h"
#include "workspace/AppIconButton.h"
#include "workspace/BottomMenuContainerView.h"
#include "workspace/BottomMenuView.h"
#include "workspace/HomeButton.h"
#include "workspace/SideChatView.h"
#include "workspace/TaskWorkspaceViewModel.h"
#include "workspace/WorkspaceContent.h"

#include <QLabel>
#include <QSignalSpy>

namespace {

// One message of a fixture: "ai:<status>:<reply text>" (status done, error, running or none)
// or "html:<document>".
struct Fixture {
    ModelContainer container{ModelStore::schema(), ModelConfiguration{QString(), true}};
    ModelContext *context = container.mainContext();
    TaskData *task = nullptr;
    QDateTime clock = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);

    Fixture()
    {
        task = new TaskData(QUuid::createUuid(), QStringLiteral("Plan a trip"), std::nullopt, std::nullopt, clock, false,
                            std::nullopt, std::nullopt, StreamStatus::Idle, true);
        context->insert(task);
        context->save();
    }
    ChatMessageData *add(const QString &line)
    {
        clock = clock.addSecs(1);
        const QString kind = line.section(QLatin1Char(':'), 0, 0);
        if (kind == u"html")
            return ChatMessageData::withHtmlContent(line.section(QLatin1Char(':'), 1, -1), clock, task);
        const QString status = line.section(QLatin1Char(':'), 1, 1);
        std::optional<AIReplyStatus> s;
        if (status == u"done")
            s = AIReplyStatus::FinishedSuccessfully;
        else if (status == u"error")
            s = AIReplyStatus::FinishedWithError;
        else if (status == u"running")
            s = AIReplyStatus::InProgress;
        ChatMessageData *m = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, s, std::nullopt, clock, task);
        m->setAiFinalReplyText(line.section(QLatin1Char(':'), 2, -1));
        return m;
    }
    AppIconData *app(const QString &name, const std::optional<QString> &link, const QString &icon = QString())
    {
        auto *a = new AppIconData(QUuid::createUuid(), name, QStringLiteral("#000000"), icon, link);
        context->insert(a);
        return a;
    }
};

QString describe(const std::optional<WebView::Content> &content)
{
    if (!content)
        return QStringLiteral("none");
    return content->kind == WebView::Content::Kind::Html ? "html:" + content->html : "url:" + content->url.toString();
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What the workspace shows for the task's assistant messages (oldest first in the table),
    // an optional selected app and the fallback address.
    void contentChoice_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("appLink"); // "-" for no selected app
        QTest::addColumn<QString>("currentUrl");
        QTest::addColumn<QString>("expected");
        const QString home = QStringLiteral("https://home.example/");
        QTest::newRow("nothing: the fallback") << QStringList{} << "-" << home << "url:" + home;
        QTest::newRow("last of three addresses")
            << QStringList{"ai:done:see https://a.example/1, https://b.example/2 and https://c.example/3."} << "-" << home
            << "url:https://c.example/3";
        QTest::newRow("newest finished reply without address hides older ones")
            << QStringList{"ai:done:https://old.example/", "ai:done:no link here"} << "-" << home << "url:" + home;
        QTest::newRow("running and status-less replies are passed over")
            << QStringList{"ai:done:https://done.example/", "ai:none:https://none.example/", "ai:running:https://run.example/"}
            << "-" << home << "url:https://done.example/";
        QTest::newRow("a reply ended by an error counts") << QStringList{"ai:error:https://err.example/"} << "-" << home
                                                          << "url:https://err.example/";
        QTest::newRow("refused address: the fallback") << QStringList{"ai:done:ftp://files.example/x"} << "-" << home << "url:" + home;
        QTest::newRow("the document wins over addresses")
            << QStringList{"html:<p>doc</p>", "ai:done:https://a.example/"} << "-" << home << "html:<p>doc</p>";
        QTest::newRow("an empty document is passed over")
            << QStringList{"html:<p>old</p>", "html:"} << "-" << home << "html:<p>old</p>";
        QTest::newRow("app with a valid link hides the document")
            << QStringList{"html:<p>doc</p>", "ai:done:https://a.example/"} << "https://app.example/" << home
            << "url:https://app.example/";
        QTest::newRow("app with an invalid link: the answer's address")
            << QStringList{"html:<p>doc</p>", "ai:done:https://a.example/"} << "mailto:x@example.com" << home
            << "url:https://a.example/";
        QTest::newRow("app with an invalid link and no address: the fallback")
            << QStringList{"html:<p>doc</p>"} << "www.app.example" << home << "url:" + home;
        QTest::newRow("an empty fallback shows nothing") << QStringList{} << "-" << QString() << "none";
    }
    void contentChoice()
    {
        QFETCH(QStringList, messages);
        QFETCH(QString, appLink);
        QFETCH(QString, currentUrl);
        QFETCH(QString, expected);
        Fixture f;
        QList<ChatMessageData *> newestFirst;
        for (const QString &m : messages)
            newestFirst.prepend(f.add(m));
        AppIconData *app = appLink == u"-" ? nullptr : f.app(QStringLiteral("App"), appLink);
        const QString effective =
            WorkspaceContent::effectiveURLString(app, WorkspaceContent::extractedURLs(newestFirst), currentUrl);
        const auto content = WorkspaceContent::currentContent(app, WorkspaceContent::latestHTMLContent(newestFirst), effective);
        QCOMPARE(describe(content), expected);
    }

    void identityFollowsWhatIsShown()
    {
        using WorkspaceContent::contentIdentity;
        const auto doc = WebView::Content::fromHtml(QStringLiteral("<p>a</p>"));
        QCOMPARE(contentIdentity(std::nullopt), QStringLiteral("none"));
        QCOMPARE(contentIdentity(WebView::Content::fromUrl(QUrl("https://a.example/x"))), QStringLiteral("url-https://a.example/x"));
        QVERIFY(contentIdentity(doc).startsWith(QStringLiteral("html-")));
        QCOMPARE(contentIdentity(WebView::Content::fromHtml(QStringLiteral("<p>a</p>"))), contentIdentity(doc));
        QVERIFY(contentIdentity(WebView::Content::fromHtml(QStringLiteral("<p>b</p>"))) != contentIdentity(doc));
    }

    // The queries run in the workspace's own context and follow saves made elsewhere; the
    // task's deletion leaves them empty.
    void queriesFollowTheStoreAndSurviveDeletion()
    {
        FakeScheduler clock;
        Fixture f;
        ModelContext workspaceContext(&f.container);
        TaskWorkspaceViewModel vm(QStringLiteral("https://start.example/"), f.task, &workspaceContext);
        QSignalSpy changed(&vm, &TaskWorkspaceViewModel::changed);
        QVERIFY(vm.observedTask() && vm.observedTask() != f.task);
        QCOMPARE(vm.observedTask()->modelContext(), &workspaceContext);

        ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("hi https://user.example/"), f.clock, f.task);
        f.add("ai:done:first https://one.example/");
        ChatMessageData *doc = f.add("html:<p>1</p>");
        f.context->save();
        QVERIFY(!changed.isEmpty());
        QCOMPARE(vm.chatMessages().size(), 2); // the assistant's only, newest first
        QCOMPARE(vm.chatMessages().first()->persistentModelID(), doc->persistentModelID());
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("html:<p>1</p>"));

        // An edit of a message already shown is seen too.
        doc->setHtmlContent(QStringLiteral("<p>2</p>"));
        f.context->save();
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("html:<p>2</p>"));

        AppIconData *app = f.app(QStringLiteral("Docs"), QStringLiteral("https://docs.example/"));
        f.task->appendApp(app);
        f.context->save();
        QCOMPARE(vm.taskApps().size(), 1);

        f.context->remove(f.task);
        f.context->save();
        QVERIFY(!vm.observedTask());
        QVERIFY(vm.chatMessages().isEmpty());
        QVERIFY(vm.taskApps().isEmpty());
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("url:https://start.example/"));
    }

    void noTaskQueriesNothing()
    {
        Fixture f;
        TaskWorkspaceViewModel vm(QStringLiteral("https://start.example/"), nullptr, f.context);
        f.add("html:<p>other task</p>");
        f.context->save();
        QVERIFY(vm.chatMessages().isEmpty());
        QVERIFY(vm.taskApps().isEmpty());
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("url:https://start.example/"));
    }

    void appearingSelectsTheLastAppATenthOfASecondLater()
    {
        FakeScheduler clock;
        Fixture f;
        f.task->appendApp(f.app(QStringLiteral("A"), QStringLiteral("https://a.example/")));
        AppIconData *b = f.app(QStringLiteral("B"), QStringLiteral("https://b.example/"));
        f.task->appendApp(b);
        f.context->save();
        TaskWorkspaceViewModel vm(QStringLiteral("https://start.example/"), f.task, f.context);
        clock.advance(1000);
        QVERIFY(!vm.selectedApp()); // nothing happens before it is on screen
        vm.appear();
        clock.advance(TaskWorkspaceViewModel::autoSelectDelayMs - 1);
        QVERIFY(!vm.selectedApp());
        clock.advance(1);
        QCOMPARE(vm.selectedApp(), b);
        // The app's link becomes the fallback (on the turn after the selection).
        QCOMPARE(vm.currentUrl(), QStringLiteral("https://b.example/"));
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("url:https://b.example/"));
    }

    void withoutAppsNothingIsSelected()
    {
        FakeScheduler clock;
        Fixture f;
        TaskWorkspaceViewModel vm(QStringLiteral("https://start.example/"), f.task, f.context);
        vm.appear();
        clock.advance(1000);
        QVERIFY(!vm.selectedApp());
        QCOMPARE(clock.pendingCount(), 0);
    }

    void reactionsToNewAnswersDocumentsAndApps()
    {
        FakeScheduler clock;
        Fixture f;
        AppIconData *a = f.app(QStringLiteral("A"), QStringLiteral("https://a.example/"));
        f.context->save();
        TaskWorkspaceViewModel vm(QStringLiteral("https://start.example/"), f.task, f.context);
        vm.appear();

        // A linked app is selected 0.1 s later and its link becomes the fallback.
        f.task->appendApp(a);
        f.context->save();
        QVERIFY(!vm.selectedApp());
        clock.advance(TaskWorkspaceViewModel::autoSelectDelayMs);
        QCOMPARE(vm.selectedApp(), a);
        clock.runPending();
        QCOMPARE(vm.currentUrl(), QStringLiteral("https://a.example/"));

        // A new document deselects the app at once and is shown.
        f.add("html:<p>report</p>");
        f.context->save();
        QVERIFY(!vm.selectedApp());
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("html:<p>report</p>"));

        // A new address in the newest finished answer becomes the fallback on the next turn
        // (the document still wins).
        vm.setSelectedApp(a);
        clock.runPending();
        ChatMessageData *reply = f.add("ai:running:see https://news.example/");
        f.context->save();
        clock.runPending();
        QCOMPARE(vm.selectedApp(), a); // still streaming: not finished yet
        reply->setAiReplyStatus(AIReplyStatus::FinishedSuccessfully);
        f.context->save();
        QCOMPARE(vm.currentUrl(), QStringLiteral("https://a.example/"));
        clock.runPending();
        QCOMPARE(vm.currentUrl(), QStringLiteral("https://news.example/"));
        QVERIFY(!vm.selectedApp());
        QCOMPARE(describe(vm.currentContent()), QStringLiteral("html:<p>report</p>"));
    }

    // "resetToHome" reaches every open workspace; the dock's home tap posts it once and writes
    // the selection back to home a tenth of a second later.
    void homeTapResetsEveryWorkspaceOnce()
    {
        FakeScheduler clock;
        Fixture f;
        AppIconData *a = f.app(QStringLiteral("A"), QStringLiteral("https://a.example/"));
        f.task->appendApp(a);
        f.context->save();
        TaskWorkspaceViewModel first(QStringLiteral("https://one.example/"), f.task, f.context);
        TaskWorkspaceViewModel second(QStringLiteral("https://two.example/"), nullptr, f.context);
        BottomMenuContainerView dock(first.taskApps(), a);
        QObject::connect(&dock, &BottomMenuContainerView::selectionWritten, &first, &TaskWorkspaceViewModel::setSelectedApp);
        first.setSelectedApp(a);
        dock.show();
        NotificationSpy spy;

        QTest::mouseClick(dock.row()->homeButton(), Qt::LeftButton);
        QCOMPARE(spy.count(QStringLiteral("resetToHome")), 1);
        QCOMPARE(first.currentUrl(), defaultWebPageURL());
        QCOMPARE(second.currentUrl(), defaultWebPageURL());
        QCOMPARE(first.selectedApp(), a); // the posting came first
        clock.advance(BottomMenuView::selectionDelayMs - 1);
        QCOMPARE(first.selectedApp(), a);
        clock.advance(1);
        QVERIFY(!first.selectedApp());
        QCOMPARE(spy.count(QStringLiteral("resetToHome")), 1);
    }

    void appTapsWriteTheSelectionLater()
    {
        FakeScheduler clock;
        Fixture f;
        AppIconData *a = f.app(QStringLiteral("A"), QStringLiteral("https://a.example/"), QStringLiteral("asana_logo"));
        AppIconData *b = f.app(QStringLiteral("B"), std::nullopt, QString());
        BottomMenuContainerView dock({a, b}, nullptr);
        QSignalSpy written(&dock, &BottomMenuContainerView::selectionWritten);
        dock.show();
        const QList<AppIconButton *> buttons = dock.row()->appButtons();
        QCOMPARE(buttons.size(), 2);
        QVERIFY(dock.row()->homeButton()->isSelected());

        // The pictures: the placeholder until the check a millisecond after showing.
        QCOMPARE(buttons[0]->pictureName(), QStringLiteral("app_logo_placeholder_1"));
        clock.advance(1);
        QCOMPARE(buttons[0]->pictureName(), QStringLiteral("asana_logo"));
        QCOMPARE(buttons[1]->pictureName(), QStringLiteral("app_logo_placeholder_1"));

        NotificationSpy spy;
        QTest::mouseClick(buttons[0], Qt::LeftButton);
        QTest::mouseClick(buttons[1], Qt::LeftButton);
        QCOMPARE(written.size(), 0);
        clock.advance(BottomMenuView::selectionDelayMs);
        QCOMPARE(written.size(), 2);
        QCOMPARE(written[0][0].value<AppIconData *>(), a);
        QCOMPARE(written[1][0].value<AppIconData *>(), b);
        QCOMPARE(spy.all().size(), 0);

        dock.setSelectedApp(b);
        QVERIFY(!dock.row()->homeButton()->isSelected());
        QVERIFY(!buttons[0]->isSelected());
        QVERIFY(buttons[1]->isSelected());
    }

    void sideChatWithoutTaskShowsThePlaceholder()
    {
        CoordinatorFixture c;
        c.make();
        SideChatView side(nullptr, c.context(), c.vm.get());
        side.resize(400, 600);
        side.show();
        QVERIFY(!side.chat());
        QVERIFY(side.placeholder() && side.placeholder()->isVisible());
        auto *text = side.placeholder()->findChild<QLabel *>(QStringLiteral("placeholderText"));
        QVERIFY(text);
        QCOMPARE(text->text(), QStringLiteral("Select a task to view chat"));
        QVERIFY(!CoordinatorFixture::log().join('\n').contains(QStringLiteral("SideChatView")));
        QCOMPARE(c.analytics.count(QStringLiteral("error_occurred")), 0);
    }

    // The chat's texts keep a visible colour, and a deleted task gives way to the placeholder.
    void sideChatShowsTheTaskUntilItIsDeleted()
    {
        CoordinatorFixture c;
        c.make();
        TaskData *task = c.vm->createTask(QStringLiteral("Weekly report"), QStringLiteral("All Tasks"), false);
        QVERIFY(task);
        ModelContext workspaceContext(&c.container);
        SideChatView side(task, &workspaceContext, c.vm.get());
        side.resize(400, 600);
        side.show();
        QVERIFY(side.chat());
        QCOMPARE(side.chat()->caller(), QStringLiteral("canvas"));
        QCOMPARE(side.chat()->width(), SideChatView::chatWidth);
        QCOMPARE(side.chat()->task()->modelContext(), &workspaceContext);
        for (QWidget *w : side.chat()->findChildren<QWidget *>()) {
            QVERIFY2(w->palette().color(QPalette::WindowText).alpha() > 0, qPrintable(w->metaObject()->className()));
            QVERIFY2(w->palette().color(QPalette::Text).alpha() > 0, qPrintable(w->metaObject()->className()));
        }

        c.context()->remove(task);
        c.context()->save();
        QVERIFY(!side.chat());
        QVERIFY(side.placeholder());
        QVERIFY(CoordinatorFixture::log().contains(
            QStringLiteral("⚠️ [SideChatView] Task no longer exists in database: Weekly report")));
        QCOMPARE(c.analytics.count(QStringLiteral("error_occurred")), 0);
    }
};

TAVO_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
