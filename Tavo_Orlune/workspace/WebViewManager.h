#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWebEnginePage>
#include <QWebEngineView>

class DocumentSchemeHandler;
class QWebEngineProfile;
class QWidget;
class WorkspacePage;

// The one factory of the application's web views. Web pages share one named, persistent
// profile (cookies, caches and site storage, kept across runs); generated HTML documents are
// served each from its own origin in a separate off-the-record profile, so they never see the
// signed-in pages' cookies or storage. Every page made here is destroyed before the profiles.
//
// Register the document scheme (registerSchemes) before the QApplication exists, and call
// shutdownShared() after the event loop has ended.
class WebViewManager : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Holds the profile's storage ("Storage") and HTTP cache ("Cache").
        QString dataDir;
        QString profileName = QStringLiteral("TavoOrlune");
    };

    explicit WebViewManager(Options options, QObject *parent = nullptr);
    ~WebViewManager() override;

    // The process-wide manager over AppPaths' data folder, made on first use.
    static WebViewManager &shared();
    // Ends the shared manager: its pages first, then its profiles.
    static void shutdownShared();
    // Registers the scheme documents are served under; call before QApplication is made.
    static void registerSchemes();
    static QByteArray documentScheme();

    // The persistent profile every web page uses (made on first access). Other web views of
    // the application take it from here so that all of them share one sign-in.
    QWebEngineProfile *webProfile();
    QWebEngineProfile *documentProfile();

    // A new view showing a web page on the shared profile; the caller keeps it.
    QWebEngineView *createWebView(QWidget *parent = nullptr);
    // Shows html in view as a generated document, in a page of the document profile with an
    // origin of its own (the view's page is replaced when it showed a web page). Loads every time.
    void loadDocument(QWebEngineView *view, const QString &html);
    // Shows url in view as a web page (the view's page is replaced when it showed a document).
    void loadPage(QWebEngineView *view, const QUrl &url);
    // Takes a torn-down view out of its parent and frees it with its page.
    void releaseWebView(QWebEngineView *view);

    // Removes all website data but cookies. Files in use cannot be removed, so while the
    // profile is alive the removal is recorded and runs before the profile is next made (the
    // next launch at the latest); with no profile alive it runs at once.
    void clearWebsiteData();
    // Destroys every page still alive, then the profiles. The manager can make new ones after.
    void shutdown();

    int livePageCount() const;
    QString storagePath() const;
    QString cachePath() const;

private:
    WorkspacePage *makePage(QWebEngineView *view, bool document);
    void removeWebsiteDataExceptCookies();
    QString pendingClearMarker() const;

    Options m_options;
    QWebEngineProfile *m_webProfile = nullptr;
    QWebEngineProfile *m_documentProfile = nullptr;
    DocumentSchemeHandler *m_documents = nullptr;
    QList<QPointer<QWebEngineView>> m_views;
    QList<QPointer<QWebEnginePage>> m_pages;
};
