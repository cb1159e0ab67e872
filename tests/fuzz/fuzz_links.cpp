// Link extraction from answers: any text is scanned without crashing, every address found is a
// valid web address that cleaning leaves as it is, and addresses are found in text order.
#include "FuzzSupport.h"
#include "model/LinkExtraction.h"
#include "model/WebURL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    const QStringList urls = extractURLs(text);
    for (const QString &url : urls) {
        if (!isValidWebURL(url))
            Fuzz::fail("an extracted address is not a valid web address", text, url, QString());
        if (cleanExtractedURL(url) != url)
            Fuzz::fail("cleaning an extracted address changes it", text, cleanExtractedURL(url), url);
    }
    (void)cleanExtractedURL(text);
    return 0;
}
