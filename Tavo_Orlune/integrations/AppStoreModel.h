#pragma once
#include "model/AppStoreData.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <QVariantMap>

// What the store's views see of the store's view model: its published lists and flags, each
// with a change signal, and the operations the cards and the authorization popup call. The
// views hold a model, never create one, and write none of its state; everything they show
// follows from these values and from the flags of the app rows.
//
// Main thread only. The operations start their work and return at once; they never fail
// towards the caller: what the user sees change comes from the flags and lists they update.
class AppStoreModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AppStoreModel() override = default;

    // The whole mirrored catalog, in the model's order.
    virtual QList<AppStoreData *> allApps() const = 0;
    // The home page's rows and the tabs' grids.
    virtual QList<AppStoreData *> featuredApps() const = 0;
    virtual QList<AppStoreData *> productivityApps() const = 0;
    virtual QList<AppStoreData *> aiApps() const = 0;
    virtual QList<AppStoreData *> installedApps() const = 0;
    virtual QList<AppStoreData *> updatableApps() const = 0;

    // The catalog load: running, its first result published, no stored rows at start, and
    // its progress from 0 to 1.
    virtual bool isLoading() const = 0;
    virtual bool isInitialLoadComplete() const = 0;
    virtual bool isFreshInstall() const = 0;
    virtual double loadingProgress() const = 0;

    // The ids of the apps an install, uninstall or connect is running on. An app is busy
    // while its id is here; every such operation takes it out again on every path.
    virtual QSet<QUuid> appsCurrentlyInstalling() const = 0;
    bool isBusy(const AppStoreData *app) const { return app && appsCurrentlyInstalling().contains(app->id()); }

    // The authorization popup shows exactly while showAuthPopup is true, asking about
    // appPendingAuth (which may be absent).
    virtual bool showAuthPopup() const = 0;
    virtual AppStoreData *appPendingAuth() const = 0;

    // Installs an app that is not installed (which may ask for authorization through the
    // popup), uninstalls one that is.
    virtual void toggleInstallation(AppStoreData *app) = 0;
    // Opens the integration platform's connect page for an installed, unconnected app and
    // verifies the connection later.
    virtual void connectInstalledApp(AppStoreData *app) = 0;
    // Clears the app's update mark.
    virtual void updateApp(AppStoreData *app) = 0;
    // Removes the app, its server entry and, when connected, its account at the platform.
    virtual void uninstallApp(AppStoreData *app) = 0;
    // The popup's "Authenticate": closes the popup and opens the connect page for the
    // pending app; ignored with no pending app or while one is being processed.
    virtual void authenticatePendingApp() = 0;
    // The popup's "Later" (and its backdrop): records the "app_authentication" event with
    // action "cancelled" for the pending app, with authenticationEventProperties, then closes
    // the popup. The app stays installed and unconnected.
    virtual void cancelAuthentication() = 0;

    // The properties of every "app_authentication" event ("started", "started_installed",
    // "cancelled"): the app's category and its developer, under "category" and "developer".
    static QVariantMap authenticationEventProperties(const AppStoreData &app)
    {
        return {{QStringLiteral("category"), app.category()}, {QStringLiteral("developer"), app.developer()}};
    }

Q_SIGNALS:
    void allAppsChanged();
    void featuredAppsChanged();
    void productivityAppsChanged();
    void aiAppsChanged();
    void installedAppsChanged();
    void updatableAppsChanged();
    void isLoadingChanged();
    void isInitialLoadCompleteChanged();
    void isFreshInstallChanged();
    void loadingProgressChanged();
    void appsCurrentlyInstallingChanged();
    void showAuthPopupChanged();
    void appPendingAuthChanged();
};
