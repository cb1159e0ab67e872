#pragma once
#include <QString>
#include <QStringList>

// The web addresses in an assistant answer (Markdown), in text order, duplicates kept:
// addresses wrapped onto the next line are joined first, then each match is cleaned of
// trailing punctuation and kept when it is a valid web address.
QStringList extractURLs(const QString &text);
// The cleanup applied to each match (also usable on any candidate text).
QString cleanExtractedURL(const QString &candidate);
