#pragma once
#include <QUrl>
#include <functional>

// Opens links in the user's browser. Only http, https and mailto links are opened.
namespace UrlOpener {
bool isAllowed(const QUrl &url);
// Answers false for a refused scheme or when the desktop could not open it.
bool open(const QUrl &url);
// Tests replace the browser; pass an empty function to restore it.
void setHandler(std::function<bool(const QUrl &)> handler);
}
