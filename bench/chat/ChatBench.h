#pragma once
// What the chat benchmarks share: the streamed answer they feed and how they sum up timings.
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace ChatBench {

// A Markdown answer of the given size: headings, paragraphs with inline styles, lists, code
// blocks and tables, the same text on every run.
inline QString markdownAnswer(qsizetype size)
{
    QRandomGenerator rng(42);
    static const QStringList words = {"assistant", "result", "the", "of", "data", "**important**", "`value`", "quickly",
                                      "[docs](https://example.com/docs)", "and", "with", "café", "😀", "*note*", "~~old~~"};
    QString s;
    int section = 0;
    while (s.size() < size) {
        s += QStringLiteral("## Section %1\n\n").arg(++section);
        for (int p = 0; p < 3; ++p) {
            for (int w = 0; w < 60; ++w)
                s += words[rng.bounded(int(words.size()))] + QLatin1Char(' ');
            s += QStringLiteral("\n\n");
        }
        for (int i = 0; i < 4; ++i)
            s += QStringLiteral("- item %1 with a `code` span\n").arg(i);
        s += QStringLiteral("\n```cpp\nint answer() {\n    return %1;\n}\n```\n\n").arg(section);
        s += QStringLiteral("| Name | Value | Note |\n|:--|--:|:-:|\n| alpha | %1 | ok |\n| beta | %2 | **bold** |\n\n")
                 .arg(section)
                 .arg(section * 2);
    }
    s.truncate(size);
    return s;
}

inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace ChatBench
