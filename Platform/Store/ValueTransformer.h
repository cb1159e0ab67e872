#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>

// A codec for a transformable attribute: the value in memory to the bytes in its column and
// back. Both directions answer a null value (absent) instead of failing.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;
    virtual QByteArray transformedValue(const QVariant &value) const = 0;   // null QByteArray: absent
    virtual QVariant reverseTransformedValue(const QByteArray &data) const = 0; // null QVariant: absent

    // Process-wide registry by name; the store looks attributes' codecs up here.
    static void setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString &name);
    static std::shared_ptr<ValueTransformer> valueTransformer(const QString &name);
};
