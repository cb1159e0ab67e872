#include "model/AIStepTransformer.h"
#include "Platform/Scheduler.h"
#include "Platform/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

QByteArray AIStepTransformer::encode(const QList<AIReplyStep> &steps)
{
    QJsonArray array;
    for (const AIReplyStep &s : steps) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), UuidText::toText(s.id));
        o.insert(QStringLiteral("stepNumber"), s.stepNumber);
        o.insert(QStringLiteral("description"), s.description);
        o.insert(QStringLiteral("status"), rawValue(s.status));
        if (s.details)
            o.insert(QStringLiteral("details"), *s.details);
        o.insert(QStringLiteral("timestamp"), Scheduler::secondsSince2001(s.timestamp));
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<AIReplyStep>> AIStepTransformer::decode(const QByteArray &data)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<AIReplyStep> steps;
    for (const QJsonValue &v : doc.array()) {
        if (!v.isObject())
            return std::nullopt;
        const QJsonObject o = v.toObject();
        const QJsonValue id = o.value(QStringLiteral("id"));
        const QJsonValue number = o.value(QStringLiteral("stepNumber"));
        const QJsonValue description = o.value(QStringLiteral("description"));
        const QJsonValue status = o.value(QStringLiteral("status"));
        const QJsonValue details = o.value(QStringLiteral("details"));
        const QJsonValue timestamp = o.value(QStringLiteral("timestamp"));
        if (!id.isString() || !number.isDouble() || !description.isString() || !status.isString() || !timestamp.isDouble())
            return std::nullopt;
        const double n = number.toDouble();
        if (n != std::floor(n) || std::abs(n) > 9007199254740992.0)
            return std::nullopt;
        const std::optional<QUuid> uuid = UuidText::parse(id.toString());
        const std::optional<AIStepStatus> st = aIStepStatusFromRaw(status.toString());
        if (!uuid || !st)
            return std::nullopt;
        if (!details.isUndefined() && !details.isNull() && !details.isString())
            return std::nullopt;
        AIReplyStep step;
        step.id = *uuid;
        step.stepNumber = qint64(n);
        step.description = description.toString();
        step.status = *st;
        if (details.isString())
            step.details = details.toString();
        step.timestamp = Scheduler::fromSecondsSince2001(timestamp.toDouble());
        steps.append(step);
    }
    return steps;
}

QByteArray AIStepTransformer::transformedValue(const QVariant &value) const
{
    if (!value.isValid() || value.metaType() != QMetaType::fromType<QList<AIReplyStep>>())
        return {};
    return encode(value.value<QList<AIReplyStep>>());
}

QVariant AIStepTransformer::reverseTransformedValue(const QByteArray &data) const
{
    if (data.isNull())
        return {};
    const auto steps = decode(data);
    return steps ? QVariant::fromValue(*steps) : QVariant();
}

void AIStepTransformer::registerTransformer()
{
    ValueTransformer::setValueTransformer(std::make_shared<AIStepTransformer>(), QStringLiteral("AIStepTransformer"));
}
