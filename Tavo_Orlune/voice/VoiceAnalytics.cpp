#include "VoiceAnalytics.h"

#include "Log.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace VoiceAnalytics {
namespace {
Observer &observer()
{
    static Observer o;
    return o;
}

QString describe(const QVariantMap &properties)
{
    return QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(properties)).toJson(QJsonDocument::Compact));
}

void send(const QString &event, const QVariantMap &properties)
{
    if (observer())
        observer()(event, properties);
}
}

void setObserver(Observer o)
{
    observer() = std::move(o);
}

void trackError(const QString &errorDescription, const QString &errorType, const QString &context, const QVariantMap &extra)
{
    QVariantMap properties{{QStringLiteral("error_message"), errorDescription},
                           {QStringLiteral("error_type"), errorType},
                           {QStringLiteral("context"), context}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        properties.insert(it.key(), it.value());
    send(QStringLiteral("error_occurred"), properties);
    Log::line(QStringLiteral("[AnalyticsService] Error tracked: ") + errorDescription + QStringLiteral(" - context: ") + context);
}

void trackTranscriptionInteraction(const QString &action, std::optional<int> wordCount, const QVariantMap &properties)
{
    QVariantMap all{{QStringLiteral("action"), action}};
    if (wordCount)
        all.insert(QStringLiteral("word_count"), *wordCount);
    for (auto it = properties.begin(); it != properties.end(); ++it)
        all.insert(it.key(), it.value());
    send(QStringLiteral("transcription_interaction"), all);
    QString line = QStringLiteral("[AnalyticsService] Transcription interaction tracked: ") + action;
    if (wordCount)
        line += QStringLiteral(" - word count: ") + QString::number(*wordCount);
    line += QStringLiteral(" - properties: ") + describe(properties);
    Log::line(line);
}
}
