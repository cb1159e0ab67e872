// Link extraction from answers: any text is scanned without crashing, and every address found
// is a valid web address that the text holds (line breaks inside it aside).
#include "FuzzSupport.h"
#include "model/LinkExtraction.h"
#include "model/WebURL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    const QStringList urls = extractURLs(text);
    QString flat = text;
    flat.remove(QLatin1Char('\n')).remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    for (const QString &url : urls) {
        if (!flat.contains(url))
            Fuzz::fail("an extracted address is not in the text", text, url, QString());
        if (!isValidWebURL(url))
            Fuzz::fail("an extracted address is not a valid web address", text, url, QString());
        if (!url.startsWith(QLatin1String("http")))
            Fuzz::fail("an extracted address is not a web address", text, url, QString());
    }
    (void)cleanExtractedURL(text);
    return 0;
}
