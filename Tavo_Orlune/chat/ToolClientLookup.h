#pragma once
#include <QString>
#include <functional>
#include <optional>

// Names the MCP client that provides a tool, so a tool call can be shown with its app and the
// task linked to that app. The tool runtime answers asynchronously: the reply must be delivered
// on the asking (main) thread, and callers guard against being gone by then.
//
// By default the tool runtime's repository answers; tests install a scripted lookup.
class ToolClientLookup {
public:
    using Reply = std::function<void(const std::optional<QString> &clientName)>;
    using Function = std::function<void(const QString &toolName, Reply reply)>;

    // Replaces the tool runtime (an empty function restores it).
    static void setShared(Function lookup);
    static void lookUp(const QString &toolName, Reply reply);

    // The tool part of a tool key (tool name + "-_-" + client name): the text before the first
    // separator, or the whole key.
    static QString toolName(const QString &toolKey);
    // The client name as shown: first character upper-cased, the rest unchanged.
    static QString displayName(const QString &clientName);
};
