#include "integrations/PipedreamAPIError.h"

QString PipedreamAPIError::description() const
{
    switch (m_case) {
    case Case::httpError: return QStringLiteral("HTTP Error: ") + QString::number(m_statusCode);
    case Case::decodingError: return QStringLiteral("Decoding error: ") + m_decoderText;
    case Case::invalidURL: return QStringLiteral("Invalid URL");
    case Case::invalidResponse: return QStringLiteral("Invalid response");
    }
    return {};
}
