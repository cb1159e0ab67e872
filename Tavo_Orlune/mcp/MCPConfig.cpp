#include "mcp/MCPConfig.h"

#include "Controller/mcp/McpServerConfiguration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

void writeString(QByteArray &out, const QString &text)
{
    // Slashes and non-ASCII text stay as they are; only what JSON requires is escaped.
    // A lone surrogate half (written as an escape by hand) has no UTF-8 form: it is written as
    // the escape it was read from, so rewriting the file keeps it.
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            escaped += c;
            escaped += text[++i];
            continue;
        }
        if (c.isSurrogate()) {
            escaped += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            continue;
        }
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
    // One reader for the application and the tool runtime: a file the runtime refuses is refused
    // here too, so the writer never builds on a file the servers cannot be started from.
    McpResult<McpServerConfigurationCollection> read = McpServerConfigurationCollection::decode(json);
    if (!read.ok())
        return read.error();
    MCPConfig config;
    const auto &servers = read.value().mcpServers;
    for (auto it = servers.begin(); it != servers.end(); ++it) {
        MCPServerConfig server{it->command, it->args, std::nullopt};
        if (it->env) {
            QJsonObject env;
            for (auto e = it->env->begin(); e != it->env->end(); ++e)
                env.insert(e.key(), e.value());
            server.env = env;
        }
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
