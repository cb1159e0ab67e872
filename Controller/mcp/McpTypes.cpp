#include "Controller/mcp/McpTypes.h"

namespace mcp {

std::optional<Tool> Tool::fromJson(const QJsonObject &object)
{
    const QJsonValue name = object.value(QLatin1String("name"));
    if (!name.isString())
        return std::nullopt;
    Tool tool;
    tool.name = name.toString();
    tool.description = object.value(QLatin1String("description")).toString();
    tool.inputSchema = object.value(QLatin1String("inputSchema"));
    if (tool.inputSchema.isUndefined())
        tool.inputSchema = QJsonValue();
    tool.raw = object;
    return tool;
}

Content Content::fromJson(const QJsonObject &object)
{
    Content c;
    c.raw = object;
    const QString type = object.value(QLatin1String("type")).toString();
    if (type == QLatin1String("text")) {
        c.kind = Kind::Text;
        c.text = object.value(QLatin1String("text")).toString();
    } else if (type == QLatin1String("image")) {
        c.kind = Kind::Image;
        c.data = object.value(QLatin1String("data")).toString().toLatin1();
        c.mimeType = object.value(QLatin1String("mimeType")).toString();
    } else if (type == QLatin1String("resource")) {
        c.kind = Kind::Resource;
        const QJsonObject resource = object.value(QLatin1String("resource")).toObject();
        c.uri = resource.value(QLatin1String("uri")).toString();
        c.mimeType = resource.value(QLatin1String("mimeType")).toString();
        const QJsonValue text = resource.value(QLatin1String("text"));
        if (text.isString())
            c.resourceText = text.toString();
    }
    return c;
}

Content Content::makeText(const QString &text)
{
    Content c;
    c.kind = Kind::Text;
    c.text = text;
    c.raw = QJsonObject{{QStringLiteral("type"), QStringLiteral("text")}, {QStringLiteral("text"), text}};
    return c;
}

CallToolResult CallToolResult::fromJson(const QJsonObject &object)
{
    CallToolResult result;
    const QJsonArray items = object.value(QLatin1String("content")).toArray();
    for (const QJsonValue &item : items)
        result.content.append(Content::fromJson(item.toObject()));
    const QJsonValue isError = object.value(QLatin1String("isError"));
    if (isError.isBool())
        result.isError = isError.toBool();
    return result;
}

QString quotedList(const QStringList &names)
{
    QStringList quoted;
    for (const QString &n : names)
        quoted << QLatin1Char('"') + n + QLatin1Char('"');
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace mcp
