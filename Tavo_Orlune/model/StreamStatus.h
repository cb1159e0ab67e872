#pragma once
#include <QList>
#include <QString>
#include <optional>

// The state of a task's answer stream, stored as its raw text.
enum class StreamStatus { Idle, Streaming, Completed, Failed };

QString rawValue(StreamStatus status);
// Exactly one of the four raw values (case-sensitive); anything else builds nothing.
std::optional<StreamStatus> streamStatusFromRaw(const QString &raw);
QList<StreamStatus> allStreamStatuses();
