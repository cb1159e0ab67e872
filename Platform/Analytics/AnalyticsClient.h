#pragma once
#include <QString>
#include <QVariantMap>

// What the usage-analytics facade needs of an analytics client. A client accepts every call
// at any time and silently drops what it cannot send (before it is configured, say).
class AnalyticsClient {
public:
    virtual ~AnalyticsClient() = default;
    // Points the client at a project and a host; until then every call is dropped.
    virtual void configure(const QString &projectKey, const QString &host) = 0;
    virtual bool isConfigured() const = 0;
    virtual void capture(const QString &event, const QVariantMap &properties) = 0;
    // Later events belong to this user.
    virtual void identify(const QString &distinctId) = 0;
    // Forgets the user: later events are anonymous again.
    virtual void reset() = 0;
};
