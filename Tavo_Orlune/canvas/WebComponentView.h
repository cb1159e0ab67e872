#pragma once
#include <QGraphicsObject>
#include <QPixmap>
#include <QPointer>
#include <QUrl>
#include <QWebEngineView>


// A web page on the canvas. WebEngine does not draw through a graphics proxy, so the page is a
// native web view, a child of the canvas view's viewport, placed over this item's view frame
// on every viewport change; the item itself is the white holder in the scene (hit area,
// stacking, removal fade). The page's content zoom follows the canvas scale within what the
// engine allows (0.25 to 5); below 0.25 the native view is hidden and a snapshot of it is
// drawn by the item at the same place instead. Native views float above every scene item.
class WebComponentView : public QGraphicsObject {
    Q_OBJECT
public:
    enum { Type = UserType + 702 };
    static constexpr qreal minimumZoomFactor = 0.25;
    static constexpr qreal maximumZoomFactor = 5.0;

    // Starts loading the URL in a native view under the viewport, from the profile.
    WebComponentView(const QUrl &url, const QSizeF &size, QWidget *viewport);
    ~WebComponentView() override;

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    void setCanvasFrame(const QRectF &frame);
    // Places the native view at the view frame for the canvas scale.
    void place(const QRectF &viewFrame, qreal scale);
    // The native view goes at once (it cannot fade); the holder fades on its own.
    void hideNativeView();

    QWebEngineView *webView() const { return m_webView; }
    const QUrl &url() const { return m_url; }
    bool isShowingSnapshot() const { return m_showingSnapshot; }
    const QPixmap &snapshot() const { return m_snapshot; }

private:
    QUrl m_url;
    QSizeF m_size;
    QPointer<QWebEngineView> m_webView;
    QPixmap m_snapshot;
    bool m_showingSnapshot = false;
    bool m_removed = false;
};
