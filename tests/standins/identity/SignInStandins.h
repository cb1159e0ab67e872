#pragma once
// The sign-in services' outside world for a test: the identity-service and account API stand-ins,
// the hosted-login client and account API client pointed at them, an in-memory credentials
// store and a browser that follows the identity service's redirects.
#include "AccountApiStandin.h"
#include "BrowserHook.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "account/RemoteService.h"

#include <QString>

struct SignInStandins {
    IdentityStandin *idp = nullptr;
    AccountApiStandin *api = nullptr;
    HostedLoginClient *client = nullptr;
    RemoteService *remote = nullptr;
    InMemoryCredentialsStore *store = nullptr;
    BrowserHook *browser = nullptr;

    // False when a stand-in could not listen.
    bool start(QObject *owner)
    {
        idp = new IdentityStandin(owner);
        api = new AccountApiStandin(owner);
        if (!idp->start() || !api->start())
            return false;
        client = new HostedLoginClient(QStringLiteral("client-1"), idp->domain(), owner);
        remote = new RemoteService(api->baseUrl(), owner);
        store = new InMemoryCredentialsStore;
        browser = new BrowserHook(owner);
        return true;
    }
    void stop()
    {
        delete browser;
        delete remote;
        delete client;
        delete api;
        delete idp;
        delete store;
        *this = {};
    }
};
