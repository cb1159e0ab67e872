#include "Platform/PlistReader.h"

#include <QDateTime>
#include <QFile>
#include <QXmlStreamReader>

namespace {

std::optional<QVariant> readValue(QXmlStreamReader &xml, QString *error);

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

std::optional<QVariant> readDict(QXmlStreamReader &xml, QString *error)
{
    QVariantMap map;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"key") {
            fail(error, QStringLiteral("expected <key> in <dict>"));
            return std::nullopt;
        }
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) {
            fail(error, QStringLiteral("key without value: ") + key);
            return std::nullopt;
        }
        auto value = readValue(xml, error);
        if (!value)
            return std::nullopt;
        map.insert(key, *value);
    }
    return QVariant(map);
}

std::optional<QVariant> readArray(QXmlStreamReader &xml, QString *error)
{
    QVariantList list;
    while (xml.readNextStartElement()) {
        auto value = readValue(xml, error);
        if (!value)
            return std::nullopt;
        list.append(*value);
    }
    return QVariant(list);
}

// Expects the reader on a start element; leaves it on the matching end element.
std::optional<QVariant> readValue(QXmlStreamReader &xml, QString *error)
{
    const auto name = xml.name();
    if (name == u"dict")
        return readDict(xml, error);
    if (name == u"array")
        return readArray(xml, error);
    if (name == u"string")
        return QVariant(xml.readElementText());
    if (name == u"integer") {
        bool ok = false;
        const qint64 n = xml.readElementText().trimmed().toLongLong(&ok);
        if (!ok) {
            fail(error, QStringLiteral("bad <integer>"));
            return std::nullopt;
        }
        return QVariant(n);
    }
    if (name == u"real") {
        bool ok = false;
        const double d = xml.readElementText().trimmed().toDouble(&ok);
        if (!ok) {
            fail(error, QStringLiteral("bad <real>"));
            return std::nullopt;
        }
        return QVariant(d);
    }
    if (name == u"true" || name == u"false") {
        const bool b = name == u"true";
        xml.skipCurrentElement();
        return QVariant(b);
    }
    if (name == u"data")
        return QVariant(QByteArray::fromBase64(xml.readElementText().simplified().toLatin1()));
    if (name == u"date")
        return QVariant(QDateTime::fromString(xml.readElementText().trimmed(), Qt::ISODate));
    fail(error, QStringLiteral("unknown element <%1>").arg(name.toString()));
    return std::nullopt;
}

} // namespace

namespace PlistReader {

std::optional<QVariant> parse(const QByteArray &data, QString *error)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist") {
        fail(error, QStringLiteral("not a property list"));
        return std::nullopt;
    }
    if (!xml.readNextStartElement()) {
        fail(error, QStringLiteral("empty property list"));
        return std::nullopt;
    }
    auto value = readValue(xml, error);
    if (!value)
        return std::nullopt;
    if (xml.hasError()) {
        fail(error, xml.errorString());
        return std::nullopt;
    }
    return value;
}

std::optional<QVariantMap> readDictionary(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    auto value = parse(file.readAll(), error);
    if (!value)
        return std::nullopt;
    if (value->typeId() != QMetaType::QVariantMap) {
        fail(error, QStringLiteral("top level is not a dictionary"));
        return std::nullopt;
    }
    return value->toMap();
}

} // namespace PlistReader
