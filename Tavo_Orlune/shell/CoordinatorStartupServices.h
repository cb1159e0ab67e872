#pragma once
#include <QString>
#include <functional>

class QObject;

// The tool runtime's start-up steps that the coordinator runs once the user is signed in.
// Each reports on the thread of `context`; an empty error means success.
class CoordinatorStartupServices {
public:
    virtual ~CoordinatorStartupServices() = default;
    // Adds the default "Perplexity" MCP server to the configuration file unless it is there.
    virtual void addPerplexityServerIfNeeded(QObject *context, std::function<void(const QString &error)> done) = 0;
    // Makes sure the configuration exists and registers the configured tool servers.
    virtual void initializeToolRepository(QObject *context, std::function<void(const QString &error)> done) = 0;
};
