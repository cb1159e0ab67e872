#include "account/ProfileViewModel.h"
#include "account/ProfileService.h"

ProfileViewModel::ProfileViewModel(ProfileService *service, QObject *parent)
    : QObject(parent)
    , m_profileService(service ? service : &ProfileService::shared())
{
}

void ProfileViewModel::setUserProfile(const std::optional<UserProfile> &profile)
{
    m_userProfile = profile;
    Q_EMIT userProfileChanged();
}

void ProfileViewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void ProfileViewModel::setErrorMessage(const std::optional<QString> &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void ProfileViewModel::loadProfile()
{
    fetch(false, QStringLiteral("Failed to fetch profile: "));
}

void ProfileViewModel::refreshProfile()
{
    fetch(true, QStringLiteral("Failed to refresh profile: "));
}

void ProfileViewModel::fetch(bool forceRefresh, const QString &otherErrorPrefix)
{
    setLoading(true);
    setErrorMessage(std::nullopt);
    m_profileService->fetchProfile(forceRefresh, this, [this, otherErrorPrefix](const ProfileResult &result) {
        if (result.ok()) {
            setUserProfile(result.profile);
        } else {
            const ProfileFailure &failure = *result.failure;
            setErrorMessage(failure.isProfileError() ? failure.description() : otherErrorPrefix + failure.description());
        }
        setLoading(false);
    });
}
