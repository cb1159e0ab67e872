#pragma once
#include "chat/AttributedText.h"

#include <QByteArray>

// A small RTF writer for rich copies: font family and size, bold, italic, underline, text and
// background colour, and links as HYPERLINK fields. Non-ASCII text is written as \u escapes.
class RtfWriter {
public:
    static QByteArray write(const AttributedText &text);
};
