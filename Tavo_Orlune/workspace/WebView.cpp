#include "workspace/WebView.h"
#include "workspace/WebViewCoordinator.h"

#include <QShowEvent>
#include <QVBoxLayout>
#include <QWebEngineView>

WebView::WebView(const Content &content, WebViewManager *manager, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_coordinator(new WebViewCoordinator(manager, this))
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    setAttribute(Qt::WA_TranslucentBackground);
}

WebView::~WebView()
{
    // The coordinator tears its web view down while this widget is still whole.
    delete m_coordinator;
}

void WebView::setContent(const Content &content)
{
    m_content = content;
    if (isVisible())
        updateHostedView();
}

void WebView::updateHostedView()
{
    const bool hadView = m_coordinator->currentWebView() != nullptr;
    QWebEngineView *view = m_coordinator->webView();
    if (!view)
        return;
    if (!hadView)
        m_layout->addWidget(view);
    if (view == m_loadedInto && m_loaded == m_content)
        return;
    m_loaded = m_content;
    m_loadedInto = view;
    if (m_content.kind == Content::Kind::Html)
        m_coordinator->loadHTML(m_content.html);
    else
        m_coordinator->loadURL(m_content.url);
}

void WebView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateHostedView();
}

void WebView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimised window keeps its content; being taken off screen lets the view go.
    if (!event->spontaneous()) {
        m_coordinator->cleanup();
        m_loaded.reset();
        m_loadedInto = nullptr;
    }
}
