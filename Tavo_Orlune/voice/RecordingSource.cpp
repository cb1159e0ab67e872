#include "voice/RecordingSource.h"

namespace RecordingSources {

QList<RecordingSource> allCases()
{
    return {RecordingSource::flower, RecordingSource::panel, RecordingSource::canvas,
            RecordingSource::chat, RecordingSource::transcript, RecordingSource::unknown};
}

QString rawValue(RecordingSource source)
{
    switch (source) {
    case RecordingSource::flower: return QStringLiteral("flower");
    case RecordingSource::panel: return QStringLiteral("panel");
    case RecordingSource::canvas: return QStringLiteral("canvas");
    case RecordingSource::chat: return QStringLiteral("chat");
    case RecordingSource::transcript: return QStringLiteral("transcript");
    case RecordingSource::unknown: break;
    }
    return QStringLiteral("unknown");
}

RecordingSource fromName(const QString &name)
{
    const QString lowered = name.toLower();
    for (RecordingSource source : allCases())
        if (rawValue(source) == lowered)
            return source;
    return RecordingSource::unknown;
}

} // namespace RecordingSources
