#pragma once
#include <QList>
#include <QVariantMap>

// One tool-call request as loosely typed data, and a list of them.
struct UnsafeToolCall {
    QVariantMap value;
};

struct UnsafeToolCallBatch {
    QList<QVariantMap> value;
};
