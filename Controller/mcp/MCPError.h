#pragma once
#include <QException>
#include <QString>

// The one error type of the tool runtime. Errors of the MCP protocol itself carry only a
// message (domain "MCPError"); the runtime's own failures carry a domain and a numeric code
// as well ("MCPClientManager" 1 to 3, "ToolRepository" 1). The message is the text shown to
// people and sent back as a tool call's answer.
class MCPError : public QException {
public:
    MCPError() = default;
    explicit MCPError(QString message, QString domain = QStringLiteral("MCPError"), int code = 0)
        : m_message(std::move(message)), m_domain(std::move(domain)), m_code(code) {}

    const QString &message() const { return m_message; }
    const QString &domain() const { return m_domain; }
    int code() const { return m_code; }
    QString localizedDescription() const { return m_message; }

    void raise() const override { throw *this; }
    MCPError *clone() const override { return new MCPError(*this); }
    const char *what() const noexcept override;

private:
    QString m_message;
    QString m_domain = QStringLiteral("MCPError");
    int m_code = 0;
    mutable QByteArray m_what;
};
