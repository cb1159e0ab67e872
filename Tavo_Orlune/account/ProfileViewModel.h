#pragma once
#include "account/UserProfile.h"

#include <QObject>
#include <optional>

class ProfileService;

// Screen state of the profile overlay: the profile, a loading flag and one message text for
// a failure. Never throws; a failure keeps the last profile shown.
class ProfileViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
public:
    explicit ProfileViewModel(ProfileService *service = nullptr, QObject *parent = nullptr);

    std::optional<UserProfile> userProfile() const { return m_userProfile; }
    void setUserProfile(const std::optional<UserProfile> &profile);
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    ProfileService *profileService() const { return m_profileService; }

    // Fetch with the cache allowed / bypassed.
    void loadProfile();
    void refreshProfile();

Q_SIGNALS:
    void userProfileChanged();
    void isLoadingChanged();
    void errorMessageChanged();

private:
    void fetch(bool forceRefresh, const QString &otherErrorPrefix);
    void setLoading(bool loading);
    void setErrorMessage(const std::optional<QString> &message);

    std::optional<UserProfile> m_userProfile;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    ProfileService *m_profileService;
};
