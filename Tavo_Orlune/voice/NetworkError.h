#pragma once
#include <QString>

// A failure of a speech-to-text request that the client itself recognised.
class NetworkError {
public:
    enum class Case { invalidFile, serverError, decodingError, invalidURL, invalidResponse, authenticationError, rateLimitExceeded, fileTooLarge };

    static NetworkError invalidFile(const QString &message);
    static NetworkError serverError(int statusCode, const QString &message);
    // underlyingDescription: the localized description of the error that caused it.
    static NetworkError decodingError(const QString &underlyingDescription);
    static NetworkError invalidURL() { return NetworkError(Case::invalidURL); }
    static NetworkError invalidResponse() { return NetworkError(Case::invalidResponse); }
    static NetworkError authenticationError() { return NetworkError(Case::authenticationError); }
    static NetworkError rateLimitExceeded() { return NetworkError(Case::rateLimitExceeded); }
    static NetworkError fileTooLarge() { return NetworkError(Case::fileTooLarge); }

    Case errorCase() const { return m_case; }
    int statusCode() const { return m_statusCode; }
    QString message() const { return m_message; }
    // The user-facing text.
    QString errorDescription() const;
    // What the analytics facade reports of an error.
    static QString typeName() { return QStringLiteral("NetworkError"); }
    QString description() const { return errorDescription(); }

    bool operator==(const NetworkError &other) const = default;

private:
    explicit NetworkError(Case c) : m_case(c) {}
    Case m_case;
    int m_statusCode = 0;
    QString m_message; // invalidFile's and serverError's message; decodingError's underlying text
};
