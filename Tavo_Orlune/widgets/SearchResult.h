#pragma once
#include <QString>
#include <QUuid>

enum class SearchResultType { task };

// One result record of a prompt field's model; nothing fills these yet.
struct SearchResult {
    QUuid id;
    QString title;
    SearchResultType type = SearchResultType::task;
    double matchScore = 0;

    friend bool operator==(const SearchResult &, const SearchResult &) = default;
};
