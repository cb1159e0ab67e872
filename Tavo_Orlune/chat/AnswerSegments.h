#pragma once
#include <QString>

#include <memory>
#include <vector>

class QTextDocument;

// An answer's Markdown as a run of segments, each a top-level block (a paragraph, a list, a
// table, a code block, a heading) with its own document, so that the cost of an answer is the
// cost of the segments on screen. Blocks the parser joins across lines (a paragraph that turns
// into a table's header) stay in one segment. When the text changes, only the segments from the
// one before the first changed line are parsed again, and a segment whose text reads the same
// keeps its document and its layout. A segment's document is built when it is first asked for.
// The whole text is never kept or copied: each segment holds its own part.
//
// A reference definition is seen by links anywhere in the text, so an answer that defines one is
// kept as a single segment.
class AnswerSegments {
public:
    AnswerSegments();
    ~AnswerSegments();
    AnswerSegments(const AnswerSegments &) = delete;
    AnswerSegments &operator=(const AnswerSegments &) = delete;

    // Takes a new text; returns how many segments are new or changed (their documents dropped).
    int update(const QString &markdown);
    void clear();

    // The text's length as last taken (the segments hold the text itself).
    qsizetype length() const;
    int count() const { return int(m_segments.size()); }
    QString source(int index) const;
    qsizetype start(int index) const;

    // The segment's document, built on first use.
    QTextDocument *document(int index);
    bool isBuilt(int index) const;
    // The height laid out at a width (lays the segment out when it was not at that width).
    int height(int index, int width);
    bool isMeasured(int index, int width) const;
    // The last measured height, or a guess from the text's length while it was never measured.
    int knownHeight(int index, int width) const;

    // How many times a segment was laid out (built, or laid out at a new width) so far.
    int layoutCount() const { return m_layouts; }

private:
    struct Segment;
    // Where the text first differs from the segments' text; the old length when it only grew.
    qsizetype firstDifference(const QString &markdown) const;

    std::vector<std::unique_ptr<Segment>> m_segments;
    int m_layouts = 0;
};
