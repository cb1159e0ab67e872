#include "account/RemoteError.h"

QString RemoteError::kindName(Kind kind)
{
    switch (kind) {
    case Kind::networkError: return QStringLiteral("networkError");
    case Kind::serverError: return QStringLiteral("serverError");
    case Kind::conflict: return QStringLiteral("conflict");
    case Kind::badRequest: return QStringLiteral("badRequest");
    case Kind::invalidResponse: return QStringLiteral("invalidResponse");
    case Kind::unauthorized: return QStringLiteral("unauthorized");
    }
    return {};
}

QString RemoteError::description() const
{
    switch (m_kind) {
    case Kind::networkError: return QStringLiteral("Network error: ") + m_text;
    case Kind::serverError:
    case Kind::conflict:
    case Kind::badRequest: return m_text;
    case Kind::invalidResponse: return QStringLiteral("Invalid response");
    case Kind::unauthorized: return QStringLiteral("Unauthorized");
    }
    return {};
}

QString RemoteError::caseText() const
{
    if (m_kind == Kind::invalidResponse || m_kind == Kind::unauthorized)
        return kindName(m_kind);
    return kindName(m_kind) + QStringLiteral("(\"") + m_text + QStringLiteral("\")");
}
