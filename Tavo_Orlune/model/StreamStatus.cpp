#include "model/StreamStatus.h"

QString rawValue(StreamStatus status)
{
    switch (status) {
    case StreamStatus::Idle: return QStringLiteral("idle");
    case StreamStatus::Streaming: return QStringLiteral("streaming");
    case StreamStatus::Completed: return QStringLiteral("completed");
    case StreamStatus::Failed: return QStringLiteral("failed");
    }
    return {};
}

std::optional<StreamStatus> streamStatusFromRaw(const QString &raw)
{
    for (StreamStatus s : allStreamStatuses())
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

QList<StreamStatus> allStreamStatuses()
{
    return {StreamStatus::Idle, StreamStatus::Streaming, StreamStatus::Completed, StreamStatus::Failed};
}
