#pragma once
#include "Platform/Store/PersistentModel.h"
#include "model/AppCategory.h"
#include "model/PipedreamApp.h"

#include <QDateTime>
#include <QUuid>
#include <optional>


// One app of the integration store: the catalog entry as the store shows it, with the
// user's install and connection state for it.
class AppStoreData : public PersistentModel {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id WRITE setId NOTIFY idChanged)
    Q_PROPERTY(std::optional<QString> pipedreamId READ pipedreamId WRITE setPipedreamId NOTIFY pipedreamIdChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString developer READ developer WRITE setDeveloper NOTIFY developerChanged)
    Q_PROPERTY(QString appDescription READ appDescription WRITE setAppDescription NOTIFY appDescriptionChanged)
    Q_PROPERTY(QString iconName READ iconName WRITE setIconName NOTIFY iconNameChanged)
    Q_PROPERTY(std::optional<QString> iconURL READ iconURL WRITE setIconURL NOTIFY iconURLChanged)
    Q_PROPERTY(QString price READ price WRITE setPrice NOTIFY priceChanged)
    Q_PROPERTY(double rating READ rating WRITE setRating NOTIFY ratingChanged)
    Q_PROPERTY(QString category READ category WRITE setCategory NOTIFY categoryChanged)
    Q_PROPERTY(bool isInstalled READ isInstalled WRITE setIsInstalled NOTIFY isInstalledChanged)
    Q_PROPERTY(bool isUpdatable READ isUpdatable WRITE setIsUpdatable NOTIFY isUpdatableChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt WRITE setCreatedAt NOTIFY createdAtChanged)
    Q_PROPERTY(qint64 featuredWeight READ featuredWeight WRITE setFeaturedWeight NOTIFY featuredWeightChanged)
    Q_PROPERTY(std::optional<QString> authType READ authType WRITE setAuthType NOTIFY authTypeChanged)
    Q_PROPERTY(bool mcpInstalled READ mcpInstalled WRITE setMcpInstalled NOTIFY mcpInstalledChanged)
    Q_PROPERTY(bool mcpConnected READ mcpConnected WRITE setMcpConnected NOTIFY mcpConnectedChanged)
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated WRITE setIsAuthenticated NOTIFY isAuthenticatedChanged)
    Q_PROPERTY(bool isVerifyingAuth READ isVerifyingAuth WRITE setIsVerifyingAuth NOTIFY isVerifyingAuthChanged)
    Q_PROPERTY(std::optional<QString> appSlug READ appSlug WRITE setAppSlug NOTIFY appSlugChanged)
public:
    enum Attribute { AttributeId, AttributePipedreamId, AttributeName, AttributeDeveloper, AttributeAppDescription, AttributeIconName, AttributeIconURL, AttributePrice, AttributeRating, AttributeCategory, AttributeIsInstalled, AttributeIsUpdatable, AttributeCreatedAt, AttributeFeaturedWeight, AttributeAuthType, AttributeMcpInstalled, AttributeMcpConnected, AttributeIsAuthenticated, AttributeIsVerifyingAuth, AttributeAppSlug };

    AppStoreData(const QUuid &id, const std::optional<QString> &pipedreamId, const QString &name, const QString &developer,
                 const QString &appDescription, const QString &iconName, const std::optional<QString> &iconURL, const QString &price,
                 double rating, AppCategory category, bool isInstalled, bool isUpdatable, const QDateTime &createdAt,
                 qint64 featuredWeight, const std::optional<QString> &authType, bool mcpInstalled, bool mcpConnected,
                 bool isAuthenticated, bool isVerifyingAuth, const std::optional<QString> &appSlug);

    static const EntityDescription &staticEntityDescription();
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }

    QUuid id() const;
    void setId(const QUuid &value);
    std::optional<QString> pipedreamId() const;
    void setPipedreamId(const std::optional<QString> &value);
    QString name() const;
    void setName(const QString &value);
    QString developer() const;
    void setDeveloper(const QString &value);
    QString appDescription() const;
    void setAppDescription(const QString &value);
    QString iconName() const;
    void setIconName(const QString &value);
    std::optional<QString> iconURL() const;
    void setIconURL(const std::optional<QString> &value);
    QString price() const;
    void setPrice(const QString &value);
    double rating() const;
    void setRating(double value);
    QString category() const;
    void setCategory(const QString &value);
    bool isInstalled() const;
    void setIsInstalled(bool value);
    bool isUpdatable() const;
    void setIsUpdatable(bool value);
    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &value);
    qint64 featuredWeight() const;
    void setFeaturedWeight(qint64 value);
    std::optional<QString> authType() const;
    void setAuthType(const std::optional<QString> &value);
    bool mcpInstalled() const;
    void setMcpInstalled(bool value);
    bool mcpConnected() const;
    void setMcpConnected(bool value);
    bool isAuthenticated() const;
    void setIsAuthenticated(bool value);
    bool isVerifyingAuth() const;
    void setIsVerifyingAuth(bool value);
    std::optional<QString> appSlug() const;
    void setAppSlug(const std::optional<QString> &value);
    // The app's key at the integration platform: appSlug when present (even empty), else the
    // name lower-cased, spaces and hyphens made "_", and all but letters, marks, digits and "_" dropped.
    QString resolvedSlug() const;
    // A new row for a catalog app: category from its first catalog category, developer from
    // the first word of its name, rating 4.5 when featured else drawn from [3.5, 4.9].
    static AppStoreData *fromCatalogApp(const PipedreamApp &app);
    static AppCategory categoryForCatalogName(const QString &catalogCategory);

Q_SIGNALS:
    void idChanged();
    void pipedreamIdChanged();
    void nameChanged();
    void developerChanged();
    void appDescriptionChanged();
    void iconNameChanged();
    void iconURLChanged();
    void priceChanged();
    void ratingChanged();
    void categoryChanged();
    void isInstalledChanged();
    void isUpdatableChanged();
    void createdAtChanged();
    void featuredWeightChanged();
    void authTypeChanged();
    void mcpInstalledChanged();
    void mcpConnectedChanged();
    void isAuthenticatedChanged();
    void isVerifyingAuthChanged();
    void appSlugChanged();

protected:
    void attributeDidChange(int index) override;

private:
    AppStoreData();
};
