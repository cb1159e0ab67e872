#pragma once
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <functional>
#include <optional>

class ManagedProcess;

// Helpers for the processes that MCP clients own.
namespace ChildProcesses {
// Stops the process (SIGINT, then SIGTERM after graceMs, then SIGKILL after graceMs more)
// without blocking the thread; done runs once the process has gone, or after the last bound.
void stop(ManagedProcess *process, int graceMs, std::function<void()> done);
// Sends every line the process writes to standard error (and, with includeStdout, standard
// output) to the log with the tag in front, so that no pipe ever fills up.
void forwardOutput(ManagedProcess *process, const QString &tag, bool includeStdout);
// The environment of a server or the proxy: the user's, minus the application's own secrets
// and settings (GROQ_API_KEY, GROQ_API_HOST, every TAVO_* variable), plus the entry's "env".
QProcessEnvironment environment(const std::optional<QMap<QString, QString>> &extra = std::nullopt);
}
