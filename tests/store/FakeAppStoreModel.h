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
    QList<AppStoreData *> featuredApps() const override { return m_featured; }
    QList<AppStoreData *> productivityApps() const override { return m_productivity; }
    QList<AppStoreData *> aiApps() const override { return m_ai; }
    QList<AppStoreData *> installedApps() const override { return m_installed; }
    QList<AppStoreData *> updatableApps() const override { return m_updatable; }
    bool isLoading() const override { return m_isLoading; }
    bool isInitialLoadComplete() const override { return m_isInitialLoadComplete; }
    bool isFreshInstall() const override { return m_isFreshInstall; }
    double loadingProgress() const override { return m_loadingProgress; }
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
    void setFeaturedApps(const QList<AppStoreData *> &apps) { m_featured = apps; Q_EMIT featuredAppsChanged(); }
    void setProductivityApps(const QList<AppStoreData *> &apps) { m_productivity = apps; Q_EMIT productivityAppsChanged(); }
    void setAiApps(const QList<AppStoreData *> &apps) { m_ai = apps; Q_EMIT aiAppsChanged(); }
    void setInstalledApps(const QList<AppStoreData *> &apps) { m_installed = apps; Q_EMIT installedAppsChanged(); }
    void setUpdatableApps(const QList<AppStoreData *> &apps) { m_updatable = apps; Q_EMIT updatableAppsChanged(); }
    // The load's flags, each announced like the real model does, one signal per changed flag.
    void setLoad(bool isFreshInstall, bool isLoading, bool isInitialLoadComplete, double progress)
    {
        m_isFreshInstall = isFreshInstall;
        m_isLoading = isLoading;
        m_isInitialLoadComplete = isInitialLoadComplete;
        m_loadingProgress = progress;
        Q_EMIT isFreshInstallChanged();
        Q_EMIT isLoadingChanged();
        Q_EMIT isInitialLoadCompleteChanged();
        Q_EMIT loadingProgressChanged();
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
    QList<AppStoreData *> m_featured;
    QList<AppStoreData *> m_productivity;
    QList<AppStoreData *> m_ai;
    QList<AppStoreData *> m_installed;
    QList<AppStoreData *> m_updatable;
    bool m_isLoading = false;
    bool m_isInitialLoadComplete = true;
    bool m_isFreshInstall = false;
    double m_loadingProgress = 1.0;
    QSet<QUuid> m_busy;
    bool m_showAuthPopup = false;
    AppStoreData *m_pending = nullptr;
};
