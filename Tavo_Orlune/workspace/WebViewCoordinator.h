#pragma once
#include "Platform/Scheduler.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QWebEngineView>

class WebViewManager;

// The owner of one web view: takes it from the manager on first use, loads addresses and
// documents into it, keeps the loading flag and tears the view down when it is let go.
class WebViewCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
public:
    // manager: null for WebViewManager::shared().
    explicit WebViewCoordinator(WebViewManager *manager = nullptr, QObject *parent = nullptr);
    ~WebViewCoordinator() override;

    // The web view, made on first use (the coordinator watches its loads); null once the
    // manager has ended.
    QWebEngineView *webView();
    // The web view if there is one; null before the first use and after cleanup.
    QWebEngineView *currentWebView() const { return m_webView; }
    bool isLoading() const { return m_isLoading; }

    // Requests url unless the view already shows exactly that address.
    void loadURL(const QUrl &url);
    // Shows html as a generated document, every time it is called.
    void loadHTML(const QString &html);
    // Stops and blanks the view and hands it back to the manager shortly after.
    void cleanup();

    // How long an address may take before its load is stopped.
    static constexpr qint64 requestTimeoutMs = 60000;

Q_SIGNALS:
    void isLoadingChanged(bool isLoading);

private:
    void setLoading(bool loading);
    void loadEnded();

    // Gone after the manager's end at quit; nothing is made then.
    QPointer<WebViewManager> m_manager;
    QPointer<QWebEngineView> m_webView;
    bool m_isLoading = false;
    Scheduler::TimerId m_timeout = 0;
};
