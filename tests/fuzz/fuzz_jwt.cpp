// The JWT payload decoder: any token decodes or fails without crashing; a decoded payload
// encoded into a token again decodes to the same claims.
#include "FuzzSupport.h"
#include "Platform/Identity/JwtPayload.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString token = Fuzz::text(data, size);
    const std::optional<JwtPayload> payload = JwtPayload::decode(token);
    // The raw bytes as a payload part too, so the JSON reader sees arbitrary input.
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString wrapped = QStringLiteral("h.") + QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals))
        + QStringLiteral(".s");
    const std::optional<JwtPayload> fromRaw = JwtPayload::decode(wrapped);
    for (const auto &p : {payload, fromRaw}) {
        if (!p)
            continue;
        (void)p->claim(QStringLiteral("email"));
        const QByteArray json = QJsonDocument(p->claims()).toJson(QJsonDocument::Compact);
        const QString again = QStringLiteral("a.") + QString::fromLatin1(json.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals))
            + QStringLiteral(".b");
        const std::optional<JwtPayload> decoded = JwtPayload::decode(again);
        if (!decoded || decoded->claims() != p->claims())
            Fuzz::fail("a payload encoded again decodes differently", token, decoded ? QString::fromUtf8(QJsonDocument(decoded->claims()).toJson()) : QString(),
                       QString::fromUtf8(json));
    }
    return 0;
}
