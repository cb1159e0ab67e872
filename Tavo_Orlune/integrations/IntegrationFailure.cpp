#include "integrations/IntegrationFailure.h"

IntegrationFailure IntegrationFailure::connect(PipedreamConnectError error)
{
    IntegrationFailure f;
    f.m_kind = Kind::connect;
    f.m_connect = error;
    return f;
}

IntegrationFailure IntegrationFailure::api(const PipedreamAPIError &error)
{
    IntegrationFailure f;
    f.m_kind = Kind::api;
    f.m_api = error;
    return f;
}

IntegrationFailure IntegrationFailure::transport(int code, const QString &text)
{
    IntegrationFailure f;
    f.m_kind = Kind::transport;
    f.m_code = code;
    f.m_text = text;
    return f;
}

IntegrationFailure IntegrationFailure::decoding(const QString &text)
{
    IntegrationFailure f;
    f.m_kind = Kind::decoding;
    f.m_text = text;
    return f;
}

QString IntegrationFailure::localizedDescription() const
{
    switch (m_kind) {
    case Kind::connect: return errorDescription(*m_connect);
    case Kind::api: return m_api->description();
    case Kind::transport:
    case Kind::decoding: return m_text;
    }
    return {};
}

QString IntegrationFailure::typeName() const
{
    switch (m_kind) {
    case Kind::connect: return QStringLiteral("PipedreamConnectError");
    case Kind::api: return QStringLiteral("PipedreamAPIError");
    case Kind::transport: return QStringLiteral("URLError");
    case Kind::decoding: return QStringLiteral("DecodingError");
    }
    return {};
}
