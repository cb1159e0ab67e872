#pragma once
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

// The usage events of the voice features, sent through the application's analytics facade.
namespace VoiceAnalytics {
// "error_occurred" with the error's description and type name, the context and extras.
void trackError(const QString &errorDescription, const QString &errorType, const QString &context, const QVariantMap &extra);
// "transcription_interaction" with the action, the word count when given, and properties.
void trackTranscriptionInteraction(const QString &action, std::optional<int> wordCount, const QVariantMap &properties);

// Tests observe the events (name and properties, before the timestamp is added).
using Observer = std::function<void(const QString &event, const QVariantMap &properties)>;
void setObserver(Observer observer);
}
