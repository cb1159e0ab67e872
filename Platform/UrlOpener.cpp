#include "Platform/UrlOpener.h"
#include "Platform/Log.h"

#include <QDesktopServices>

namespace {
std::function<bool(const QUrl &)> &handler()
{
    static std::function<bool(const QUrl &)> h;
    return h;
}
}

namespace UrlOpener {

bool isAllowed(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto");
}

bool open(const QUrl &url)
{
    if (!isAllowed(url)) {
        Log::line(QStringLiteral("⚠️ [UrlOpener] Refused to open a link with scheme \"%1\"").arg(url.scheme()));
        return false;
    }
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void setHandler(std::function<bool(const QUrl &)> h)
{
    handler() = std::move(h);
}

} // namespace UrlOpener
