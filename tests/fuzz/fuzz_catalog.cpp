// The integration catalog decoder: any page decodes or fails without crashing, and a decoded
// page encoded and decoded again encodes the same.
#include "FuzzSupport.h"
#include "model/PipedreamResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<PipedreamResponse> page = PipedreamResponse::decode(json, &error);
    if (!page) {
        if (error.isEmpty())
            Fuzz::fail("a page failed without a reason", QString::fromUtf8(json), QString(), QString());
        return 0;
    }
    const QByteArray written = page->encode();
    const std::optional<PipedreamResponse> again = PipedreamResponse::decode(written, &error);
    if (!again)
        Fuzz::fail("an encoded page cannot be decoded", QString::fromUtf8(json), QString::fromUtf8(written), error);
    if (again->encode() != written)
        Fuzz::fail("encode then decode changed the page", QString::fromUtf8(json), QString::fromUtf8(again->encode()),
                   QString::fromUtf8(written));
    return 0;
}
