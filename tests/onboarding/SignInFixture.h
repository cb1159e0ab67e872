#pragma once
#include "AccountApiStandin.h"
#include "BrowserHook.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "RecordingAnalyticsClient.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"
#include "analytics/AnalyticsService.h"
#include "widgets/BackgroundVisibilityManager.h"

#include <QTest>
#include <memory>

// The sign-in services of one test, over the identity and account API stand-ins: a browser
// that follows the login redirects, credentials in memory, usage events recorded.
struct SignInFixture {
    IdentityStandin idp;
    AccountApiStandin api;
    std::unique_ptr<HostedLoginClient> client;
    std::unique_ptr<RemoteService> remote;
    InMemoryCredentialsStore store;
    std::unique_ptr<Auth0Manager> auth0;
    std::unique_ptr<AuthenticationManager> auth;
    BrowserHook browser;
    RecordingAnalyticsClient analytics;
    BackgroundVisibilityManager bgManager;

    bool start()
    {
        if (!idp.start() || !api.start())
            return false;
        client = std::make_unique<HostedLoginClient>(QStringLiteral("client-1"), idp.domain());
        remote = std::make_unique<RemoteService>(api.baseUrl());
        auth0 = std::make_unique<Auth0Manager>(client.get(), &store, QStringLiteral("https://api.example.test"));
        auth = std::make_unique<AuthenticationManager>(auth0.get(), remote.get());
        AnalyticsService::shared().setClient(&analytics);
        AnalyticsService::shared().reset();
        analytics.clear();
        return QTest::qWaitFor([this] { return !auth->isInitializing(); }, 10000);
    }
    ~SignInFixture()
    {
        AnalyticsService::shared().setClient(nullptr);
        auth.reset();
        auth0.reset();
    }
};
