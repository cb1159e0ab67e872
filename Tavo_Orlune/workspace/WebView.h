#pragma once
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>
#include <optional>

class QVBoxLayout;
class WebViewCoordinator;
class WebViewManager;

// Shows one piece of web content, a web address or a generated HTML document, in a web view
// owned by its coordinator. The host sets the content on every update of its own; the view
// loads only what it has not loaded yet, so a host that re-evaluates often (every stored chat
// message) neither reloads a page nor wipes a running document's state.
class WebView : public QWidget {
    Q_OBJECT
public:
    struct Content {
        enum class Kind { Url, Html };
        Kind kind = Kind::Url;
        QUrl url;
        QString html;

        static Content fromUrl(const QUrl &url) { return {Kind::Url, url, {}}; }
        static Content fromHtml(const QString &html) { return {Kind::Html, {}, html}; }
        bool operator==(const Content &other) const
        {
            return kind == other.kind && (kind == Kind::Url ? url == other.url : html == other.html);
        }
        bool operator!=(const Content &other) const { return !(*this == other); }
    };

    // manager: null for WebViewManager::shared().
    explicit WebView(const Content &content, WebViewManager *manager = nullptr, QWidget *parent = nullptr);
    ~WebView() override;

    const Content &content() const { return m_content; }
    // The host's update: loads content when it differs from what was last loaded into the
    // current web view, or when there is no web view yet; otherwise changes nothing.
    void setContent(const Content &content);
    WebViewCoordinator *coordinator() const { return m_coordinator; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateHostedView();

    Content m_content;
    WebViewCoordinator *m_coordinator;
    QVBoxLayout *m_layout;
    // What was last loaded, and into which web view: a new view has had nothing loaded.
    std::optional<Content> m_loaded;
    QPointer<QWebEngineView> m_loadedInto;
};
