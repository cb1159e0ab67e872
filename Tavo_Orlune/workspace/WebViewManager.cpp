#include "workspace/WebViewManager.h"
#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "workspace/DocumentSchemeHandler.h"
#include "workspace/WorkspacePage.h"
#include "workspace/ZoomBlocker.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>

namespace {
WebViewManager *s_shared = nullptr;

// Everything in dir but the cookie database; a "Network" folder (where newer engines keep it)
// is searched the same way.
void removeAllButCookies(const QString &dir)
{
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            if (entry.fileName() == u"Network")
                removeAllButCookies(entry.filePath());
            else
                QDir(entry.filePath()).removeRecursively();
        } else if (!entry.fileName().startsWith(u"Cookies")) {
            QFile::remove(entry.filePath());
        }
    }
}

// Settings both profiles share: no plugins, no windows opened by script, no full screen, no
// reaching local files from a page.
void restrictSettings(QWebEngineSettings *settings)
{
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
}
}

WebViewManager::WebViewManager(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

WebViewManager::~WebViewManager()
{
    shutdown();
}

WebViewManager &WebViewManager::shared()
{
    if (!s_shared)
        s_shared = new WebViewManager({AppPaths::appDataDir() + QStringLiteral("/WebData")});
    return *s_shared;
}

void WebViewManager::shutdownShared()
{
    delete s_shared;
    s_shared = nullptr;
}

QByteArray WebViewManager::documentScheme()
{
    return QByteArrayLiteral("tavo-document");
}

void WebViewManager::registerSchemes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // One host per document: each document is an origin of its own. Secure, so a document
    // gets what a web page over https gets (and no insecure content).
    QWebEngineUrlScheme scheme(documentScheme());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QString WebViewManager::storagePath() const
{
    return m_options.dataDir + QStringLiteral("/Storage");
}

QString WebViewManager::cachePath() const
{
    return m_options.dataDir + QStringLiteral("/Cache");
}

QString WebViewManager::pendingClearMarker() const
{
    return m_options.dataDir + QStringLiteral("/clear-website-data");
}

QWebEngineProfile *WebViewManager::webProfile()
{
    if (m_webProfile)
        return m_webProfile;
    // A removal asked for while the last profile was alive runs now, before anything opens
    // the files again.
    if (QFile::exists(pendingClearMarker())) {
        removeWebsiteDataExceptCookies();
        QFile::remove(pendingClearMarker());
        Log::line(QStringLiteral("WebViewManager: Cleared WebView data except cookies"));
    }
    AppPaths::ensurePrivateDir(m_options.dataDir);
    AppPaths::ensurePrivateDir(storagePath());
    AppPaths::ensurePrivateDir(cachePath());
    m_webProfile = new QWebEngineProfile(m_options.profileName, this);
    m_webProfile->setPersistentStoragePath(storagePath());
    m_webProfile->setCachePath(cachePath());
    m_webProfile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    m_webProfile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    restrictSettings(m_webProfile->settings());
    return m_webProfile;
}

QWebEngineProfile *WebViewManager::documentProfile()
{
    if (m_documentProfile)
        return m_documentProfile;
    registerSchemes();
    // Off the record and apart from the web profile: a document keeps nothing on disk and
    // shares no cookie or storage with the signed-in pages.
    m_documentProfile = new QWebEngineProfile(this);
    m_documentProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_documentProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    QWebEngineSettings *settings = m_documentProfile->settings();
    restrictSettings(settings);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    m_documents = new DocumentSchemeHandler(this);
    m_documentProfile->installUrlSchemeHandler(documentScheme(), m_documents);
    return m_documentProfile;
}

WorkspacePage *WebViewManager::makePage(QWebEngineView *view, bool document)
{
    WorkspacePage *page = nullptr;
    if (document) {
        QWebEngineProfile *profile = documentProfile();
        const QString host = QLatin1Char('d') + QUuid::createUuid().toString(QUuid::Id128);
        const QUrl url(QString::fromLatin1(documentScheme()) + QStringLiteral("://") + host + QLatin1Char('/'));
        page = new WorkspacePage(profile, WorkspacePage::Kind::Document, url, view);
        connect(page, &QObject::destroyed, m_documents, [handler = m_documents, host] { handler->removeDocument(host); });
    } else {
        page = new WorkspacePage(webProfile(), WorkspacePage::Kind::Web, QUrl(), view);
    }
    m_pages.removeAll(nullptr);
    m_pages.append(page);
    return page;
}

QWebEngineView *WebViewManager::createWebView(QWidget *parent)
{
    auto *view = new QWebEngineView(parent);
    view->setPage(makePage(view, false));
    view->setContextMenuPolicy(Qt::NoContextMenu);
    ZoomBlocker::install(view);
    m_views.removeAll(nullptr);
    m_views.append(view);
    Log::line(QStringLiteral("WebViewManager: Created new WebView"));
    return view;
}

void WebViewManager::loadDocument(QWebEngineView *view, const QString &html)
{
    if (!view)
        return;
    auto *page = qobject_cast<WorkspacePage *>(view->page());
    if (!page || page->kind() != WorkspacePage::Kind::Document) {
        QWebEnginePage *old = view->page();
        page = makePage(view, true);
        view->setPage(page);
        if (old)
            old->deleteLater();
    }
    m_documents->setDocument(page->documentUrl().host(), html.toUtf8());
    page->load(page->documentUrl());
}

void WebViewManager::loadPage(QWebEngineView *view, const QUrl &url)
{
    if (!view)
        return;
    auto *page = qobject_cast<WorkspacePage *>(view->page());
    if (!page || page->kind() != WorkspacePage::Kind::Web) {
        QWebEnginePage *old = view->page();
        page = makePage(view, false);
        view->setPage(page);
        if (old)
            old->deleteLater();
    }
    page->load(url);
}

void WebViewManager::releaseWebView(QWebEngineView *view)
{
    if (view) {
        view->hide();
        view->setParent(nullptr);
        view->deleteLater();
    }
    Log::line(QStringLiteral("WebViewManager: Released WebView memory"));
}

void WebViewManager::clearWebsiteData()
{
    if (!m_webProfile) {
        removeWebsiteDataExceptCookies();
        QFile::remove(pendingClearMarker());
        Log::line(QStringLiteral("WebViewManager: Cleared WebView data except cookies"));
        return;
    }
    // The engine holds the storage open until its profile is gone; removing files under it
    // would race with its writes. The marker makes the next opening remove them first.
    AppPaths::ensurePrivateDir(m_options.dataDir);
    AppPaths::writePrivateFile(pendingClearMarker(), QByteArray());
    Log::line(QStringLiteral("WebViewManager: WebView data except cookies is cleared before the next opening"));
}

void WebViewManager::removeWebsiteDataExceptCookies()
{
    QDir(cachePath()).removeRecursively();
    removeAllButCookies(storagePath());
}

int WebViewManager::livePageCount() const
{
    int count = 0;
    for (const auto &page : m_pages)
        count += page ? 1 : 0;
    return count;
}

void WebViewManager::shutdown()
{
    // Pages before profiles: a profile destroyed under a live page takes the engine down.
    const auto views = std::exchange(m_views, {});
    for (const auto &view : views)
        delete view.data();
    const auto pages = std::exchange(m_pages, {});
    for (const auto &page : pages)
        delete page.data();
    delete m_webProfile;
    m_webProfile = nullptr;
    delete m_documentProfile;
    m_documentProfile = nullptr;
    delete m_documents;
    m_documents = nullptr;
}
