#include "Platform/Log.h"
#include "mcp/MCPConfigManager.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "McpTestSupport.h"
#include "TestMain.h"
#include "Controller/mcp/ToolRepository.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QtConcurrent>

using namespace McpTestSupport;

namespace {
QMutex g_logMutex;
QStringList g_log;
void captureLog(const QString &line)
{
    QMutexLocker lock(&g_logMutex);
    g_log << line;
}
QStringList takeLog()
{
    QMutexLocker lock(&g_logMutex);
    return std::exchange(g_log, {});
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
}

// The MCP configuration file: its creation, its exact layout, and every change through the
// application's writer.
class McpConfigTest : public QObject {
    Q_OBJECT

    MCPConfigManager &manager() { return MCPConfigManager::shared(); }
    QString path() { return manager().configFilePath(); }

private Q_SLOTS:
    void initTestCase() { Log::setSink(captureLog); }
    void init()
    {
        QFile::remove(path());
        takeLog();
    }

    void allowHttp_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowHttp");
        QTest::newRow("https") << "https://mcp.example.com/abc/sse" << false;
        QTest::newRow("http localhost") << "http://localhost:8080/sse" << false;
        QTest::newRow("http loopback") << "http://127.0.0.1:3001/sse" << false;
        QTest::newRow("http loopback with user") << "http://me@127.0.0.1/sse" << false;
        QTest::newRow("http local network") << "http://192.168.1.20/sse" << true;
        QTest::newRow("http other host") << "http://mcp.example.com/sse" << true;
        // Exact and case-sensitive, on the text as written.
        QTest::newRow("upper-case host") << "http://LOCALHOST/sse" << true;
        QTest::newRow("upper-case scheme") << "HTTP://example.com/sse" << false;
        QTest::newRow("localhost as a prefix") << "http://localhost.example.com/" << true;
        QTest::newRow("not a URL") << "http://exa mple.com/ sse" << false;
        QTest::newRow("no scheme") << "example.com/sse" << false;
    }

    void allowHttp()
    {
        QFETCH(QString, url);
        QFETCH(bool, allowHttp);
        QStringList expected{url, QStringLiteral("--transport"), QStringLiteral("sse-first")};
        if (allowHttp)
            expected << QStringLiteral("--allow-http");
        QCOMPARE(MCPConfigManager::remoteArguments(url), expected);
    }

    void createdWhenMissing()
    {
        // The repository's creation writes the shipped default text as it is.
        QVERIFY(ToolRepository::shared().ensureConfigExistsNow().ok());
        QCOMPARE(readFile(path()), QByteArray("{\n    \"McpServers\": {}\n}"));
        QCOMPARE(readFile(path()).size(), 24);
        QCOMPARE(QFileInfo(path()).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner); // 0600
        QCOMPARE(QFileInfo(QFileInfo(path()).absolutePath()).permissions() & 0x0077, QFileDevice::Permissions());
        QVERIFY(takeLog().contains(QStringLiteral("[ToolRepository] Copying initial config from bundle")));

        // An existing file, even an invalid one, is left alone.
        writeFile(path(), "not json");
        QVERIFY(ToolRepository::shared().ensureConfigExistsNow().ok());
        QCOMPARE(readFile(path()), QByteArray("not json"));
        QVERIFY(takeLog().contains(QStringLiteral("[ToolRepository] MCP config already exists in Application Support")));

        // The writer creates a missing file from the same default.
        QFile::remove(path());
        auto installed = await(manager().isServerInstalled(QStringLiteral("Anything")));
        QVERIFY(!installed);
        QCOMPARE(readFile(path()), QByteArray("{\n    \"McpServers\": {}\n}"));
    }

    void layoutAndReplacement()
    {
        await(manager().addServer(QStringLiteral("Slack"), QStringLiteral("https://mcp.example.com/u/slack")));
        await(manager().addServer(QStringLiteral("Local"), QStringLiteral("http://10.0.0.7:9000/sse")));
        const QByteArray expected =
            "{\n"
            "    \"McpServers\": {\n"
            "        \"Local\": {\n"
            "            \"args\": [\n"
            "                \"http://10.0.0.7:9000/sse\",\n"
            "                \"--transport\",\n"
            "                \"sse-first\",\n"
            "                \"--allow-http\"\n"
            "            ],\n"
            "            \"command\": \"mcp-remote\"\n"
            "        },\n"
            "        \"Slack\": {\n"
            "            \"args\": [\n"
            "                \"https://mcp.example.com/u/slack\",\n"
            "                \"--transport\",\n"
            "                \"sse-first\"\n"
            "            ],\n"
            "            \"command\": \"mcp-remote\"\n"
            "        }\n"
            "    }\n"
            "}";
        QCOMPARE(readFile(path()), expected);

        // The same name again replaces the entry whole.
        await(manager().addServer(QStringLiteral("Slack"), QStringLiteral("https://other.example.com/slack")));
        auto config = manager().loadConfig();
        QVERIFY(config.ok());
        QCOMPARE(config.value().mcpServers.size(), 2);
        QCOMPARE(config.value().mcpServers.value(QStringLiteral("Slack")).args.first(), QStringLiteral("https://other.example.com/slack"));

        // Removing an absent name rewrites the same servers; removing one drops it.
        await(manager().removeServer(QStringLiteral("Nobody")));
        QCOMPARE(manager().loadConfig().value().mcpServers.size(), 2);
        await(manager().removeServer(QStringLiteral("Local")));
        QCOMPARE(manager().loadConfig().value().mcpServers.keys(), QStringList{QStringLiteral("Slack")});
        // The runtime reads what the writer wrote.
        auto runtime = McpServerConfigurationCollection::decode(readFile(path()));
        QVERIFY(runtime.ok());
        QCOMPARE(runtime.value().mcpServers.value(QStringLiteral("Slack")).command, QStringLiteral("mcp-remote"));
    }

    void perplexityOnce()
    {
        await(manager().addPerplexityServerIfNeeded());
        QVERIFY(takeLog().contains(QStringLiteral("✅ Added Perplexity server to MCP config")));
        const QByteArray first = readFile(path());
        await(manager().addPerplexityServerIfNeeded());
        QVERIFY(takeLog().contains(QStringLiteral("ℹ️ Perplexity server is already installed")));
        QCOMPARE(readFile(path()), first);
        const MCPServerConfig entry = manager().loadConfig().value().mcpServers.value(QStringLiteral("Perplexity"));
        QCOMPARE(entry.command, QStringLiteral("mcp-remote"));
        QCOMPARE(entry.args, (QStringList{QStringLiteral("https://mcp.pipedream.net/5b2e8d71-0c4a-4f93-9e16-a7d3c08b5f24/perplexity"),
                                          QStringLiteral("--transport"), QStringLiteral("sse-first")}));
    }

    void entryWithoutArgs()
    {
        const QByteArray broken = "{\"McpServers\": {\"Bad\": {\"command\": \"x\"}}}";
        writeFile(path(), broken);
        QVERIFY(!failureOf(manager().isServerInstalled(QStringLiteral("Bad"))).isEmpty());
        QVERIFY(!failureOf(manager().addServer(QStringLiteral("New"), QStringLiteral("https://a.example/sse"))).isEmpty());
        QVERIFY(!failureOf(manager().removeServer(QStringLiteral("Bad"))).isEmpty());
        QVERIFY(!failureOf(manager().addPerplexityServerIfNeeded()).isEmpty());
        QCOMPARE(readFile(path()), broken); // nothing was written over it
        takeLog();
        await(manager().printConfig());
        const QStringList log = takeLog();
        QVERIFY(std::any_of(log.begin(), log.end(), [](const QString &l) { return l.startsWith(QStringLiteral("Error reading config: ")); }));
        QVERIFY(!McpServerConfigurationCollection::decode(broken).ok());
    }

    void handWrittenEnvIsKept()
    {
        writeFile(path(), "{\"McpServers\": {\"Tools\": {\"command\": \"/opt/tools/server\", \"args\": [],"
                          " \"env\": {\"API_TOKEN\": \"abc\", \"MODE\": \"fast\"}}}}");
        await(manager().addServer(QStringLiteral("Other"), QStringLiteral("https://b.example/sse")));
        await(manager().removeServer(QStringLiteral("Other")));
        auto runtime = McpServerConfigurationCollection::decode(readFile(path()));
        QVERIFY(runtime.ok());
        const auto env = runtime.value().mcpServers.value(QStringLiteral("Tools")).env;
        QVERIFY(env.has_value());
        QCOMPARE(env->value(QStringLiteral("API_TOKEN")), QStringLiteral("abc"));
        QCOMPARE(env->value(QStringLiteral("MODE")), QStringLiteral("fast"));
    }

    void concurrentChangesAreNotLost()
    {
        // Writers on several threads at once: every change survives.
        QList<QFuture<void>> adds;
        QList<QFuture<QFuture<void>>> fromThreads;
        for (int i = 0; i < 10; ++i)
            adds << manager().addServer(QStringLiteral("main-%1").arg(i), QStringLiteral("https://m.example/%1").arg(i));
        for (int i = 0; i < 10; ++i)
            fromThreads << QtConcurrent::run([this, i] {
                return manager().addServer(QStringLiteral("pool-%1").arg(i), QStringLiteral("https://p.example/%1").arg(i));
            });
        for (auto &f : adds)
            await(f);
        for (auto &f : fromThreads)
            await(await(f));
        QCOMPARE(manager().loadConfig().value().mcpServers.size(), 20);
    }

    void runtimeReaderIsStrict_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("readable");
        QTest::newRow("empty table") << QByteArray("{\"McpServers\": {}}") << true;
        QTest::newRow("null env") << QByteArray("{\"McpServers\": {\"a\": {\"command\": \"c\", \"args\": [], \"env\": null}}}") << true;
        QTest::newRow("extra members") << QByteArray("{\"x\": 1, \"McpServers\": {\"a\": {\"command\": \"c\", \"args\": [\"1\"], \"y\": 2}}}") << true;
        QTest::newRow("lower-case key") << QByteArray("{\"mcpServers\": {}}") << false;
        QTest::newRow("args not a list") << QByteArray("{\"McpServers\": {\"a\": {\"command\": \"c\", \"args\": \"x\"}}}") << false;
        QTest::newRow("env not text") << QByteArray("{\"McpServers\": {\"a\": {\"command\": \"c\", \"args\": [], \"env\": {\"K\": 1}}}}") << false;
        QTest::newRow("env a number") << QByteArray("{\"McpServers\": {\"a\": {\"command\": \"c\", \"args\": [], \"env\": 5}}}") << false;
        QTest::newRow("env a list") << QByteArray("{\"McpServers\": {\"a\": {\"command\": \"c\", \"args\": [], \"env\": []}}}") << false;
        QTest::newRow("truncated") << QByteArray("{\"McpServers\": {\"a\": {\"comm") << false;
        QTest::newRow("garbage") << QByteArray("<html>") << false;
    }

    void runtimeReaderIsStrict()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, readable);
        QCOMPARE(McpServerConfigurationCollection::decode(json).ok(), readable);
        // The application reads the file by the same rules.
        QCOMPARE(MCPConfig::decode(json).ok(), readable);
    }

    // Text the file holds as escapes with no UTF-8 form (a lone surrogate half) is written back
    // as the same escape: rewriting the file changes nothing the user wrote.
    void loneSurrogateSurvivesRewrite()
    {
        const QByteArray json = "{\"McpServers\": {\"Tools\": {\"command\": \"/opt/x\", \"args\": [\"a\\ud800b\", \"\\udc01\", \"\\ud83d\\ude00\"],"
                                " \"env\": {\"K\\udfff\": \"v\\ud801\"}}}}";
        const auto first = MCPConfig::decode(json);
        QVERIFY(first.ok());
        const MCPServerConfig tools = first.value().mcpServers.value(QStringLiteral("Tools"));
        QCOMPARE(tools.args.value(0), QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"));
        const QByteArray written = first.value().encode();
        QVERIFY2(written.contains("a\\ud800b") && written.contains("\\udc01") && written.contains("\\udfff")
                     && written.contains("\\ud801"),
                 written.constData());
        QVERIFY(!written.contains('?'));
        const auto again = MCPConfig::decode(written);
        QVERIFY(again.ok());
        QCOMPARE(again.value().mcpServers, first.value().mcpServers);
        QCOMPARE(again.value().encode(), written);

        // Through the writer: another entry added and removed leaves the entry as it was.
        writeFile(path(), json);
        await(manager().addServer(QStringLiteral("Other"), QStringLiteral("https://b.example/sse")));
        await(manager().removeServer(QStringLiteral("Other")));
        QCOMPARE(manager().loadConfig().value().mcpServers, first.value().mcpServers);
    }
};

TAVO_TEST_MAIN(McpConfigTest)
#include "tst_mcpconfig.moc"
