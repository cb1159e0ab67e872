#include "Controller/session/McpSessionToolRuntime.h"

#include "Controller/mcp/FutureDelivery.h"
#include "Controller/mcp/MCPClientManager.h"
#include "Controller/mcp/ToolRepository.h"

#include <QJsonArray>
#include <QJsonObject>

SessionToolValue McpSessionToolRuntime::toSessionValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return SessionToolValue::boolean(value.toBool());
    case QJsonValue::Double:
        // Integers read from JSON text stay integers.
        if (value.toVariant().typeId() == QMetaType::LongLong)
            return SessionToolValue::integer(value.toInteger());
        return SessionToolValue::number(value.toDouble());
    case QJsonValue::String:
        return SessionToolValue::string(value.toString());
    case QJsonValue::Array: {
        SessionToolValue::List list;
        for (const QJsonValue &v : value.toArray())
            list.append(toSessionValue(v));
        return SessionToolValue::list(std::move(list));
    }
    case QJsonValue::Object: {
        SessionToolValue::Object object;
        const QJsonObject o = value.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            object.insert(it.key(), toSessionValue(it.value()));
        return SessionToolValue::object(std::move(object));
    }
    default:
        return SessionToolValue::null();
    }
}

QJsonValue McpSessionToolRuntime::toJson(const SessionToolValue &value)
{
    return std::visit([](const auto &v) -> QJsonValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>)
            return QJsonValue();
        else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, double> || std::is_same_v<T, QString>)
            return QJsonValue(v);
        else if constexpr (std::is_same_v<T, qint64>)
            return QJsonValue(v);
        else if constexpr (std::is_same_v<T, SessionToolValue::Binary>)
            return QJsonValue(QString::fromLatin1(v.data.toBase64()));
        else if constexpr (std::is_same_v<T, std::shared_ptr<SessionToolValue::List>>) {
            QJsonArray array;
            if (v)
                for (const SessionToolValue &item : *v)
                    array.append(toJson(item));
            return array;
        } else {
            QJsonObject object;
            if (v)
                for (auto it = v->begin(); it != v->end(); ++it)
                    object.insert(it.key(), toJson(it.value()));
            return object;
        }
    }, value.value);
}

void McpSessionToolRuntime::initialize(QObject *context, std::function<void(const QString &)> done)
{
    FutureDelivery::deliver<void>(context, MCPClientManager::shared().initialize(false), [done] { done(QString()); },
                                  [done](const QString &error) { done(error); });
}

void McpSessionToolRuntime::getTools(const QStringList &clientNames, QObject *context,
                                     std::function<void(const QList<SessionClientTool> &, const QString &)> done)
{
    using ToolsByClient = QMap<QString, QList<mcp::Tool>>;
    FutureDelivery::deliver<ToolsByClient>(
        context, MCPClientManager::shared().getTools(clientNames),
        [done](const ToolsByClient &byClient) {
            QList<SessionClientTool> out;
            for (auto it = byClient.begin(); it != byClient.end(); ++it) {
                for (const mcp::Tool &tool : it.value()) {
                    SessionTool t{tool.name, tool.description, std::nullopt};
                    if (!tool.inputSchema.isNull() && !tool.inputSchema.isUndefined())
                        t.inputSchema = toSessionValue(tool.inputSchema);
                    out.append(SessionClientTool{t, it.key()});
                }
            }
            done(out, QString());
        },
        [done](const QString &error) { done({}, error); });
}

void McpSessionToolRuntime::handleToolRequest(const QVariantMap &toolCall, QObject *context,
                                              std::function<void(const SessionToolResponse &)> done)
{
    FutureDelivery::deliver<ToolResponse>(context, MCPClientManager::shared().handleToolRequest(toolCall),
                                          [done](const ToolResponse &r) { done(SessionToolResponse{r.id, r.content, r.data}); });
}

void McpSessionToolRuntime::callTool(const QString &toolName, const QMap<QString, SessionToolValue> &arguments, QObject *context,
                                     std::function<void(const QString &, const QString &)> done)
{
    QJsonObject args;
    for (auto it = arguments.begin(); it != arguments.end(); ++it)
        args.insert(it.key(), toJson(it.value()));
    FutureDelivery::deliver<QString>(context, MCPClientManager::shared().callTool(toolName, args),
                                     [done](const QString &text) { done(text, QString()); },
                                     [done](const QString &error) { done(QString(), error); });
}

void McpSessionToolRuntime::closeAllClients(QObject *context, std::function<void()> done)
{
    FutureDelivery::deliver<void>(context, MCPClientManager::shared().closeAllClients(), [done] { done(); });
}

void McpSessionToolRuntime::availableClientNames(QObject *context, std::function<void(const QStringList &)> done)
{
    FutureDelivery::deliver<QStringList>(context, ToolRepository::shared().availableClientNames(),
                                         [done](const QStringList &names) { done(names); });
}
