#pragma once
#include "Platform/Analytics/AnalyticsClient.h"

#include <QList>
#include <QStringList>

// Records every call the usage-analytics facade makes of its client. Install it with
// AnalyticsService::shared().setClient(&recorder) and restore with setClient(nullptr).
class RecordingAnalyticsClient : public AnalyticsClient {
public:
    struct Call {
        QString kind; // "configure", "capture", "identify", "reset"
        QString event; // capture: the event name; identify: the distinct id; configure: the host
        QVariantMap properties;
    };

    void configure(const QString &projectKey, const QString &host) override;
    bool isConfigured() const override { return m_configured; }
    void capture(const QString &event, const QVariantMap &properties) override;
    void identify(const QString &distinctId) override;
    void reset() override;

    const QList<Call> &calls() const { return m_calls; }
    // Captured events only.
    QList<Call> events() const;
    QList<Call> events(const QString &name) const;
    QStringList eventNames() const;
    // The properties of the last capture of that name (empty when none).
    QVariantMap lastProperties(const QString &name) const;
    int count(const QString &name) const { return int(events(name).size()); }
    QString projectKey() const { return m_projectKey; }
    void clear() { m_calls.clear(); }

private:
    QList<Call> m_calls;
    QString m_projectKey;
    bool m_configured = false;
};
