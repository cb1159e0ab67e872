#include "workspace/WorkspacePage.h"
#include "Platform/Log.h"
#include "Platform/UrlOpener.h"

#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>

namespace {
bool isWebScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

bool isBlank(const QUrl &url)
{
    return url.scheme() == u"about" && url.path() == u"blank";
}

// What a frame inside a page may show: web content, or content the page made itself.
bool isFrameContent(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return isWebScheme(url) || scheme == u"about" || scheme == u"data" || scheme == u"blob";
}
}

WorkspacePage::WorkspacePage(QWebEngineProfile *profile, Kind kind, const QUrl &documentUrl, QObject *parent)
    : QWebEnginePage(profile, parent)
    , m_kind(kind)
    , m_documentUrl(documentUrl)
{
    // The workspace paints its own background behind the content.
    setBackgroundColor(Qt::transparent);
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    // A window the page asks for is never made. A link a document's user follows into a new
    // tab leaves for the system browser, like a link in the same tab.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
        if (m_kind == Kind::Document && request.isUserInitiated() && isWebScheme(request.requestedUrl()))
            UrlOpener::open(request.requestedUrl());
    });
}

void WorkspacePage::blank()
{
    triggerAction(QWebEnginePage::Stop);
    load(QUrl(QStringLiteral("about:blank")));
}

bool WorkspacePage::isOwnDocument(const QUrl &url) const
{
    return url.scheme() == m_documentUrl.scheme() && url.host() == m_documentUrl.host()
        && url.path() == m_documentUrl.path();
}

bool WorkspacePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isBlank(url))
        return true;
    if (!isMainFrame)
        return isFrameContent(url);
    if (m_kind == Kind::Web)
        return isWebScheme(url);
    if (isOwnDocument(url))
        return true;
    if (type == NavigationTypeLinkClicked && isWebScheme(url))
        UrlOpener::open(url);
    else
        Log::line(QStringLiteral("⚠️ [WorkspacePage] Refused a document's navigation (scheme \"%1\")").arg(url.scheme()));
    return false;
}

QWebEnginePage *WorkspacePage::createWindow(WebWindowType)
{
    return nullptr;
}

QStringList WorkspacePage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {};
}
