#include "model/WebURL.h"

#include <QUrl>

bool isValidWebURL(const QString &text)
{
    if (text.isEmpty() || text.contains(QLatin1Char(' ')) || text.startsWith(QLatin1Char('.')) || text.endsWith(QLatin1String("..")))
        return false;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QString defaultWebPageURL()
{
    return QStringLiteral("https://duckduckgo.com/");
}
