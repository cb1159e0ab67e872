#pragma once
#include <QString>
#include <exception>

// What the store throws: opening, fetching and saving failures, with a readable description.
class StoreError : public std::exception {
public:
    enum class Kind { OpenFailed, SchemaMismatch, FetchFailed, SaveFailed, WrongThread };
    StoreError(Kind kind, const QString &description) : m_kind(kind), m_description(description), m_utf8(description.toUtf8()) {}
    Kind kind() const { return m_kind; }
    QString localizedDescription() const { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind;
    QString m_description;
    QByteArray m_utf8;
};
