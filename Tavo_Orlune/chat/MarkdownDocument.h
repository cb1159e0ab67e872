#pragma once
#include <QColor>
#include <QFont>
#include <QString>
#include <memory>
#include <vector>

class QTextDocument;

// Turns an answer's Markdown (GitHub-flavoured: tables, strikethrough, autolinks, task lists)
// into a QTextDocument with the chat's own text and block styles. The document never holds
// raw HTML from the answer and never refers to an image by address, so showing it fetches
// nothing; links keep their address only for http, https and mailto.
namespace MarkdownDocument {

// Replaces the whole content of the document.
void build(QTextDocument *document, const QString &markdown);

// Builds into one document again and again (a streamed answer that grows): the text is parsed
// whole each time, and the top-level blocks that read the same as in the last build are kept;
// the document is rebuilt from the first block that differs. The result equals build().
class IncrementalBuilder {
public:
    IncrementalBuilder();
    ~IncrementalBuilder();
    // Returns how many top-level blocks were (re)built.
    int build(QTextDocument *document, const QString &markdown);
    // Forgets the last build (the document was changed by other means).
    void reset();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The top-level blocks of a text as the parser finds them: the 1-based line each starts and ends
// on (0 when the parser reports none). A line ends at a line feed, a carriage return or both.
struct BlockLines {
    int startLine = 0;
    int endLine = 0;
};
std::vector<BlockLines> topLevelBlocks(const QString &markdown);

// The styles, exposed so views and tests read the same values the builder writes.
struct HeadingStyle {
    int pixelSize;
    QFont::Weight weight;
    double opacity;
    int marginTop;
    int marginBottom;
};
HeadingStyle headingStyle(int level); // level 1..6; others clamp
QColor textColor(double opacity = 1.0);
QColor surfaceColor(double opacity = 1.0);
QColor hairlineColor(double opacity = 1.0);
QColor accentColor(double opacity = 1.0);
QColor purpleColor(double opacity = 1.0);
QFont bodyFont(int pixelSize = 13, QFont::Weight weight = QFont::Normal);
QFont monospaceFont(int pixelSize, QFont::Weight weight);

// The property set on the table cell that frames a code block, so a view can find it.
constexpr int CodeBlockProperty = 0x100100;
constexpr int BlockQuoteProperty = 0x100101;
}
