#pragma once
#include <QString>

// The integration platform's deployment configuration: Info.plist keys, each overridden by an
// environment variable (see the README). Nothing here is compiled in.
struct PipedreamConfig {
    QString apiHost;         // scheme and host of the platform's API, no trailing slash
    QString connectPageHost; // scheme and host of the hosted connect page
    QString clientId;
    QString clientSecret;
    QString projectId;
    QString environment = QStringLiteral("production");
    QString catalogApiKey;
    QString mcpServerURL;    // the maker's web app that serves the per-user MCP endpoints

    // apiHost + "/v1": the base of the Connect API's paths.
    QString apiBaseURL() const { return apiHost + QStringLiteral("/v1"); }
    // apiHost + "/v1/apps": the catalog endpoint.
    QString catalogURL() const { return apiHost + QStringLiteral("/v1/apps"); }

    static PipedreamConfig load();
    // Addresses lose their trailing slashes; an empty environment becomes "production".
    PipedreamConfig normalized() const;
};
