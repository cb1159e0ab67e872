#include "mcp/MCPConfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

MCPError invalid(const QString &why)
{
    return MCPError(QStringLiteral("The MCP configuration could not be read: %1").arg(why), QStringLiteral("DecodingError"), 4864);
}

void writeString(QByteArray &out, const QString &text)
{
    // Slashes and non-ASCII text stay as they are; only what JSON requires is escaped.
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case '"': escaped += QLatin1String("\\\""); break;
        case '\\': escaped += QLatin1String("\\\\"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\r': escaped += QLatin1String("\\r"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        case '\b': escaped += QLatin1String("\\b"); break;
        case '\f': escaped += QLatin1String("\\f"); break;
        default:
            if (u < 0x20)
                escaped += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    out += '"';
    out += escaped.toUtf8();
    out += '"';
}

void writeValue(QByteArray &out, const QJsonValue &value, int depth);

void indent(QByteArray &out, int depth)
{
    out += QByteArray(depth * 4, ' ');
}

void writeObject(QByteArray &out, const QJsonObject &object, int depth)
{
    if (object.isEmpty()) {
        out += "{}";
        return;
    }
    out += "{\n";
    bool first = true;
    for (auto it = object.begin(); it != object.end(); ++it) { // QJsonObject keeps keys sorted
        if (!first)
            out += ",\n";
        first = false;
        indent(out, depth + 1);
        writeString(out, it.key());
        out += ": ";
        writeValue(out, it.value(), depth + 1);
    }
    out += '\n';
    indent(out, depth);
    out += '}';
}

void writeValue(QByteArray &out, const QJsonValue &value, int depth)
{
    switch (value.type()) {
    case QJsonValue::Object:
        writeObject(out, value.toObject(), depth);
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out += "[]";
            break;
        }
        out += "[\n";
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i)
                out += ",\n";
            indent(out, depth + 1);
            writeValue(out, array.at(i), depth + 1);
        }
        out += '\n';
        indent(out, depth);
        out += ']';
        break;
    }
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    default: {
        // Numbers, booleans and null as the compact writer spells them.
        QByteArray compact = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        out += compact.mid(1, compact.size() - 2);
    }
    }
}

} // namespace

McpResult<MCPConfig> MCPConfig::decode(const QByteArray &json)
{
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return invalid(QStringLiteral("it is not valid JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!doc.isObject())
        return invalid(QStringLiteral("the top level is not an object"));
    const QJsonValue servers = doc.object().value(QLatin1String("McpServers"));
    if (!servers.isObject())
        return invalid(QStringLiteral("\"McpServers\" is missing or not an object"));
    MCPConfig config;
    const QJsonObject table = servers.toObject();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        if (!it.value().isObject() || !entry.value(QLatin1String("command")).isString()
            || !entry.value(QLatin1String("args")).isArray())
            return invalid(QStringLiteral("the entry \"%1\" needs a text \"command\" and a list \"args\"").arg(it.key()));
        MCPServerConfig server;
        server.command = entry.value(QLatin1String("command")).toString();
        for (const QJsonValue &arg : entry.value(QLatin1String("args")).toArray()) {
            if (!arg.isString())
                return invalid(QStringLiteral("the entry \"%1\" has an argument that is not text").arg(it.key()));
            server.args.append(arg.toString());
        }
        const QJsonValue env = entry.value(QLatin1String("env"));
        if (env.isObject())
            server.env = env.toObject();
        config.mcpServers.insert(it.key(), server);
    }
    return config;
}

QByteArray MCPConfig::encode() const
{
    QJsonObject servers;
    for (auto it = mcpServers.begin(); it != mcpServers.end(); ++it) {
        QJsonObject entry{{QStringLiteral("command"), it->command},
                          {QStringLiteral("args"), QJsonArray::fromStringList(it->args)}};
        if (it->env)
            entry.insert(QStringLiteral("env"), *it->env);
        servers.insert(it.key(), entry);
    }
    QByteArray out;
    writeObject(out, QJsonObject{{QStringLiteral("McpServers"), servers}}, 0);
    return out;
}
