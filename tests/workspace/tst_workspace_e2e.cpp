// A task's workspace end to end: the coordinator sends the task's message with the mini-app
// switch on to the assistant stand-in, the answer's generated document is stored, and the
// workspace (over a store context of its own, as the canvas has) shows it in the isolated
// document profile. Opens web pages, so it runs under Xvfb and outside AddressSanitizer.
#include "AssistantStandin.h"
#include "CoordinatorFixture.h"
#include "StandinHttpServer.h"
#include "TestMain.h"
#include "chat/EmbeddedChatView.h"
#include "model/TaskData.h"
#include "workspace/SideChatView.h"
#include "workspace/TaskWorkspaceView.h"
#include "workspace/TaskWorkspaceViewModel.h"
#include "workspace/WebView.h"
#include "workspace/WebViewCoordinator.h"
#include "workspace/WebViewManager.h"
#include "workspace/WorkspacePage.h"

#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
constexpr int kTimeoutMs = 20000;

QWebEngineView *shownView(TaskWorkspaceView &workspace)
{
    return workspace.webView() ? workspace.webView()->coordinator()->currentWebView() : nullptr;
}
} // namespace

class TestWorkspaceEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    StandinHttpServer m_pages;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_pages.start() != 0);
        StandinHttpServer::Reply start;
        start.body = "<!doctype html><html><head><title>start</title></head><body>start</body></html>";
        start.contentType = "text/html; charset=utf-8";
        m_pages.on("GET", "/start", start);
    }

    void workspaceWithoutTaskShowsItsStartPage()
    {
        CoordinatorFixture c;
        c.make();
        WebViewManager manager({m_dir.filePath("plain")});
        {
            TaskWorkspaceView workspace(m_pages.baseUrl().resolved(QUrl("/start")).toString(), nullptr, c.context(), c.vm.get(),
                                        &manager);
            workspace.resize(workspace.sizeHint());
            workspace.show();
            QVERIFY(workspace.sideChat()->placeholder());
            QVERIFY(!workspace.sideChat()->chat());
            QTRY_VERIFY_WITH_TIMEOUT(shownView(workspace) && shownView(workspace)->title() == u"start", kTimeoutMs);
            QCOMPARE(shownView(workspace)->page()->profile(), manager.webProfile());
        }
        manager.shutdown();
    }

    void generatedDocumentShowsInItsTaskWorkspace()
    {
        AssistantStandin service;
        service.start();
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        CoordinatorFixture c;
        c.make();
        WebViewManager manager({m_dir.filePath("documents")});
        TaskData *task = c.vm->createTask(QStringLiteral("Plan a trip"), QStringLiteral("All Tasks"), true);
        QVERIFY(task);
        ModelContext canvasContext(&c.container);
        TaskData *canvasTask = canvasContext.fetch<TaskData>(Predicate::equal(QStringLiteral("id"), task->id())).value(0);
        QVERIFY(canvasTask);

        auto workspace = std::make_unique<TaskWorkspaceView>(m_pages.baseUrl().resolved(QUrl("/start")).toString(), canvasTask,
                                                             &canvasContext, c.vm.get(), &manager);
        workspace->resize(workspace->sizeHint());
        workspace->show();
        QVERIFY(workspace->sideChat()->chat());
        QTRY_VERIFY_WITH_TIMEOUT(shownView(*workspace) && shownView(*workspace)->title() == u"start", kTimeoutMs);

        service.queueReply(
            {AssistantStandin::text("[{\"a\":\"ST_OF_MSG_STR Here is your plan. HTML_DOCUMENT_START<!doctype html><html><head>"
                                    "<title>Generated plan</title></head><body><h1>Day one</h1></body></html>"
                                    "HTML_DOCUMENT_END ED_OF_MSG_STR\"}"),
             AssistantStandin::text(",{\"done\":1}]"), AssistantStandin::text("END_OF_MESSAGE")});
        c.vm->handleChatMessage(QStringLiteral("Make me a plan page"), task, QStringLiteral("chat"), true);
        QTRY_COMPARE_WITH_TIMEOUT(task->streamStatus(), StreamStatus::Completed, kTimeoutMs);
        const QList<QJsonObject> users = service.json(service.connectionCount() - 1, QStringLiteral("user"));
        QVERIFY(!users.isEmpty());
        QVERIFY(users.last().value("html_output").toBool()); // the mini-app switch

        QTRY_VERIFY_WITH_TIMEOUT(workspace->shownIdentity().startsWith(QStringLiteral("html-")), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(shownView(*workspace) && shownView(*workspace)->title() == u"Generated plan", kTimeoutMs);
        auto *page = qobject_cast<WorkspacePage *>(shownView(*workspace)->page());
        QVERIFY(page);
        QCOMPARE(page->kind(), WorkspacePage::Kind::Document);
        QCOMPARE(page->profile(), manager.documentProfile());
        QVERIFY(page->profile() != manager.webProfile());
        QVERIFY(page->profile()->isOffTheRecord());
        QCOMPARE(page->url().scheme(), QString::fromLatin1(WebViewManager::documentScheme()));

        workspace.reset();
        manager.shutdown();
        qunsetenv("TAVO_ASSISTANT_SOCKET_URL");
    }
};

// The document scheme must be known before the application object exists.
int main(int argc, char *argv[])
{
    WebViewManager::registerSchemes();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestWorkspaceEndToEnd tc;
    return Prerequisite::exitCode(QTest::qExec(&tc, argc, argv));
}

#include "tst_workspace_e2e.moc"
