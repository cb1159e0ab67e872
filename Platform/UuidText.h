#pragma once
#include <QString>
#include <QUuid>
#include <optional>

// The one text form of a UUID: upper case, hyphenated, no braces.
namespace UuidText {
QString toText(const QUuid &uuid);
// Accepts only the 36-character hyphenated form (hex digits in either case); anything else,
// braces, URNs and the nil-free compact form included, is rejected.
std::optional<QUuid> parse(QStringView text);
QString newText();
}
