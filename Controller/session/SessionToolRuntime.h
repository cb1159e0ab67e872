#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

// What the session channel needs of the tool runtime, and nothing more. The product wires it
// to the process-wide client manager and tool repository; tests may hand in their own.
//
// Every operation is asynchronous: `done` runs later on the thread of `context`, and never
// after `context` is gone.

// A JSON-like value as MCP servers deliver it: null, Boolean, integer, double, string,
// binary data with an optional MIME type, list, or object.
struct SessionToolValue {
    struct Binary {
        QByteArray data;
        std::optional<QString> mimeType;
    };
    using List = QList<SessionToolValue>;
    using Object = QMap<QString, SessionToolValue>;
    std::variant<std::monostate, bool, qint64, double, QString, Binary, std::shared_ptr<List>, std::shared_ptr<Object>> value;

    static SessionToolValue null() { return {}; }
    static SessionToolValue boolean(bool b) { return {b}; }
    static SessionToolValue integer(qint64 i) { return {i}; }
    static SessionToolValue number(double d) { return {d}; }
    static SessionToolValue string(const QString &s) { return {s}; }
    static SessionToolValue binary(const QByteArray &d, std::optional<QString> mime) { return {Binary{d, std::move(mime)}}; }
    static SessionToolValue list(List l) { return {std::make_shared<List>(std::move(l))}; }
    static SessionToolValue object(Object o) { return {std::make_shared<Object>(std::move(o))}; }
};

struct SessionTool {
    QString name;
    QString description;
    std::optional<SessionToolValue> inputSchema;
};

// One tool with the configured (unsanitised) name of the server that offers it.
struct SessionClientTool {
    SessionTool tool;
    QString clientName;
};

struct SessionToolResponse {
    QString id;
    QString content;
    std::optional<QString> data;
};

class SessionToolRuntime {
public:
    virtual ~SessionToolRuntime() = default;

    // Reads the server configuration once; an empty error means success.
    virtual void initialize(QObject *context, std::function<void(const QString &error)> done) = 0;
    // The tools of the named servers, servers in the runtime's own order, starting each on
    // first use. A failure of any start fails the whole call (error not empty).
    virtual void getTools(const QStringList &clientNames, QObject *context,
                          std::function<void(const QList<SessionClientTool> &tools, const QString &error)> done) = 0;
    // Runs one call {"id", "name" (tool key), "args"}; never fails: failures are response text.
    virtual void handleToolRequest(const QVariantMap &toolCall, QObject *context,
                                   std::function<void(const SessionToolResponse &)> done) = 0;
    virtual void callTool(const QString &toolName, const QMap<QString, SessionToolValue> &arguments, QObject *context,
                          std::function<void(const QString &result, const QString &error)> done) = 0;
    // Disconnects every tool server of the process; each starts again on its next use.
    virtual void closeAllClients(QObject *context, std::function<void()> done) = 0;
    // The configured server names, sorted.
    virtual void availableClientNames(QObject *context, std::function<void(const QStringList &)> done) = 0;
};
