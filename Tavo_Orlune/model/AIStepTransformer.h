#pragma once
#include "model/ChatMessageTypes.h"
#include "Platform/Store/ValueTransformer.h"

// Stores a reply's step list as JSON: an array of {"id", "stepNumber", "description",
// "status", "details" (left out when absent), "timestamp" (seconds since 2001-01-01 UTC)}.
// A list that cannot be coded, or stored bytes that do not decode as a whole, are absent.
class AIStepTransformer : public ValueTransformer {
public:
    QByteArray transformedValue(const QVariant &value) const override;
    QVariant reverseTransformedValue(const QByteArray &data) const override;

    static QByteArray encode(const QList<AIReplyStep> &steps);
    static std::optional<QList<AIReplyStep>> decode(const QByteArray &data);
    // Registers an instance under the name "AIStepTransformer" (before any store opens).
    static void registerTransformer();
};
