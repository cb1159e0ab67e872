#pragma once
#include <QString>

// True for a usable http or https address: not empty, no space, not starting with "." nor
// ending with "..", accepted by the URL parser, with a scheme that is http or https in any case.
bool isValidWebURL(const QString &text);
