#pragma once
#include <QString>

// A failure of the account API client. Callers branch on the kind; the payload text is the
// underlying error (networkError), "Server returned status code N" (serverError) or the
// server's detail text (conflict, badRequest).
class RemoteError {
public:
    enum class Kind { networkError, serverError, conflict, badRequest, invalidResponse, unauthorized };

    static RemoteError networkError(const QString &underlying) { return {Kind::networkError, underlying}; }
    static RemoteError serverError(int status)
    {
        return {Kind::serverError, QStringLiteral("Server returned status code ") + QString::number(status)};
    }
    static RemoteError conflict(const QString &detail) { return {Kind::conflict, detail}; }
    static RemoteError badRequest(const QString &detail) { return {Kind::badRequest, detail}; }
    static RemoteError invalidResponse() { return {Kind::invalidResponse, {}}; }
    static RemoteError unauthorized() { return {Kind::unauthorized, {}}; }

    Kind kind() const { return m_kind; }
    // The payload: the underlying error's text, the status text or the server's detail.
    QString text() const { return m_text; }
    // A readable description (reported to analytics; shown only where a caller chooses to).
    QString description() const;
    // The case and its payload, for log lines: serverError("Server returned status code 500").
    QString caseText() const;
    static QString typeName() { return QStringLiteral("RemoteError"); }
    static QString kindName(Kind kind);

    bool operator==(const RemoteError &other) const = default;

private:
    RemoteError(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    {
    }
    Kind m_kind;
    QString m_text;
};
