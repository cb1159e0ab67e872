#pragma once
#include <QString>
#include <optional>

// A failure of the profile read that the profile service names itself.
class ProfileError {
public:
    enum class Kind { serverError, invalidURL, invalidResponse, unauthorized, notFound, noAccessToken };

    explicit ProfileError(Kind kind, int status = 0)
        : m_kind(kind)
        , m_status(status)
    {
    }
    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    QString description() const
    {
        switch (m_kind) {
        case Kind::serverError: return QStringLiteral("Server error: ") + QString::number(m_status);
        case Kind::invalidURL: return QStringLiteral("Invalid URL");
        case Kind::invalidResponse: return QStringLiteral("Invalid response");
        case Kind::unauthorized: return QStringLiteral("Unauthorized access");
        case Kind::notFound: return QStringLiteral("Profile not found");
        case Kind::noAccessToken: return QStringLiteral("No access token available");
        }
        return {};
    }
    static QString typeName() { return QStringLiteral("ProfileError"); }
    bool operator==(const ProfileError &) const = default;

private:
    Kind m_kind;
    int m_status;
};

// Why a profile read failed: one of the service's own errors, or a transport or decoding
// failure passed on with its own text.
struct ProfileFailure {
    std::optional<ProfileError> profileError;
    QString otherDescription;

    static ProfileFailure of(ProfileError error) { return {error, {}}; }
    static ProfileFailure other(const QString &description) { return {std::nullopt, description}; }
    bool isProfileError() const { return profileError.has_value(); }
    QString description() const { return profileError ? profileError->description() : otherDescription; }
};
