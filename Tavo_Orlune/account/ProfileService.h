#pragma once
#include "account/ProfileError.h"
#include "account/UserProfile.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

class AccessTokenProvider;
class QNetworkAccessManager;

// The profile or why there is none.
struct ProfileResult {
    std::optional<UserProfile> profile;
    std::optional<ProfileFailure> failure;
    bool ok() const { return profile.has_value(); }
};

// Reads the signed-in user's profile from the account API (GET /api/profile/) and keeps the
// last copy for 30 minutes. Lives on the main thread. Sign-out ("logoutCompleted") empties
// the cache, so the next user never sees the previous user's profile.
class ProfileService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
public:
    using Callback = std::function<void(const ProfileResult &)>;

    // The shared instance: the configured base address and the signed-in identity's tokens.
    static ProfileService &shared();
    // Tests make their own: a base address, a token source (not owned) and whether to preload
    // on the next turn as the shared instance does.
    ProfileService(const QString &baseURL, AccessTokenProvider *tokens, bool preloadAtStart, QObject *parent = nullptr);
    ~ProfileService() override;

    std::optional<UserProfile> cachedProfile() const { return m_cachedProfile; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QDateTime> lastFetchDate() const { return m_lastFetchDate; }
    QString baseURL() const { return m_baseURL; }
    double cacheExpirationMinutes() const { return 30.0; }
    void setTokenProvider(AccessTokenProvider *tokens) { m_tokens = tokens; }

    // Expired when nothing was fetched or more than 30 minutes have passed (exactly 30 is fresh).
    bool isCacheExpired() const;
    // Fills the cache unless it is fresh; failures are only logged.
    void preloadProfile();
    // The cached profile when fresh (unless forced), else the server's. A failure with any
    // cached profile, however old, answers the cached profile.
    void fetchProfile(bool forceRefresh, QObject *context, Callback done);
    // One request, no cache.
    void fetchProfileFromServer(QObject *context, Callback done);

Q_SIGNALS:
    void cachedProfileChanged();
    void isLoadingChanged();
    void lastFetchDateChanged();

private:
    void store(const UserProfile &profile);
    void setLoading(bool loading);
    void clearCache();

    std::optional<UserProfile> m_cachedProfile;
    bool m_isLoading = false;
    std::optional<QDateTime> m_lastFetchDate;
    QString m_baseURL;
    AccessTokenProvider *m_tokens;
    QNetworkAccessManager *m_network;
    // Bumped at sign-out: replies to requests made before it do not fill the cache.
    quint64 m_generation = 0;
};
