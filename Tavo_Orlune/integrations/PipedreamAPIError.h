#pragma once
#include <QString>

// The catalog client's own failures. The description is the text the store shows.
class PipedreamAPIError {
public:
    enum class Case { httpError, decodingError, invalidURL, invalidResponse };

    static PipedreamAPIError httpError(qint64 statusCode) { return {Case::httpError, statusCode, {}}; }
    static PipedreamAPIError decodingError(const QString &decoderText) { return {Case::decodingError, 0, decoderText}; }
    static PipedreamAPIError invalidURL() { return {Case::invalidURL, 0, {}}; }
    static PipedreamAPIError invalidResponse() { return {Case::invalidResponse, 0, {}}; }

    Case errorCase() const { return m_case; }
    qint64 statusCode() const { return m_statusCode; }     // httpError
    QString decoderText() const { return m_decoderText; }  // decodingError
    // "HTTP Error: 401", "Decoding error: …", "Invalid URL", "Invalid response".
    QString description() const;

    bool operator==(const PipedreamAPIError &other) const = default;

private:
    PipedreamAPIError(Case c, qint64 status, QString text)
        : m_case(c)
        , m_statusCode(status)
        , m_decoderText(std::move(text))
    {
    }
    Case m_case;
    qint64 m_statusCode;
    QString m_decoderText;
};
