#pragma once
#include "Controller/mcp/MCPError.h"
#include "Controller/mcp/McpResult.h"
#include "NpmProgram.h"

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

#include <unistd.h>

// Shared pieces of the tool runtime's tests: the real programs they run, waiting for a
// future on the main thread, and the list of child processes still alive.
namespace McpTestSupport {

inline QString node()
{
    return QStandardPaths::findExecutable(QStringLiteral("node"));
}

inline QString serverEverything()
{
    return NpmProgram::modulePath(QStringLiteral("@modelcontextprotocol/server-everything/dist/index.js"));
}

// An MCP server with only the streamable HTTP transport (POST /mcp), on the reference SDK.
inline QString streamableServer()
{
    return qEnvironmentVariable("TAVO_SOURCE_DIR") + QStringLiteral("/tests/mcp/streamable-server.mjs");
}

inline QString scriptedServer()
{
    return qEnvironmentVariable("TAVO_SOURCE_DIR") + QStringLiteral("/tests/mcp/scripted-server.mjs");
}

// A free TCP port on the loopback address (free when asked; good enough for a test).
inline quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Waits until nothing listens on the loopback port (another test run on the same machine
// may hold it for a while).
inline bool waitForFreePort(quint16 port, int timeoutMs = 90000)
{
    return QTest::qWaitFor([port] {
        QTcpServer probe;
        return probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), port);
    }, timeoutMs);
}

// The pids of every living descendant of this test process (zombies are not counted).
inline QList<qint64> descendants()
{
    QHash<qint64, qint64> parentOf;
    QHash<qint64, char> stateOf;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() < 2)
            continue;
        stateOf.insert(pid, fields[0].isEmpty() ? '?' : fields[0][0]);
        parentOf.insert(pid, fields[1].toLongLong());
    }
    QList<qint64> out;
    QList<qint64> frontier{qint64(::getpid())};
    while (!frontier.isEmpty()) {
        const qint64 parent = frontier.takeFirst();
        for (auto it = parentOf.begin(); it != parentOf.end(); ++it) {
            if (it.value() == parent) {
                frontier.append(it.key());
                if (stateOf.value(it.key()) != 'Z')
                    out.append(it.key());
            }
        }
    }
    return out;
}

inline bool noChildLeft(int timeoutMs = 8000)
{
    return QTest::qWaitFor([] { return descendants().isEmpty(); }, timeoutMs);
}

// Waits on the main thread (its events keep running) and hands back the result; a failed
// future rethrows its MCPError.
template <typename T>
T await(QFuture<T> future, int timeoutMs = 30000)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs))
        throw MCPError(QStringLiteral("test: no answer within %1 ms").arg(timeoutMs));
    if constexpr (std::is_void_v<T>)
        future.waitForFinished();
    else
        return future.result();
}

// The message of the MCPError that a failed future carries, or "" when it succeeded.
template <typename T>
QString failureOf(QFuture<T> future, int timeoutMs = 30000)
{
    try {
        await(future, timeoutMs);
    } catch (const MCPError &e) {
        return e.message();
    }
    return {};
}

// Runs one callback-style step of the runtime's classes and waits for its answer.
template <typename T>
McpResult<T> step(const std::function<void(McpCallback<T>)> &op, int timeoutMs = 30000)
{
    std::optional<McpResult<T>> result;
    op([&](McpResult<T> r) { result.emplace(std::move(r)); });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, timeoutMs))
        return MCPError(QStringLiteral("test: no answer within %1 ms").arg(timeoutMs));
    return *result;
}

} // namespace McpTestSupport
