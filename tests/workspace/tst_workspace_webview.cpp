#include "TestMain.h"

#include "Platform/UrlOpener.h"
#include "StandinHttpServer.h"
#include "workspace/WebView.h"
#include "workspace/WebViewCoordinator.h"
#include "workspace/WebViewManager.h"

#include <QSignalSpy>
#include <QProcess>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int kLoadTimeoutMs = 20000;

QByteArray page(const QByteArray &title, const QByteArray &script = {})
{
    return "<!doctype html><html><head><title>" + title + "</title></head><body>" + title
        + (script.isEmpty() ? QByteArray() : "<script>" + script + "</script>") + "</body></html>";
}

StandinHttpServer::Reply html(const QByteArray &body, QList<QPair<QByteArray, QByteArray>> headers = {})
{
    StandinHttpServer::Reply reply;
    reply.body = body;
    reply.contentType = "text/html; charset=utf-8";
    reply.headers = std::move(headers);
    return reply;
}

// Runs script in page and answers its (synchronous) result; an invalid value when the page
// never answered.
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [result](const QVariant &value) { *result = value; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, kLoadTimeoutMs))
        qWarning("the page did not answer a script");
    return result->value_or(QVariant());
}

#define WAIT_LOADED(coordinator) QTRY_VERIFY_WITH_TIMEOUT(!(coordinator).isLoading(), kLoadTimeoutMs)

} // namespace

class TestWorkspaceWebView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    StandinHttpServer m_server;
    QList<QUrl> m_opened;

    QUrl at(const QString &path) const { return m_server.baseUrl().resolved(QUrl(path)); }
    int requestsTo(const QString &path) const { return int(m_server.requestsTo(path).size()); }
    QByteArray lastCookieTo(const QString &path) const
    {
        const auto requests = m_server.requestsTo(path);
        return requests.isEmpty() ? QByteArray("<no request>") : requests.last().header("cookie");
    }
    WebViewManager::Options options(const QString &name) const { return {m_dir.filePath(name)}; }

    // Runs the web layer in a process of its own over dir (see webRun below): its report
    // lines and its exit code.
    QStringList webRun(const QString &dir, const QString &steps)
    {
        QProcess run;
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--web-run"), dir, m_server.baseUrl().toString(), steps});
        // The stand-in answers on this thread's event loop while the run goes on.
        if (!QTest::qWaitFor([&] { return run.state() == QProcess::NotRunning; }, 90000)) {
            run.kill();
            run.waitForFinished();
        }
        QStringList report;
        for (const QByteArray &line : run.readAllStandardOutput().split('\n'))
            if (line.contains(" storage="))
                report << QString::fromUtf8(line);
        report << QStringLiteral("exit=%1").arg(run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1);
        return report;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.start() != 0);
        m_server.on("GET", "/page", html(page("page")));
        StandinHttpServer::Reply redirect;
        redirect.status = 302;
        redirect.contentType.clear();
        redirect.headers = {{"Location", "/page"}};
        m_server.on("GET", "/redirect", redirect);
        // A signed-in page: a persistent cookie and a value in the site's local storage.
        m_server.on("GET", "/login",
                    html(page("login", "localStorage.setItem('kept', '1');"),
                         {{"Set-Cookie", "session=abc; Max-Age=3600; Path=/; SameSite=None; Secure"}}));
        m_server.on("GET", "/echo", html(page("echo")));
        m_server.on("GET", "/linked", html(page("linked")));
        m_server.on("GET", "/popup", html(page("popup")));
        StandinHttpServer::Reply slow = html(page("slow"));
        slow.delayMs = 3000;
        m_server.on("GET", "/slow", slow);
        UrlOpener::setHandler([this](const QUrl &url) {
            m_opened << url;
            return true;
        });
    }

    void cleanupTestCase() { UrlOpener::setHandler({}); }

    void init()
    {
        m_server.clearRequests();
        m_opened.clear();
    }

    // An address already shown is not requested again; a redirected one is, because the
    // view then shows another address.
    void addressesLoadOnceUnlessRedirected()
    {
        WebViewManager manager(options("addresses"));
        WebViewCoordinator coordinator(&manager);
        coordinator.loadURL(at("/page"));
        QVERIFY(coordinator.isLoading());
        WAIT_LOADED(coordinator);
        QCOMPARE(requestsTo("/page"), 1);

        QSignalSpy flag(&coordinator, &WebViewCoordinator::isLoadingChanged);
        coordinator.loadURL(at("/page"));
        QTest::qWait(300);
        QCOMPARE(requestsTo("/page"), 1);
        QCOMPARE(flag.count(), 0);

        coordinator.loadURL(at("/redirect"));
        WAIT_LOADED(coordinator);
        QCOMPARE(coordinator.currentWebView()->url(), at("/page"));
        QCOMPARE(requestsTo("/redirect"), 1);
        coordinator.loadURL(at("/redirect"));
        QVERIFY(coordinator.isLoading());
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo("/redirect"), 2, kLoadTimeoutMs);
        WAIT_LOADED(coordinator);

        // A document shown while an address is still loading ends the loading state at once.
        coordinator.loadURL(at("/slow"));
        QVERIFY(coordinator.isLoading());
        coordinator.loadHTML(QString::fromUtf8(page("document")));
        QVERIFY(!coordinator.isLoading());
    }

    // The host updates its web view on every re-evaluation (every stored chat message): the
    // same content must neither reload the page nor wipe a running document's state.
    void hostUpdatesLoadOnlyNewContent()
    {
        WebViewManager manager(options("updates"));
        QWidget host;
        auto *layout = new QVBoxLayout(&host);
        const auto one = WebView::Content::fromHtml(QString::fromUtf8(page("one")));
        auto *view = new WebView(one, &manager);
        layout->addWidget(view);
        host.resize(480, 360);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QWebEngineView *web = view->coordinator()->currentWebView();
        QVERIFY(web);
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("one"), kLoadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!web->page()->isLoading(), kLoadTimeoutMs);
        evaluate(web->page(), QStringLiteral("window.appState = 42"));

        QSignalSpy starts(web, &QWebEngineView::loadStarted);
        QSignalSpy finished(web, &QWebEngineView::loadFinished);
        for (int i = 0; i < 3; ++i)
            view->setContent(one);
        QTest::qWait(500);
        QCOMPARE(starts.count(), 0);
        QCOMPARE(evaluate(web->page(), QStringLiteral("window.appState")).toInt(), 42);

        // New content loads into the same view; an explicit load always loads.
        const auto two = WebView::Content::fromHtml(QString::fromUtf8(page("two")));
        view->setContent(two);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kLoadTimeoutMs);
        QCOMPARE(web->title(), QStringLiteral("two"));
        view->coordinator()->loadHTML(two.html);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, kLoadTimeoutMs);
        QCOMPARE(starts.count(), 2);

        // An address: the first update requests it, the same address again does not.
        view->setContent(WebView::Content::fromUrl(at("/page")));
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("page"), kLoadTimeoutMs);
        view->setContent(WebView::Content::fromUrl(at("/page")));
        view->setContent(WebView::Content::fromUrl(at("/page")));
        QTest::qWait(300);
        QCOMPARE(requestsTo("/page"), 1);

        // Ctrl+wheel over the page does not zoom it.
        QWidget *surface = web->focusProxy();
        QVERIFY(surface);
        const QPointF point(40, 40);
        QWheelEvent wheel(point, surface->mapToGlobal(point), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &wheel);
        QTest::qWait(500);
        QCOMPARE(web->zoomFactor(), 1.0);
    }

    // One persistent store for every page: a cookie set in one view is sent by another and
    // survives a restart; clearing the website data, although asked for while a page is
    // open, keeps the cookie and drops the site's local storage. Each run is a process of its
    // own, as each launch of the application is.
    void cookiesSharedKeptAndSparedByClearing()
    {
        const QString dir = m_dir.filePath(QStringLiteral("persistent"));
        QCOMPARE(webRun(dir, QStringLiteral("/login,/echo")),
                 (QStringList{QStringLiteral("/login storage=1"), QStringLiteral("/echo storage=1"), QStringLiteral("exit=0")}));
        QCOMPARE(lastCookieTo("/echo"), QByteArray("session=abc"));

        m_server.clearRequests();
        QCOMPARE(webRun(dir, QStringLiteral("/echo,clear")),
                 (QStringList{QStringLiteral("/echo storage=1"), QStringLiteral("exit=0")}));
        QCOMPARE(lastCookieTo("/echo"), QByteArray("session=abc"));

        m_server.clearRequests();
        QCOMPARE(webRun(dir, QStringLiteral("/echo")),
                 (QStringList{QStringLiteral("/echo storage=null"), QStringLiteral("exit=0")}));
        QCOMPARE(lastCookieTo("/echo"), QByteArray("session=abc"));
    }

    // A generated document is untrusted: it cannot read the web pages' cookies, open a
    // window, reach files or a script bridge, or navigate away; a link leaves for the system
    // browser. It is served from its own origin, so no size limit of inline HTML applies.
    void documentsAreIsolated()
    {
        WebViewManager manager(options("documents"));
        WebViewCoordinator signedIn(&manager);
        signedIn.loadURL(at("/login"));
        WAIT_LOADED(signedIn);

        WebViewCoordinator coordinator(&manager);
        coordinator.loadHTML(QStringLiteral("<!doctype html><html><head><title>doc</title></head>"
                                            "<body><a id=out href='%1'>out</a></body></html>")
                                 .arg(at("/linked").toString()));
        QWebEngineView *web = coordinator.currentWebView();
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("doc"), kLoadTimeoutMs);
        QWebEnginePage *doc = web->page();
        const QUrl origin = doc->url();
        QCOMPARE(origin.scheme(), QString::fromLatin1(WebViewManager::documentScheme()));

        QCOMPARE(evaluate(doc, QStringLiteral("document.cookie")).toString(), QString());
        QCOMPARE(evaluate(doc, QStringLiteral("typeof qt")).toString(), QStringLiteral("undefined"));
        // A request of its own to the signed-in site carries no cookie of the web profile.
        evaluate(doc, QStringLiteral("fetch('%1', {credentials: 'include'}).finally(() => document.title = 'fetched')")
                          .arg(at("/echo").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("fetched"), kLoadTimeoutMs);
        QCOMPARE(lastCookieTo("/echo"), QByteArray());
        evaluate(doc, QStringLiteral("fetch('file:///etc/hostname').then(() => document.title = 'read', "
                                     "() => document.title = 'refused')"));
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("refused"), kLoadTimeoutMs);

        QVERIFY(evaluate(doc, QStringLiteral("window.open('%1') === null").arg(at("/popup").toString())).toBool());
        evaluate(doc, QStringLiteral("document.getElementById('out').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(m_opened, QList<QUrl>{at("/linked")}, kLoadTimeoutMs);
        evaluate(doc, QStringLiteral("location.href = 'file:///etc/hostname'"));
        QTest::qWait(500);
        QCOMPARE(requestsTo("/popup"), 0);
        QCOMPARE(requestsTo("/linked"), 0);
        QCOMPARE(web->page(), doc);
        QCOMPARE(doc->url(), origin);
        QCOMPARE(m_opened.size(), 1);

        // Far beyond the 2 MB that inline HTML may have.
        const QByteArray padding(3 * 1024 * 1024, 'x');
        coordinator.loadHTML(QString::fromUtf8(page("large") + "<!--" + padding + "-->"));
        QTRY_COMPARE_WITH_TIMEOUT(web->title(), QStringLiteral("large"), kLoadTimeoutMs);
    }

    // A released view leaves no page behind, and at the end pages go before the profiles.
    void releasedViewsLeaveNoPage()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still not deleted")));
        WebViewManager manager(options("release"));
        WebViewCoordinator coordinator(&manager);
        coordinator.loadHTML(QString::fromUtf8(page("doc")));
        QPointer<QWebEngineView> released = coordinator.currentWebView();
        coordinator.loadURL(at("/page"));
        WAIT_LOADED(coordinator);
        QTRY_COMPARE(manager.livePageCount(), 1); // the replaced pages are gone

        coordinator.cleanup();
        QVERIFY(!coordinator.currentWebView());
        QVERIFY(released); // held a moment after its tear-down
        QTRY_VERIFY_WITH_TIMEOUT(!released, kLoadTimeoutMs);
        QCOMPARE(manager.livePageCount(), 0);

        // A load after cleanup takes a fresh view; the manager's end takes it before the profiles.
        coordinator.loadURL(at("/page"));
        QPointer<QWebEngineView> fresh = coordinator.currentWebView();
        QVERIFY(fresh && fresh != released);
        WAIT_LOADED(coordinator);
        manager.shutdown();
        QVERIFY(!fresh);
        QCOMPARE(manager.livePageCount(), 0);
    }
};

// One run of the web layer, as one launch of the application: each path of steps is loaded
// in a view of its own and the site's local storage value reported; "clear" clears the
// website data. The manager then ends, and so does the process.
static int webRun(int argc, char *argv[])
{
    WebViewManager::registerSchemes();
    QApplication app(argc, argv);
    const QUrl base(QString::fromLocal8Bit(argv[3]));
    int status = 0;
    WebViewManager manager({QString::fromLocal8Bit(argv[2])});
    std::vector<std::unique_ptr<WebViewCoordinator>> views;
    for (const QString &step : QString::fromLocal8Bit(argv[4]).split(QLatin1Char(','))) {
        if (step == u"clear") {
            manager.clearWebsiteData();
            continue;
        }
        auto &view = views.emplace_back(std::make_unique<WebViewCoordinator>(&manager));
        view->loadURL(base.resolved(QUrl(step)));
        if (!QTest::qWaitFor([&] { return !view->isLoading(); }, kLoadTimeoutMs)) {
            status = 1;
            break;
        }
        const QVariant kept = evaluate(view->currentWebView()->page(), QStringLiteral("localStorage.getItem('kept')"));
        std::printf("%s storage=%s\n", qPrintable(step), kept.isNull() ? "null" : qPrintable(kept.toString()));
    }
    std::fflush(stdout);
    views.clear();
    manager.shutdown();
    return status;
}

// The document scheme must be known before the application object exists.
int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--web-run") == 0)
        return webRun(argc, argv);
    WebViewManager::registerSchemes();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    TestWorkspaceWebView tc;
    return Prerequisite::exitCode(QTest::qExec(&tc, argc, argv));
}

#include "tst_workspace_webview.moc"
