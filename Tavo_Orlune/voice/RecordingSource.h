#pragma once
#include <QList>
#include <QString>

// Which surface started a recording; the recorder belongs to it until it stops.
enum class RecordingSource { flower, panel, canvas, chat, transcript, unknown };

namespace RecordingSources {
QList<RecordingSource> allCases();
QString rawValue(RecordingSource source);
// A caller's name, lower-cased and matched exactly against the raw values; anything else is
// unknown ("FlowerWindow" and "ChatView" are unknown).
RecordingSource fromName(const QString &name);
}
