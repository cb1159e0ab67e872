#pragma once
#include <QString>
#include <QUrl>

// The one rule for every address the application reaches outside the machine: https or wss to
// any host; plain http or ws only to a loopback host (localhost, 127.0.0.0/8, ::1), which is
// where the tests' stand-ins listen. Tokens, keys and recordings never travel in clear text.
namespace OutsideAddress {
bool isLoopbackHost(const QString &host);
bool isAllowed(const QUrl &url);
// isAllowed, and a refused address is logged with the scheme and host only (never the path or
// query, which may carry a key). `what` names the service ("assistant socket").
bool check(const QUrl &url, const QString &what);
}
