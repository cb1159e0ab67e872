#include "Controller/mcp/McpServerConfiguration.h"

#include "Platform/AppPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

McpResult<McpServerConfigurationCollection> McpServerConfigurationCollection::decode(const QByteArray &json)
{
    auto invalid = [](const QString &why) {
        return MCPError(QStringLiteral("The MCP configuration could not be read: %1").arg(why),
                        QStringLiteral("DecodingError"), 4864);
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return invalid(QStringLiteral("it is not valid JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!doc.isObject())
        return invalid(QStringLiteral("the top level is not an object"));
    const QJsonValue servers = doc.object().value(QLatin1String("McpServers"));
    if (!servers.isObject())
        return invalid(servers.isUndefined() ? QStringLiteral("\"McpServers\" is missing")
                                             : QStringLiteral("\"McpServers\" is not an object"));
    McpServerConfigurationCollection collection;
    const QJsonObject table = servers.toObject();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QString name = it.key();
        if (!it.value().isObject())
            return invalid(QStringLiteral("the entry \"%1\" is not an object").arg(name));
        const QJsonObject entry = it.value().toObject();
        McpServerConfiguration config;
        const QJsonValue command = entry.value(QLatin1String("command"));
        if (!command.isString())
            return invalid(QStringLiteral("the entry \"%1\" has no text \"command\"").arg(name));
        config.command = command.toString();
        const QJsonValue args = entry.value(QLatin1String("args"));
        if (!args.isArray())
            return invalid(QStringLiteral("the entry \"%1\" has no list \"args\"").arg(name));
        for (const QJsonValue &arg : args.toArray()) {
            if (!arg.isString())
                return invalid(QStringLiteral("the entry \"%1\" has an argument that is not text").arg(name));
            config.args.append(arg.toString());
        }
        const QJsonValue env = entry.value(QLatin1String("env"));
        if (env.isObject()) {
            QMap<QString, QString> vars;
            const QJsonObject envObject = env.toObject();
            for (auto e = envObject.begin(); e != envObject.end(); ++e) {
                if (!e.value().isString())
                    return invalid(QStringLiteral("the entry \"%1\" has an \"env\" value that is not text").arg(name));
                vars.insert(e.key(), e.value().toString());
            }
            config.env = vars;
        } else if (!env.isUndefined() && !env.isNull()) {
            return invalid(QStringLiteral("the entry \"%1\" has an \"env\" that is not an object").arg(name));
        }
        collection.mcpServers.insert(name, config);
    }
    return collection;
}

namespace McpConfigLocation {

QString applicationSupportDir()
{
    return AppPaths::applicationSupportDir();
}

QString configFilePath()
{
    const QString base = applicationSupportDir();
    if (base.isEmpty())
        return {};
    return base + QStringLiteral("/TavoOrlune/config.json");
}

QString defaultResourcePath()
{
    return QStringLiteral(":/config.json");
}

QByteArray emptyDefaultText()
{
    return QByteArrayLiteral("{\n    \"McpServers\": {}\n}");
}

} // namespace McpConfigLocation
