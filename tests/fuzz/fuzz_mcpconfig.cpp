// The MCP configuration decoder: any file decodes or fails without crashing, the application and
// the tool runtime accept the same files, and a decoded file encoded and decoded again is the
// same configuration, written the same way.
#include "FuzzSupport.h"
#include "Controller/mcp/McpServerConfiguration.h"
#include "mcp/MCPConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto app = MCPConfig::decode(json);
    const auto runtime = McpServerConfigurationCollection::decode(json);
    const QString input = QString::fromUtf8(json);
    if (app.ok() != runtime.ok())
        Fuzz::fail("the two readers disagree", input, app.ok() ? QStringLiteral("app reads it") : app.error().localizedDescription(),
                   runtime.ok() ? QStringLiteral("runtime reads it") : runtime.error().localizedDescription());
    if (!app.ok())
        return 0;
    const QByteArray written = app.value().encode();
    const auto again = MCPConfig::decode(written);
    if (!again.ok())
        Fuzz::fail("what was written cannot be read", input, QString::fromUtf8(written), again.error().localizedDescription());
    if (!(again.value().mcpServers == app.value().mcpServers) || again.value().encode() != written)
        Fuzz::fail("encode then decode changed the configuration", input, QString::fromUtf8(again.value().encode()),
                   QString::fromUtf8(written));
    const auto runtimeAgain = McpServerConfigurationCollection::decode(written);
    if (!runtimeAgain.ok() || !(runtimeAgain.value().mcpServers == runtime.value().mcpServers))
        Fuzz::fail("the runtime reads the rewritten file differently", input, QString::fromUtf8(written), QString());
    return 0;
}
