#pragma once
#include <QString>

class QClipboard;

// Puts an answer on the clipboard as one item carrying plain text, HTML and RTF.
class ClipboardService {
public:
    // plainSource is reduced to plain text; markdownSource gives the styled forms. Does not
    // clear the clipboard first; its caller does.
    static void copyRichText(const QString &plainSource, const QString &markdownSource, QClipboard *clipboard);
    static const char *rtfMimeType() { return "text/rtf"; }
};
