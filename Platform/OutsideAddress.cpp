#include "Platform/OutsideAddress.h"

#include "Platform/Log.h"

#include <QHostAddress>

namespace OutsideAddress {

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isAllowed(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https") || scheme == QLatin1String("wss"))
        return true;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("ws"))
        return isLoopbackHost(url.host());
    return false;
}

bool check(const QUrl &url, const QString &what)
{
    if (isAllowed(url))
        return true;
    if (url.host().isEmpty())
        return false; // nothing configured, or no address at all: not a refusal worth a line
    Log::line(QStringLiteral("🚫 [Transport] Refused the %1 address %2://%3: only https or wss, or plain http or ws to a loopback host")
                  .arg(what, url.scheme(), url.host()));
    return false;
}

}
