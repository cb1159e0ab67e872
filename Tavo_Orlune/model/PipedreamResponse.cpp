#include "model/PipedreamResponse.h"
#include "model/StrictJson.h"

#include <QJsonDocument>

std::optional<PipedreamResponse> PipedreamResponse::decode(const QByteArray &json, QString *error)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error)
            *error = parse.error != QJsonParseError::NoError ? parse.errorString() : QStringLiteral("the page is not a JSON object");
        return std::nullopt;
    }
    try {
        const QJsonObject o = doc.object();
        PipedreamResponse page;
        page.pageInfo = PageInfo::fromJson(StrictJson::requiredObject(o, QStringLiteral("page_info")));
        const QJsonArray apps = StrictJson::requiredArray(o, QStringLiteral("data"));
        for (qsizetype i = 0; i < apps.size(); ++i) {
            if (!apps.at(i).isObject())
                throw StrictJson::Error{QStringLiteral("\"data\" must be a list of objects")};
            try {
                page.data.append(PipedreamApp::fromJson(apps.at(i).toObject()));
            } catch (const StrictJson::Error &e) {
                throw StrictJson::Error{QStringLiteral("app %1: %2").arg(i).arg(e.message)};
            }
        }
        return page;
    } catch (const StrictJson::Error &e) {
        if (error)
            *error = e.message;
        return std::nullopt;
    }
}

QByteArray PipedreamResponse::encode() const
{
    QJsonArray apps;
    for (const PipedreamApp &app : data)
        apps.append(app.toJson());
    return QJsonDocument(QJsonObject{{QStringLiteral("page_info"), pageInfo.toJson()}, {QStringLiteral("data"), apps}}).toJson(QJsonDocument::Compact);
}
