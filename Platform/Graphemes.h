#pragma once
#include <QString>
#include <QStringView>

// Lengths and positions that the user sees: extended grapheme clusters, not UTF-16 units.
namespace Graphemes {
// Number of user-perceived characters in text.
qsizetype count(QStringView text);
// count(text) > limit, without walking more of the text than needed.
bool exceeds(QStringView text, qsizetype limit);
// UTF-16 length of the first user-perceived character (0 for an empty text).
qsizetype firstLength(QStringView text);
}
