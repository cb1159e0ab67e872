#pragma once
#include <QString>
#include <exception>

// What the store throws: opening, fetching and saving failures, with a readable description.
// SchemaMismatch and NotAStore say the file holds something this version cannot use; the other
// kinds (a full disk, a read-only folder, an I/O error) say nothing about the data in it.
class StoreError : public std::exception {
public:
    enum class Kind { OpenFailed, SchemaMismatch, FetchFailed, SaveFailed, WrongThread, NotAStore };
    StoreError(Kind kind, const QString &description) : m_kind(kind), m_description(description), m_utf8(description.toUtf8()) {}
    Kind kind() const { return m_kind; }
    QString localizedDescription() const { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind;
    QString m_description;
    QByteArray m_utf8;
};
