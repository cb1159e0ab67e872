#include "account/ProfileService.h"
#include "Controller/session/AccessTokenProvider.h"
#include "account/AccountHttp.h"
#include "account/Auth0Manager.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"

#include <QNetworkAccessManager>
#include <QPointer>

using AccountHttp::Outcome;

namespace {
constexpr qint64 kCacheLifetimeMs = 30 * 60 * 1000;
}

ProfileService &ProfileService::shared()
{
    static ProfileService *instance = new ProfileService(AccountHttp::configuredBaseURL(), &Auth0Manager::shared(), true);
    return *instance;
}

ProfileService::ProfileService(const QString &baseURL, AccessTokenProvider *tokens, bool preloadAtStart, QObject *parent)
    : QObject(parent)
    , m_baseURL(baseURL)
    , m_tokens(tokens)
    , m_network(new QNetworkAccessManager(this))
{
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("logoutCompleted"), this,
                                                    [this](const Notification &) { clearCache(); });
    if (preloadAtStart)
        MainQueue::post(this, [this] { preloadProfile(); });
}

ProfileService::~ProfileService() = default;

bool ProfileService::isCacheExpired() const
{
    if (!m_lastFetchDate)
        return true;
    return m_lastFetchDate->msecsTo(Scheduler::instance().now()) > kCacheLifetimeMs;
}

void ProfileService::store(const UserProfile &profile)
{
    m_cachedProfile = profile;
    Q_EMIT cachedProfileChanged();
    m_lastFetchDate = Scheduler::instance().now();
    Q_EMIT lastFetchDateChanged();
}

void ProfileService::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void ProfileService::clearCache()
{
    ++m_generation;
    const bool had = m_cachedProfile.has_value() || m_lastFetchDate.has_value();
    m_cachedProfile.reset();
    m_lastFetchDate.reset();
    if (had) {
        Q_EMIT cachedProfileChanged();
        Q_EMIT lastFetchDateChanged();
    }
}

void ProfileService::preloadProfile()
{
    if (m_cachedProfile && !isCacheExpired())
        return;
    const quint64 generation = m_generation;
    fetchProfileFromServer(this, [this, generation](const ProfileResult &result) {
        if (!result.ok()) {
            Log::line(QStringLiteral("Profile preload failed: ") + result.failure->description());
            return;
        }
        if (generation == m_generation)
            store(*result.profile);
    });
}

void ProfileService::fetchProfile(bool forceRefresh, QObject *context, Callback done)
{
    if (!forceRefresh && m_cachedProfile && !isCacheExpired()) {
        const ProfileResult cached{m_cachedProfile, std::nullopt};
        AccountHttp::later(context, [done, cached] { done(cached); });
        return;
    }
    setLoading(true);
    const quint64 generation = m_generation;
    QPointer<QObject> caller(context);
    fetchProfileFromServer(this, [this, generation, caller, done](const ProfileResult &result) {
        ProfileResult answer = result;
        if (result.ok()) {
            if (generation == m_generation)
                store(*result.profile);
        } else if (m_cachedProfile) {
            answer = {m_cachedProfile, std::nullopt}; // the last copy, however old, beats an error
        }
        setLoading(false);
        if (caller)
            done(answer);
    });
}

void ProfileService::fetchProfileFromServer(QObject *context, Callback done)
{
    QPointer<QObject> caller(context);
    const auto answer = [caller, done](const ProfileResult &result) {
        if (caller)
            done(result);
    };
    if (!m_tokens) {
        AccountHttp::later(this, [answer] { answer({std::nullopt, ProfileFailure::of(ProfileError(ProfileError::Kind::noAccessToken))}); });
        return;
    }
    m_tokens->getValidAccessToken(this, [this, answer](std::optional<QString> token) {
        // A token source may answer at once; the caller still hears back on a later turn.
        const auto failLater = [this, answer](ProfileError::Kind kind) {
            AccountHttp::later(this, [answer, kind] { answer({std::nullopt, ProfileFailure::of(ProfileError(kind))}); });
        };
        if (!token)
            return failLater(ProfileError::Kind::noAccessToken);
        const auto url = AccountHttp::endpoint(m_baseURL, QStringLiteral("/api/profile/"));
        if (!url)
            return failLater(ProfileError::Kind::invalidURL);
        const AccountHttp::Request request{"GET", *url, *token, std::nullopt, 0};
        AccountHttp::send(*m_network, request, this, [answer](const Outcome &o) {
            const auto fail = [&answer](ProfileFailure failure) { answer({std::nullopt, failure}); };
            if (o.kind == Outcome::Kind::NotHttp)
                return fail(ProfileFailure::of(ProfileError(ProfileError::Kind::invalidResponse)));
            if (o.kind == Outcome::Kind::Transport)
                return fail(ProfileFailure::other(o.error));
            switch (o.status) {
            case 200: {
                QString decodeError;
                const auto profile = UserProfile::decode(o.body, &decodeError);
                if (!profile)
                    return fail(ProfileFailure::other(decodeError));
                return answer({profile, std::nullopt});
            }
            case 401: return fail(ProfileFailure::of(ProfileError(ProfileError::Kind::unauthorized)));
            case 404: return fail(ProfileFailure::of(ProfileError(ProfileError::Kind::notFound)));
            default: return fail(ProfileFailure::of(ProfileError(ProfileError::Kind::serverError, o.status)));
            }
        });
    });
}
