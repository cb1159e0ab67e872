#include "RecordingAnalyticsClient.h"

void RecordingAnalyticsClient::configure(const QString &projectKey, const QString &host)
{
    m_projectKey = projectKey;
    m_configured = true;
    m_calls.append({QStringLiteral("configure"), host, {}});
}

void RecordingAnalyticsClient::capture(const QString &event, const QVariantMap &properties)
{
    m_calls.append({QStringLiteral("capture"), event, properties});
}

void RecordingAnalyticsClient::identify(const QString &distinctId)
{
    m_calls.append({QStringLiteral("identify"), distinctId, {}});
}

void RecordingAnalyticsClient::reset()
{
    m_calls.append({QStringLiteral("reset"), {}, {}});
}

QList<RecordingAnalyticsClient::Call> RecordingAnalyticsClient::events() const
{
    QList<Call> out;
    for (const auto &c : m_calls)
        if (c.kind == QLatin1String("capture"))
            out.append(c);
    return out;
}

QList<RecordingAnalyticsClient::Call> RecordingAnalyticsClient::events(const QString &name) const
{
    QList<Call> out;
    for (const auto &c : m_calls)
        if (c.kind == QLatin1String("capture") && c.event == name)
            out.append(c);
    return out;
}

QStringList RecordingAnalyticsClient::eventNames() const
{
    QStringList out;
    for (const auto &c : m_calls)
        if (c.kind == QLatin1String("capture"))
            out.append(c.event);
    return out;
}

QVariantMap RecordingAnalyticsClient::lastProperties(const QString &name) const
{
    const auto list = events(name);
    return list.isEmpty() ? QVariantMap() : list.last().properties;
}
