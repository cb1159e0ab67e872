#include "integrations/PipedreamConfig.h"
#include "Platform/AppInfo.h"

namespace {
QString withoutTrailingSlash(QString text)
{
    text = text.trimmed();
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}
}

PipedreamConfig PipedreamConfig::load()
{
    const AppInfo &info = AppInfo::instance();
    PipedreamConfig c;
    c.apiHost = info.configured(QStringLiteral("PipedreamAPIURL"), "TAVO_PIPEDREAM_API_URL");
    c.connectPageHost = info.configured(QStringLiteral("PipedreamConnectPageURL"), "TAVO_PIPEDREAM_CONNECT_URL");
    c.clientId = info.configured(QStringLiteral("PipedreamClientId"), "TAVO_PIPEDREAM_CLIENT_ID");
    c.clientSecret = info.configured(QStringLiteral("PipedreamClientSecret"), "TAVO_PIPEDREAM_CLIENT_SECRET");
    c.projectId = info.configured(QStringLiteral("PipedreamProjectId"), "TAVO_PIPEDREAM_PROJECT_ID");
    c.environment = info.configured(QStringLiteral("PipedreamEnvironment"), "TAVO_PIPEDREAM_ENVIRONMENT");
    c.catalogApiKey = info.configured(QStringLiteral("PipedreamCatalogAPIKey"), "TAVO_PIPEDREAM_CATALOG_KEY");
    c.mcpServerURL = info.configured(QStringLiteral("TavoMCPServerBaseURL"), "TAVO_MCP_SERVER_BASE_URL");
    return c.normalized();
}

PipedreamConfig PipedreamConfig::normalized() const
{
    PipedreamConfig c = *this;
    c.apiHost = withoutTrailingSlash(c.apiHost);
    c.connectPageHost = withoutTrailingSlash(c.connectPageHost);
    c.mcpServerURL = withoutTrailingSlash(c.mcpServerURL);
    c.clientId = c.clientId.trimmed();
    c.clientSecret = c.clientSecret.trimmed();
    c.projectId = c.projectId.trimmed();
    c.catalogApiKey = c.catalogApiKey.trimmed();
    c.environment = c.environment.trimmed();
    if (c.environment.isEmpty())
        c.environment = QStringLiteral("production");
    return c;
}
