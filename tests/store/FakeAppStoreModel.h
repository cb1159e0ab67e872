#pragma once
#include "integrations/AppStoreModel.h"

#include <QStringList>

// The store model as the views see it, with its state set by the test and every operation
// recorded as "operation" or "operation:app name". It runs none of the store's work.
class FakeAppStoreModel : public AppStoreModel {
    Q_OBJECT
public:
    using AppStoreModel::AppStoreModel;

    QStringList calls;

    QList<AppStoreData *> allApps() const override { return m_all; }
    QList<AppStoreData *> featuredApps() const override { return {}; }
    QList<AppStoreData *> productivityApps() const override { return {}; }
    QList<AppStoreData *> aiApps() const override { return {}; }
    QList<AppStoreData *> installedApps() const override { return {}; }
    QList<AppStoreData *> updatableApps() const override { return {}; }
    bool isLoading() const override { return false; }
    bool isInitialLoadComplete() const override { return true; }
    bool isFreshInstall() const override { return false; }
    double loadingProgress() const override { return 1.0; }
    QSet<QUuid> appsCurrentlyInstalling() const override { return m_busy; }
    bool showAuthPopup() const override { return m_showAuthPopup; }
    AppStoreData *appPendingAuth() const override { return m_pending; }

    void toggleInstallation(AppStoreData *app) override { calls << QStringLiteral("toggleInstallation:") + app->name(); }
    void connectInstalledApp(AppStoreData *app) override { calls << QStringLiteral("connectInstalledApp:") + app->name(); }
    void updateApp(AppStoreData *app) override { calls << QStringLiteral("updateApp:") + app->name(); }
    void uninstallApp(AppStoreData *app) override { calls << QStringLiteral("uninstallApp:") + app->name(); }
    void authenticatePendingApp() override
    {
        calls << QStringLiteral("authenticatePendingApp");
        setPopup(false, nullptr);
    }
    void cancelAuthentication() override
    {
        calls << QStringLiteral("cancelAuthentication");
        setPopup(false, nullptr);
    }

    void setAllApps(const QList<AppStoreData *> &apps)
    {
        m_all = apps;
        Q_EMIT allAppsChanged();
    }
    void setBusy(AppStoreData *app, bool busy)
    {
        if (busy)
            m_busy.insert(app->id());
        else
            m_busy.remove(app->id());
        Q_EMIT appsCurrentlyInstallingChanged();
    }
    void setPopup(bool shown, AppStoreData *pending)
    {
        const bool pendingChanged = pending != m_pending;
        m_pending = pending;
        if (pendingChanged)
            Q_EMIT appPendingAuthChanged();
        if (shown != m_showAuthPopup) {
            m_showAuthPopup = shown;
            Q_EMIT showAuthPopupChanged();
        }
    }

private:
    QList<AppStoreData *> m_all;
    QSet<QUuid> m_busy;
    bool m_showAuthPopup = false;
    AppStoreData *m_pending = nullptr;
};
