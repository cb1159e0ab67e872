#include "model/PipedreamApp.h"
#include "model/StrictJson.h"

#include <QJsonArray>

PipedreamApp PipedreamApp::fromJson(const QJsonObject &o)
{
    PipedreamApp app;
    app.id = StrictJson::requiredText(o, QStringLiteral("id"));
    app.nameSlug = StrictJson::requiredText(o, QStringLiteral("name_slug"));
    app.name = StrictJson::requiredText(o, QStringLiteral("name"));
    app.authType = StrictJson::optionalText(o, QStringLiteral("auth_type"));
    app.description = StrictJson::requiredText(o, QStringLiteral("description"));
    app.imgSrc = StrictJson::requiredText(o, QStringLiteral("img_src"));
    app.customFieldsJson = StrictJson::requiredText(o, QStringLiteral("custom_fields_json"));
    app.categories = StrictJson::requiredTextList(o, QStringLiteral("categories"));
    app.featuredWeight = StrictJson::requiredInteger(o, QStringLiteral("featured_weight"));
    return app;
}

QJsonObject PipedreamApp::toJson() const
{
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("name_slug"), nameSlug},
                  {QStringLiteral("name"), name},
                  {QStringLiteral("description"), description},
                  {QStringLiteral("img_src"), imgSrc},
                  {QStringLiteral("custom_fields_json"), customFieldsJson},
                  {QStringLiteral("categories"), QJsonArray::fromStringList(categories)},
                  {QStringLiteral("featured_weight"), featuredWeight}};
    if (authType)
        o.insert(QStringLiteral("auth_type"), *authType);
    return o;
}
