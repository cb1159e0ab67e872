#include "voice/NetworkError.h"

NetworkError NetworkError::invalidFile(const QString &message)
{
    NetworkError e(Case::invalidFile);
    e.m_message = message;
    return e;
}

NetworkError NetworkError::serverError(int statusCode, const QString &message)
{
    NetworkError e(Case::serverError);
    e.m_statusCode = statusCode;
    e.m_message = message;
    return e;
}

NetworkError NetworkError::decodingError(const QString &underlyingDescription)
{
    NetworkError e(Case::decodingError);
    e.m_message = underlyingDescription;
    return e;
}

QString NetworkError::errorDescription() const
{
    switch (m_case) {
    case Case::invalidFile:
        return QStringLiteral("Invalid audio file: ") + m_message + u'.';
    case Case::serverError:
        return QStringLiteral("Server error (") + QString::number(m_statusCode) + QStringLiteral("): ") + m_message + u'.';
    case Case::decodingError:
        return QStringLiteral("Failed to decode the server response: ") + m_message + u'.';
    case Case::invalidURL:
        return QStringLiteral("The URL provided was invalid.");
    case Case::invalidResponse:
        return QStringLiteral("Received an invalid response from the server.");
    case Case::authenticationError:
        return QStringLiteral("Authentication failed. Check your API key.");
    case Case::rateLimitExceeded:
        return QStringLiteral("Rate limit exceeded. Please try again later.");
    case Case::fileTooLarge:
        return QStringLiteral("The audio file is too large. Maximum size is 25MB.");
    }
    return {};
}
