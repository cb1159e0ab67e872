#pragma once
#include <QString>

// True for a usable http or https address: not empty, no space, not starting with "." nor
// ending with "..", accepted by the URL parser, with a scheme that is http or https in any case.
bool isValidWebURL(const QString &text);

// The page a web view shows when nothing else is chosen: a public web search engine's home
// page. The task workspace returns to it on "resetToHome"; task cards start there when their
// task has no app link.
QString defaultWebPageURL();
