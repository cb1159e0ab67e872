#pragma once
#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

namespace mcp {

// A JSON-like value as the protocol carries it. Tool arguments are an object of these.
using Value = QJsonValue;
using Arguments = QJsonObject;

// One tool as its server lists it. `raw` is the whole listing entry, kept so that nothing the
// server said is lost; the other fields are read from it.
struct Tool {
    QString name;
    QString description;
    Value inputSchema; // null when the server gave none
    QJsonObject raw;

    static std::optional<Tool> fromJson(const QJsonObject &object);
    bool operator==(const Tool &other) const { return raw == other.raw; }
};

// One content item of a tool result.
struct Content {
    enum class Kind { Text, Image, Resource, Other };
    Kind kind = Kind::Other;
    QString text;                      // Text
    QByteArray data;                   // Image: the base64 text as sent
    QString mimeType;                  // Image, Resource
    QString uri;                       // Resource
    std::optional<QString> resourceText; // Resource
    QJsonObject raw;

    static Content fromJson(const QJsonObject &object);
    static Content makeText(const QString &text);
};

struct CallToolResult {
    QList<Content> content;
    std::optional<bool> isError;

    static CallToolResult fromJson(const QJsonObject &object);
};

struct ListToolsResult {
    QList<Tool> tools;
    std::optional<QString> nextCursor;
};

// Names as log lines write a list: ["a", "b"].
QString quotedList(const QStringList &names);

} // namespace mcp

Q_DECLARE_METATYPE(mcp::Tool)
