#include "chat/AnswerSegments.h"

#include "chat/MarkdownDocument.h"

#include <QRegularExpression>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

struct AnswerSegments::Segment {
    qsizetype start = 0;
    QString source;
    bool definesReferences = false;
    std::unique_ptr<QTextDocument> document;
    int width = -1; // the width the height was measured at; -1 never measured
    int height = 0;
    mutable int guessWidth = -1; // the guess from the text's length, at one width
    mutable int guess = 0;
};

namespace {

// A line that may define a link reference ("[name]: target"), also inside quotes and lists.
bool mayDefineReferences(const QString &text)
{
    if (!text.contains(QLatin1String("]:")))
        return false;
    // A label may run over line breaks.
    static const QRegularExpression re(QStringLiteral("^[ \\t>*+\\-0-9.)]*\\[[^\\]]+\\]:"),
                                       QRegularExpression::MultilineOption);
    return re.match(text).hasMatch();
}

// Where each line of the text starts; a line ends at "\r\n", "\r" or "\n", as the parser reads it.
std::vector<qsizetype> lineStarts(QStringView text)
{
    std::vector<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            starts.push_back(i + 1);
        } else if (c == QLatin1Char('\n')) {
            starts.push_back(i + 1);
        }
    }
    return starts;
}

// The start of the line that holds `at`: after the last line break before it.
qsizetype lineStartBefore(QStringView text, qsizetype at)
{
    qsizetype i = std::min(at, text.size());
    while (i > 0 && text[i - 1] != QLatin1Char('\n') && text[i - 1] != QLatin1Char('\r'))
        --i;
    // "\r|\n": the line feed ends the line the carriage return began to end.
    return i;
}


int guessHeight(const QString &source, int width)
{
    // About 7 px per character and 18 px per line at the body size; blank lines are block gaps.
    const int perLine = std::max(10, width / 7);
    int lines = 0;
    qsizetype lineLength = 0;
    for (const QChar c : source) {
        if (c == QLatin1Char('\n')) {
            lines += lineLength > 0 ? int(lineLength / perLine) + 1 : 0;
            lineLength = 0;
        } else {
            ++lineLength;
        }
    }
    lines += lineLength > 0 ? int(lineLength / perLine) + 1 : 0;
    return std::max(1, lines) * 18 + 8;
}

}

AnswerSegments::AnswerSegments() = default;
AnswerSegments::~AnswerSegments() = default;

void AnswerSegments::clear()
{
    m_segments.clear();
}

qsizetype AnswerSegments::length() const
{
    return m_segments.empty() ? 0 : m_segments.back()->start + m_segments.back()->source.size();
}

qsizetype AnswerSegments::firstDifference(const QString &markdown) const
{
    for (const auto &s : m_segments) {
        const QStringView had(s->source);
        const QStringView now = QStringView(markdown).mid(std::min(s->start, markdown.size()), had.size());
        if (now == had)
            continue; // one fast comparison per segment
        const auto [a, b] = std::mismatch(had.begin(), had.begin() + now.size(), now.begin());
        return s->start + qsizetype(a - had.begin());
    }
    return length();
}

QString AnswerSegments::source(int i) const { return i >= 0 && i < count() ? m_segments[size_t(i)]->source : QString(); }

qsizetype AnswerSegments::start(int i) const { return i >= 0 && i < count() ? m_segments[size_t(i)]->start : 0; }

int AnswerSegments::update(const QString &markdown)
{
    const qsizetype changedAt = firstDifference(markdown);
    if (changedAt == length() && markdown.size() == length())
        return 0;
    if (m_segments.empty() && markdown.isEmpty())
        return 0;

    // The segment that holds the line before the first changed line is parsed again, and all
    // after it: a segment that starts on an unchanged line was closed by that line.
    size_t from = 0;
    const bool single = m_segments.size() == 1 && m_segments.front()->definesReferences;
    if (!m_segments.empty() && !single) {
        const qsizetype changedLine = lineStartBefore(markdown, changedAt);
        for (size_t i = m_segments.size(); i-- > 0;) {
            if (m_segments[i]->start < changedLine) {
                from = i;
                break;
            }
        }
    }
    const qsizetype tailStart = from < m_segments.size() ? m_segments[from]->start : 0;
    const QStringView tail = QStringView(markdown).mid(tailStart);

    std::vector<std::unique_ptr<Segment>> fresh;
    {
        const QString tailText = tail.toString();
        const std::vector<MarkdownDocument::BlockLines> blocks = MarkdownDocument::topLevelBlocks(tailText);
        const std::vector<qsizetype> lines = lineStarts(tail);
        // A paragraph whose last lines became a table's header is left without a place by the
        // parser; the table starts on the paragraph's first line, so such a block goes with the
        // block after it.
        std::vector<MarkdownDocument::BlockLines> placed;
        for (const auto &b : blocks)
            if (b.startLine >= 1 && b.endLine >= b.startLine)
                placed.push_back(b);
        std::vector<qsizetype> cuts{0};
        for (size_t j = 1; j < placed.size(); ++j) {
            const auto &prev = placed[j - 1];
            const auto &b = placed[j];
            if (b.startLine > prev.endLine && size_t(b.startLine) <= lines.size())
                cuts.push_back(lines[size_t(b.startLine) - 1]);
        }
        if (!blocks.empty() || !tail.isEmpty()) {
            for (size_t c = 0; c < cuts.size(); ++c) {
                const qsizetype end = c + 1 < cuts.size() ? cuts[c + 1] : tail.size();
                auto s = std::make_unique<Segment>();
                s->start = tailStart + cuts[c];
                s->source = tail.mid(cuts[c], end - cuts[c]).toString();
                s->definesReferences = mayDefineReferences(s->source);
                fresh.push_back(std::move(s));
            }
        }
        if (blocks.empty() && tail.trimmed().isEmpty())
            fresh.clear(); // nothing to show after the kept segments
    }

    bool references = false;
    for (size_t i = 0; i < from && !references; ++i)
        references = m_segments[i]->definesReferences;
    for (const auto &s : fresh)
        references = references || s->definesReferences;
    if (references) {
        // One segment of the whole text; its document is kept only when nothing changed.
        auto s = std::make_unique<Segment>();
        s->start = 0;
        s->source = markdown;
        s->definesReferences = true;
        m_segments.clear();
        m_segments.push_back(std::move(s));
        return 1;
    }

    // Segments of the new tail that read as before keep their documents and heights: matched
    // from the front, then from the back (a change in the middle keeps what follows it).
    std::vector<std::unique_ptr<Segment>> oldTail;
    for (size_t i = from; i < m_segments.size(); ++i)
        oldTail.push_back(std::move(m_segments[i]));
    m_segments.resize(from);
    std::vector<bool> reused(fresh.size(), false);
    size_t front = 0;
    while (front < fresh.size() && front < oldTail.size() && fresh[front]->source == oldTail[front]->source) {
        const qsizetype at = fresh[front]->start;
        fresh[front] = std::move(oldTail[front]);
        fresh[front]->start = at;
        reused[front] = true;
        ++front;
    }
    for (size_t back = 1; back <= fresh.size() - front && back <= oldTail.size() - front; ++back) {
        std::unique_ptr<Segment> &n = fresh[fresh.size() - back];
        std::unique_ptr<Segment> &o = oldTail[oldTail.size() - back];
        if (n->source != o->source)
            break;
        const qsizetype at = n->start;
        n = std::move(o);
        n->start = at;
        reused[fresh.size() - back] = true;
    }
    int changed = 0;
    for (size_t j = 0; j < fresh.size(); ++j) {
        changed += reused[j] ? 0 : 1;
        m_segments.push_back(std::move(fresh[j]));
    }
    return changed;
}

QTextDocument *AnswerSegments::document(int i)
{
    if (i < 0 || i >= count())
        return nullptr;
    Segment &s = *m_segments[size_t(i)];
    if (!s.document) {
        s.document = std::make_unique<QTextDocument>();
        s.document->setUndoRedoEnabled(false);
        MarkdownDocument::build(s.document.get(), s.source);
        s.width = -1;
    }
    return s.document.get();
}

bool AnswerSegments::isBuilt(int i) const { return i >= 0 && i < count() && m_segments[size_t(i)]->document != nullptr; }

bool AnswerSegments::isMeasured(int i, int width) const
{
    return i >= 0 && i < count() && m_segments[size_t(i)]->document && m_segments[size_t(i)]->width == width;
}

int AnswerSegments::height(int i, int width)
{
    if (i < 0 || i >= count())
        return 0;
    if (isMeasured(i, width))
        return m_segments[size_t(i)]->height;
    QTextDocument *doc = document(i);
    Segment &s = *m_segments[size_t(i)];
    doc->setTextWidth(width);
    s.height = int(std::ceil(doc->size().height()));
    s.width = width;
    ++m_layouts;
    return s.height;
}

int AnswerSegments::knownHeight(int i, int width) const
{
    if (i < 0 || i >= count())
        return 0;
    const Segment &s = *m_segments[size_t(i)];
    if (s.document && s.width >= 0)
        return s.height;
    if (s.guessWidth != width) {
        s.guess = guessHeight(s.source, width);
        s.guessWidth = width;
    }
    return s.guess;
}
