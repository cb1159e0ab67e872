#pragma once
#include <QList>
#include <QString>
#include <utility>

// The parts of a Markdown text that are code: fenced blocks (an unclosed fence runs to the end)
// and inline code spans. Text rules that tidy prose leave these parts alone.
class CodeRegions {
public:
    static CodeRegions find(const QString &text);

    // True when [start, end) touches a code part.
    bool overlaps(qsizetype start, qsizetype end) const;
    bool isEmpty() const { return m_regions.isEmpty(); }
    const QList<std::pair<qsizetype, qsizetype>> &regions() const & { return m_regions; }
    // On a temporary (CodeRegions::find(s).regions() in a range-for) the list is handed over by
    // value: a reference would dangle once the full expression ends, before the loop runs.
    QList<std::pair<qsizetype, qsizetype>> regions() && { return std::move(m_regions); }

private:
    QList<std::pair<qsizetype, qsizetype>> m_regions; // sorted, disjoint [start, end)
};
