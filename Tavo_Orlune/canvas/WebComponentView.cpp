#include "canvas/WebComponentView.h"
#include "workspace/WebViewManager.h"

#include <QPainter>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>

WebComponentView::WebComponentView(const QUrl &url, const QSizeF &size, QWidget *viewport)
    : m_url(url)
    , m_size(size)
{
    // From the shared web-data store: the page sees the workspace's sign-ins, and the store
    // ends it before its profile when the application quits.
    m_webView = WebViewManager::shared().createWebView(viewport);
    m_webView->setObjectName(QStringLiteral("canvasWebComponent"));
    m_webView->setAttribute(Qt::WA_DeleteOnClose, false);
    WebViewManager::shared().loadPage(m_webView, url);
}

WebComponentView::~WebComponentView()
{
    delete m_webView; // nothing when the viewport already took it
}

QRectF WebComponentView::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_size);
}

void WebComponentView::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF r = boundingRect();
    painter->fillRect(r, Qt::white);
    if (m_showingSnapshot && !m_snapshot.isNull())
        painter->drawPixmap(r, m_snapshot, QRectF(m_snapshot.rect()));
}

void WebComponentView::setCanvasFrame(const QRectF &frame)
{
    setPos(frame.topLeft());
    if (frame.size() != m_size) {
        prepareGeometryChange();
        m_size = frame.size();
    }
}

void WebComponentView::place(const QRectF &viewFrame, qreal scale)
{
    if (!m_webView || m_removed)
        return;
    if (scale < minimumZoomFactor) {
        if (!m_showingSnapshot) {
            // The last picture of the page at the smallest zoom the engine allows.
            if (m_webView->isVisible())
                m_snapshot = m_webView->grab();
            m_webView->hide();
            m_showingSnapshot = true;
            update();
        }
        return;
    }
    if (m_showingSnapshot) {
        m_showingSnapshot = false;
        update();
    }
    m_webView->setGeometry(viewFrame.toAlignedRect());
    const qreal zoom = std::clamp(scale, minimumZoomFactor, maximumZoomFactor);
    if (!qFuzzyCompare(m_webView->zoomFactor(), zoom))
        m_webView->setZoomFactor(zoom);
    if (!m_webView->isVisible())
        m_webView->show();
}

void WebComponentView::hideNativeView()
{
    m_removed = true;
    if (m_webView)
        m_webView->hide();
}
