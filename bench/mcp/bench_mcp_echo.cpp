// Round-trip time of tools/call "echo" against the reference "everything" MCP server over
// standard input/output: our client, then the reference TypeScript SDK client against the
// same server in the same run. Prints both medians and 95th percentiles and their ratio.
#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "Controller/mcp/StdioTransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>

namespace {
constexpr int kCalls = 2000;
constexpr int kWarmup = 100;

double percentile(QList<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    if (samples.isEmpty())
        return 0;
    const qsizetype index = std::min<qsizetype>(samples.size() - 1, qsizetype(p * double(samples.size() - 1) + 0.5));
    return samples[index];
}

QString npmDir()
{
    const QString env = qEnvironmentVariable("TAVO_NPM_DIR");
    return env.isEmpty() ? QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../npm")) : env;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

QList<double> runOurs(const QString &node, const QString &server)
{
    ManagedProcess process;
    process.start(node, {server, QStringLiteral("stdio")});
    if (!process.waitForStarted())
        return {};
    McpClient client(QStringLiteral("bench"), QStringLiteral("1.0.0"));
    bool connected = false, failed = false;
    client.connectTransport(new StdioTransport(process.process()), [&](McpResult<QJsonObject> r) {
        connected = r.ok();
        failed = !r.ok();
    });
    if (!waitFor([&] { return connected || failed; }, 30000) || failed)
        return {};
    QList<double> samples;
    for (int i = 0; i < kWarmup + kCalls; ++i) {
        bool answered = false, ok = false;
        QElapsedTimer timer;
        timer.start();
        client.callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QStringLiteral("ping %1").arg(i)}},
                         [&](McpResult<mcp::CallToolResult> r) {
                             answered = true;
                             ok = r.ok();
                         });
        if (!waitFor([&] { return answered; }, 30000) || !ok)
            return {};
        if (i >= kWarmup)
            samples << timer.nsecsElapsed() / 1e6;
    }
    client.disconnect();
    process.stopAndWait(2000);
    return samples;
}

QList<double> runReference(const QString &node, const QString &server)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NODE_PATH"), npmDir() + QStringLiteral("/node_modules"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(node, {QStringLiteral(TAVO_BENCH_SOURCE_DIR "/reference-client.cjs"), server,
                         QString::number(kCalls), QString::number(kWarmup)});
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return {};
    const QJsonArray array = QJsonDocument::fromJson(process.readAllStandardOutput()).object().value(QLatin1String("samplesMs")).toArray();
    QList<double> samples;
    for (const QJsonValue &v : array)
        samples << v.toDouble();
    return samples;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString server = npmDir() + QStringLiteral("/node_modules/@modelcontextprotocol/server-everything/dist/index.js");
    if (node.isEmpty() || !QFileInfo::exists(server)) {
        std::fprintf(stderr, "needs node and the npm test programs in %s (run the test command first)\n", qPrintable(npmDir()));
        return 1;
    }
    const QList<double> ours = runOurs(node, server);
    const QList<double> reference = runReference(node, server);
    if (ours.size() != kCalls || reference.size() != kCalls) {
        std::fprintf(stderr, "a run failed (ours %lld samples, reference %lld)\n", qlonglong(ours.size()), qlonglong(reference.size()));
        return 1;
    }
    const double oursMedian = percentile(ours, 0.5), oursP95 = percentile(ours, 0.95);
    const double refMedian = percentile(reference, 0.5), refP95 = percentile(reference, 0.95);
    std::printf("tools/call echo over stdio, %d calls each (after %d warm-up calls)\n", kCalls, kWarmup);
    std::printf("ours:      median %.3f ms, p95 %.3f ms\n", oursMedian, oursP95);
    std::printf("reference: median %.3f ms, p95 %.3f ms (TypeScript SDK client)\n", refMedian, refP95);
    std::printf("ratio ours/reference: median %.2f, p95 %.2f\n", oursMedian / refMedian, oursP95 / refP95);
    return 0;
}
