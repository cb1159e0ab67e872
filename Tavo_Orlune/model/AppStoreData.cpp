#include "model/AppStoreData.h"
#include "Platform/Scheduler.h"

#include <QRandomGenerator>

AppStoreData::AppStoreData()
{
    setFeaturedWeight(0);
    setMcpInstalled(false);
    setMcpConnected(false);
    setIsAuthenticated(false);
    setIsVerifyingAuth(false);
}

AppStoreData::AppStoreData(const QUuid &id, const std::optional<QString> &pipedreamId, const QString &name, const QString &developer,
                           const QString &appDescription, const QString &iconName, const std::optional<QString> &iconURL, const QString &price,
                           double rating, AppCategory category, bool isInstalled, bool isUpdatable, const QDateTime &createdAt,
                           qint64 featuredWeight, const std::optional<QString> &authType, bool mcpInstalled, bool mcpConnected,
                           bool isAuthenticated, bool isVerifyingAuth, const std::optional<QString> &appSlug)
{
    setId(id);
    setPipedreamId(pipedreamId);
    setName(name);
    setDeveloper(developer);
    setAppDescription(appDescription);
    setIconName(iconName);
    setIconURL(iconURL);
    setPrice(price);
    setRating(rating);
    setCategory(rawValue(category));
    setIsInstalled(isInstalled);
    setIsUpdatable(isUpdatable);
    setCreatedAt(createdAt);
    setFeaturedWeight(featuredWeight);
    setAuthType(authType);
    setMcpInstalled(mcpInstalled);
    setMcpConnected(mcpConnected);
    setIsAuthenticated(isAuthenticated);
    setIsVerifyingAuth(isVerifyingAuth);
    setAppSlug(appSlug);
}

const EntityDescription &AppStoreData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("AppStoreData");
        e.attributes.append({QStringLiteral("id"), AttributeType::Uuid, false, true});
        e.attributes.append({QStringLiteral("pipedreamId"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("name"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("developer"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("appDescription"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("iconName"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("iconURL"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("price"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("rating"), AttributeType::Double, false, false});
        e.attributes.append({QStringLiteral("category"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("isInstalled"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("isUpdatable"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("createdAt"), AttributeType::Date, false, false});
        e.attributes.append({QStringLiteral("featuredWeight"), AttributeType::Integer, false, false});
        e.attributes.append({QStringLiteral("authType"), AttributeType::Text, true, false});
        e.attributes.append({QStringLiteral("mcpInstalled"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("mcpConnected"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("isAuthenticated"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("isVerifyingAuth"), AttributeType::Bool, false, false});
        e.attributes.append({QStringLiteral("appSlug"), AttributeType::Text, true, false});
        e.factory = [] { return static_cast<PersistentModel *>(new AppStoreData); };
        return e;
    }();
    return description;
}

QUuid AppStoreData::id() const
{
    const QVariant v = attribute(AttributeId);
    return v.toUuid();
}

void AppStoreData::setId(const QUuid &value)
{
    setAttribute(AttributeId, value);
}

std::optional<QString> AppStoreData::pipedreamId() const
{
    const QVariant v = attribute(AttributePipedreamId);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void AppStoreData::setPipedreamId(const std::optional<QString> &value)
{
    setAttribute(AttributePipedreamId, value ? QVariant(*value) : QVariant());
}

QString AppStoreData::name() const
{
    const QVariant v = attribute(AttributeName);
    return v.toString();
}

void AppStoreData::setName(const QString &value)
{
    setAttribute(AttributeName, value);
}

QString AppStoreData::developer() const
{
    const QVariant v = attribute(AttributeDeveloper);
    return v.toString();
}

void AppStoreData::setDeveloper(const QString &value)
{
    setAttribute(AttributeDeveloper, value);
}

QString AppStoreData::appDescription() const
{
    const QVariant v = attribute(AttributeAppDescription);
    return v.toString();
}

void AppStoreData::setAppDescription(const QString &value)
{
    setAttribute(AttributeAppDescription, value);
}

QString AppStoreData::iconName() const
{
    const QVariant v = attribute(AttributeIconName);
    return v.toString();
}

void AppStoreData::setIconName(const QString &value)
{
    setAttribute(AttributeIconName, value);
}

std::optional<QString> AppStoreData::iconURL() const
{
    const QVariant v = attribute(AttributeIconURL);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void AppStoreData::setIconURL(const std::optional<QString> &value)
{
    setAttribute(AttributeIconURL, value ? QVariant(*value) : QVariant());
}

QString AppStoreData::price() const
{
    const QVariant v = attribute(AttributePrice);
    return v.toString();
}

void AppStoreData::setPrice(const QString &value)
{
    setAttribute(AttributePrice, value);
}

double AppStoreData::rating() const
{
    const QVariant v = attribute(AttributeRating);
    return v.toDouble();
}

void AppStoreData::setRating(double value)
{
    setAttribute(AttributeRating, value);
}

QString AppStoreData::category() const
{
    const QVariant v = attribute(AttributeCategory);
    return v.toString();
}

void AppStoreData::setCategory(const QString &value)
{
    setAttribute(AttributeCategory, value);
}

bool AppStoreData::isInstalled() const
{
    const QVariant v = attribute(AttributeIsInstalled);
    return v.toBool();
}

void AppStoreData::setIsInstalled(bool value)
{
    setAttribute(AttributeIsInstalled, value);
}

bool AppStoreData::isUpdatable() const
{
    const QVariant v = attribute(AttributeIsUpdatable);
    return v.toBool();
}

void AppStoreData::setIsUpdatable(bool value)
{
    setAttribute(AttributeIsUpdatable, value);
}

QDateTime AppStoreData::createdAt() const
{
    const QVariant v = attribute(AttributeCreatedAt);
    return v.toDateTime();
}

void AppStoreData::setCreatedAt(const QDateTime &value)
{
    setAttribute(AttributeCreatedAt, value);
}

qint64 AppStoreData::featuredWeight() const
{
    const QVariant v = attribute(AttributeFeaturedWeight);
    return v.toLongLong();
}

void AppStoreData::setFeaturedWeight(qint64 value)
{
    setAttribute(AttributeFeaturedWeight, value);
}

std::optional<QString> AppStoreData::authType() const
{
    const QVariant v = attribute(AttributeAuthType);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void AppStoreData::setAuthType(const std::optional<QString> &value)
{
    setAttribute(AttributeAuthType, value ? QVariant(*value) : QVariant());
}

bool AppStoreData::mcpInstalled() const
{
    const QVariant v = attribute(AttributeMcpInstalled);
    return v.toBool();
}

void AppStoreData::setMcpInstalled(bool value)
{
    setAttribute(AttributeMcpInstalled, value);
}

bool AppStoreData::mcpConnected() const
{
    const QVariant v = attribute(AttributeMcpConnected);
    return v.toBool();
}

void AppStoreData::setMcpConnected(bool value)
{
    setAttribute(AttributeMcpConnected, value);
}

bool AppStoreData::isAuthenticated() const
{
    const QVariant v = attribute(AttributeIsAuthenticated);
    return v.toBool();
}

void AppStoreData::setIsAuthenticated(bool value)
{
    setAttribute(AttributeIsAuthenticated, value);
}

bool AppStoreData::isVerifyingAuth() const
{
    const QVariant v = attribute(AttributeIsVerifyingAuth);
    return v.toBool();
}

void AppStoreData::setIsVerifyingAuth(bool value)
{
    setAttribute(AttributeIsVerifyingAuth, value);
}

std::optional<QString> AppStoreData::appSlug() const
{
    const QVariant v = attribute(AttributeAppSlug);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void AppStoreData::setAppSlug(const std::optional<QString> &value)
{
    setAttribute(AttributeAppSlug, value ? QVariant(*value) : QVariant());
}

void AppStoreData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeId: Q_EMIT idChanged(); break;
    case AttributePipedreamId: Q_EMIT pipedreamIdChanged(); break;
    case AttributeName: Q_EMIT nameChanged(); break;
    case AttributeDeveloper: Q_EMIT developerChanged(); break;
    case AttributeAppDescription: Q_EMIT appDescriptionChanged(); break;
    case AttributeIconName: Q_EMIT iconNameChanged(); break;
    case AttributeIconURL: Q_EMIT iconURLChanged(); break;
    case AttributePrice: Q_EMIT priceChanged(); break;
    case AttributeRating: Q_EMIT ratingChanged(); break;
    case AttributeCategory: Q_EMIT categoryChanged(); break;
    case AttributeIsInstalled: Q_EMIT isInstalledChanged(); break;
    case AttributeIsUpdatable: Q_EMIT isUpdatableChanged(); break;
    case AttributeCreatedAt: Q_EMIT createdAtChanged(); break;
    case AttributeFeaturedWeight: Q_EMIT featuredWeightChanged(); break;
    case AttributeAuthType: Q_EMIT authTypeChanged(); break;
    case AttributeMcpInstalled: Q_EMIT mcpInstalledChanged(); break;
    case AttributeMcpConnected: Q_EMIT mcpConnectedChanged(); break;
    case AttributeIsAuthenticated: Q_EMIT isAuthenticatedChanged(); break;
    case AttributeIsVerifyingAuth: Q_EMIT isVerifyingAuthChanged(); break;
    case AttributeAppSlug: Q_EMIT appSlugChanged(); break;
    }
}

QString AppStoreData::resolvedSlug() const
{
    if (const auto slug = appSlug())
        return *slug;
    QString lowered = name().toLower();
    lowered.replace(QLatin1Char(' '), QLatin1Char('_'));
    lowered.replace(QLatin1Char('-'), QLatin1Char('_'));
    QString out;
    out.reserve(lowered.size());
    for (int i = 0; i < lowered.size(); ++i) {
        const char32_t c = lowered.at(i).isHighSurrogate() && i + 1 < lowered.size() ? QChar::surrogateToUcs4(lowered.at(i), lowered.at(i + 1)) : lowered.at(i).unicode();
        const int width = c > 0xFFFF ? 2 : 1;
        if (c == U'_' || QChar::isLetterOrNumber(c) || QChar::isMark(c))
            out += lowered.mid(i, width);
        i += width - 1;
    }
    return out;
}

AppCategory AppStoreData::categoryForCatalogName(const QString &catalogCategory)
{
    const QString key = catalogCategory.toLower();
    if (key == QLatin1String("ai") || key == QLatin1String("artificial intelligence"))
        return AppCategory::ArtificialIntelligence;
    for (AppCategory c : allAppCategories())
        if (rawValue(c).toLower() == key)
            return c;
    return AppCategory::Productivity;
}

AppStoreData *AppStoreData::fromCatalogApp(const PipedreamApp &app)
{
    const AppCategory category = categoryForCatalogName(app.categories.isEmpty() ? QString() : app.categories.first());
    const QStringList words = app.name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString developer = words.isEmpty() ? QStringLiteral("Unknown") : words.first();
    const double rating = app.featuredWeight > 0 ? 4.5 : 3.5 + QRandomGenerator::global()->generateDouble() * 1.4;
    const QString description = app.description.isEmpty() ? QStringLiteral("Integration available via Pipedream") : app.description;
    return new AppStoreData(QUuid::createUuid(), app.id, app.name, developer, description, app.nameSlug, app.imgSrc, QStringLiteral("Free"),
                            rating, category, false, false, Scheduler::instance().now(), app.featuredWeight, app.authType,
                            false, false, false, false, app.nameSlug);
}
