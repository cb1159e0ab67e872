#include "workspace/WebViewCoordinator.h"
#include "Platform/Log.h"
#include "workspace/WebViewManager.h"
#include "workspace/WorkspacePage.h"

#include <QWebEngineView>

WebViewCoordinator::WebViewCoordinator(WebViewManager *manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager ? manager : &WebViewManager::shared())
{
}

WebViewCoordinator::~WebViewCoordinator()
{
    Log::line(QStringLiteral("WebViewCoordinator: Coordinator deallocated"));
    cleanup();
}

QWebEngineView *WebViewCoordinator::webView()
{
    if (!m_webView && m_manager) {
        m_webView = m_manager->createWebView();
        connect(m_webView, &QWebEngineView::loadFinished, this, &WebViewCoordinator::loadEnded);
    }
    return m_webView;
}

void WebViewCoordinator::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged(loading);
}

void WebViewCoordinator::loadEnded()
{
    Scheduler::instance().cancel(std::exchange(m_timeout, 0));
    // A finished or failed navigation clears the flag on the next turn.
    QPointer<WebViewCoordinator> self(this);
    MainQueue::post(this, [self] {
        if (self)
            self->setLoading(false);
    });
}

void WebViewCoordinator::loadURL(const QUrl &url)
{
    QWebEngineView *view = webView();
    if (!view)
        return;
    const auto *page = qobject_cast<WorkspacePage *>(view->page());
    const bool showsPage = page && page->kind() == WorkspacePage::Kind::Web;
    if (showsPage && !view->url().isEmpty() && view->url().toString(QUrl::FullyEncoded) == url.toString(QUrl::FullyEncoded))
        return;
    setLoading(true);
    m_manager->loadPage(view, url);
    Scheduler::instance().cancel(m_timeout);
    QPointer<QWebEngineView> target(view);
    m_timeout = Scheduler::instance().singleShot(requestTimeoutMs, this, [target] {
        if (target)
            target->triggerPageAction(QWebEnginePage::Stop);
    });
}

void WebViewCoordinator::loadHTML(const QString &html)
{
    QWebEngineView *view = webView();
    if (!view)
        return;
    Scheduler::instance().cancel(std::exchange(m_timeout, 0));
    m_manager->loadDocument(view, html);
    setLoading(false);
}

void WebViewCoordinator::cleanup()
{
    if (!m_webView)
        return;
    QPointer<QWebEngineView> view = std::exchange(m_webView, nullptr);
    Scheduler::instance().cancel(std::exchange(m_timeout, 0));
    auto *page = qobject_cast<WorkspacePage *>(view->page());
    // A document's address is a private origin of ours, not something to log.
    const bool document = !page || page->kind() == WorkspacePage::Kind::Document || view->url().isEmpty();
    // Query and fragment may carry a user's data; the log keeps the page's place only.
    const QUrl place = view->url().adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    Log::line(QStringLiteral("WebViewCoordinator: Cleaning up WebView for URL: ")
              + (document ? QStringLiteral("html-document") : place.toString()));
    disconnect(view, nullptr, this, nullptr);
    view->hide();
    if (page) {
        page->blank();
        page->runJavaScript(QStringLiteral("window.stop(); document.body.innerHTML = '';"));
    }
    if (!m_manager)
        return;
    WebViewManager *manager = m_manager;
    Scheduler::instance().singleShot(200, manager, [manager, view] {
        if (view)
            manager->releaseWebView(view);
    });
}
