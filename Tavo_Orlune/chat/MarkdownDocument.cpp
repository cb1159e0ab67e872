#include "chat/MarkdownDocument.h"

#include "Platform/UrlOpener.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QFontDatabase>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>
#include <cmark-gfm-extension_api.h>

#include <cstring>
#include <memory>
#include <vector>

namespace MarkdownDocument {

namespace {

QColor faded(QColor c, double opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}

bool isType(cmark_node *node, const char *name)
{
    const char *t = cmark_node_get_type_string(node);
    return t && std::strcmp(t, name) == 0;
}

QString literal(cmark_node *node)
{
    const char *s = cmark_node_get_literal(node);
    return s ? QString::fromUtf8(s) : QString();
}

struct ParserDeleter {
    void operator()(cmark_parser *p) const { cmark_parser_free(p); }
};
struct NodeDeleter {
    void operator()(cmark_node *n) const { cmark_node_free(n); }
};
struct IterDeleter {
    void operator()(cmark_iter *i) const { cmark_iter_free(i); }
};

// Nesting deeper than this (quotes, lists, emphasis) is drawn flat, its text kept: the builder
// never follows an answer's nesting further down the stack.
constexpr int kMaxDepth = 32;
// Joining a block to a text list marks every block of that list changed, so one list of n
// items costs n * n: a long list is made of several text lists of the same format (which draw
// alike), and a long ordered list writes its numbers itself.
constexpr int kListRun = 64;
// No single table is laid out with more cells than this (the text's budget comes first).
constexpr qint64 kTableCellLimit = 20000;

// Every edit of one build in one edit block: the document lays itself out once, at the end,
// rather than after each insertion.
class EditBlock {
public:
    explicit EditBlock(QTextDocument *document) : m_cursor(document) { m_cursor.beginEditBlock(); }
    ~EditBlock() { m_cursor.endEditBlock(); }
    EditBlock(const EditBlock &) = delete;
    EditBlock &operator=(const EditBlock &) = delete;

private:
    QTextCursor m_cursor;
};

class Builder {
public:
    explicit Builder(QTextDocument *doc) : m_cursor(doc) {}

    void document(cmark_node *root)
    {
        begin();
        // Block by block, as the incremental build goes: the document is no nesting level.
        for (cmark_node *c = cmark_node_first_child(root); c; c = cmark_node_next(c))
            topLevelBlock(c);
    }

    void begin()
    {
        m_cursor.setBlockFormat(QTextBlockFormat());
        m_cursor.setBlockCharFormat(runningFormat());
        m_fresh = true;
    }

    // Between two top-level blocks everything the next block depends on is this: where the
    // cursor is, whether its block is still unused, and the running character format.
    struct Boundary {
        int position = 0;
        bool fresh = true;
        QTextCharFormat charFormat;
        QTextBlockFormat blockFormat;       // of the cursor's block, as it stands here
        QTextCharFormat blockCharFormat;
    };

    Boundary boundary() const
    {
        return {m_cursor.position(), m_fresh, m_charFormat, m_cursor.blockFormat(), m_cursor.blockCharFormat()};
    }

    // Carries on from a boundary taken earlier on the same document, whose content after it has
    // been removed.
    void resume(const Boundary &b)
    {
        m_cursor.setPosition(b.position);
        m_cursor.setBlockFormat(b.blockFormat);
        m_cursor.setBlockCharFormat(b.blockCharFormat);
        m_fresh = b.fresh;
        m_charFormat = b.charFormat;
        m_ctx = BlockContext();
    }

    void topLevelBlock(cmark_node *node) { block(node); }

private:
    struct BlockContext {
        // Inside a list item the paragraph takes the list item's style.
        bool inListItem = false;
        bool inQuote = false;
        int listDepth = 0;
        QTextList **listSlot = nullptr; // the list the item's first block joins
        int *listItems = nullptr;       // how many items that list holds
        QTextListFormat listFormat;
        int writtenNumber = -1; // the number an ordered item writes itself, or none
        bool itemStarted = false;
        int taskState = -1; // -1 none, 0 unchecked, 1 checked
    };

    // Made once per build: answers have thousands of blocks.
    const QTextCharFormat &runningFormat() const
    {
        QTextCharFormat &f = m_running[m_ctx.inQuote ? 1 : 0];
        if (f.propertyCount() == 0) {
            f.setFont(bodyFont(13, QFont::Normal));
            f.setForeground(textColor(m_ctx.inQuote ? 0.8 : 1.0));
            if (m_ctx.inQuote)
                f.setFontItalic(true);
        }
        return f;
    }

    // Starts a block: reuses the empty block a cell, a document or a closed table left behind.
    void startBlock(const QTextBlockFormat &bf, const QTextCharFormat &cf)
    {
        if (m_fresh) {
            m_cursor.setBlockFormat(bf);
            m_cursor.setBlockCharFormat(cf);
        } else {
            m_cursor.insertBlock(bf, cf);
        }
        m_fresh = false;
        m_charFormat = cf;
    }

    void attachToList(QTextBlockFormat &bf)
    {
        if (!m_ctx.inListItem)
            return;
        if (m_ctx.taskState >= 0 && !m_ctx.itemStarted)
            bf.setMarker(m_ctx.taskState ? QTextBlockFormat::MarkerType::Checked
                                         : QTextBlockFormat::MarkerType::Unchecked);
        if (m_ctx.itemStarted) // a further paragraph of the same item: indented, no marker
            bf.setIndent(m_ctx.listDepth);
    }

    // The item's first block joins the list; the list itself is made at its first item.
    void joinList()
    {
        if (!m_ctx.inListItem || m_ctx.itemStarted)
            return;
        if (m_ctx.writtenNumber >= 0) {
            QTextBlockFormat bf = m_cursor.blockFormat();
            bf.setIndent(m_ctx.listDepth);
            m_cursor.setBlockFormat(bf);
            m_cursor.insertText(QStringLiteral("%1. ").arg(m_ctx.writtenNumber), m_charFormat);
        } else if (*m_ctx.listSlot && *m_ctx.listItems < kListRun) {
            (*m_ctx.listSlot)->add(m_cursor.block());
            ++*m_ctx.listItems;
        } else {
            *m_ctx.listSlot = m_cursor.createList(m_ctx.listFormat);
            *m_ctx.listItems = 1;
        }
        m_ctx.itemStarted = true;
    }

    void blockChildren(cmark_node *node)
    {
        if (m_depth >= kMaxDepth) {
            flatBlocks(node);
            return;
        }
        ++m_depth;
        for (cmark_node *c = cmark_node_first_child(node); c; c = cmark_node_next(c))
            block(c);
        --m_depth;
    }

    // The text of everything under node, without its structure: each paragraph, heading, code
    // block and table row becomes a plain paragraph. Walks the tree without recursion.
    void flatBlocks(cmark_node *node)
    {
        std::unique_ptr<cmark_iter, IterDeleter> it(cmark_iter_new(node));
        const QTextCharFormat cf = runningFormat();
        bool firstCell = true;
        for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
            if (ev != CMARK_EVENT_ENTER)
                continue;
            cmark_node *n = cmark_iter_get_node(it.get());
            switch (cmark_node_get_type(n)) {
            case CMARK_NODE_PARAGRAPH:
            case CMARK_NODE_HEADING:
                flatBlock(cf);
                break;
            case CMARK_NODE_CODE_BLOCK: {
                flatBlock(cf);
                QString code = literal(n);
                if (code.endsWith(QLatin1Char('\n')))
                    code.chop(1);
                m_cursor.insertText(code.replace(QLatin1Char('\n'), QChar::LineSeparator), cf);
                break;
            }
            default:
                if (insertPlainInline(n, cf))
                    break;
                if (isType(n, "table_row") || isType(n, "table_header")) {
                    flatBlock(cf);
                    firstCell = true;
                } else if (isType(n, "table_cell")) {
                    if (!firstCell)
                        m_cursor.insertText(QStringLiteral(" | "), cf);
                    firstCell = false;
                }
                break;
            }
        }
    }

    void flatBlock(const QTextCharFormat &cf)
    {
        QTextBlockFormat bf;
        bf.setBottomMargin(8);
        attachToList(bf);
        startBlock(bf, cf);
        joinList();
    }

    void block(cmark_node *node)
    {
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_PARAGRAPH: paragraph(node); return;
        case CMARK_NODE_HEADING: heading(node); return;
        case CMARK_NODE_CODE_BLOCK: codeBlock(literal(node)); return;
        case CMARK_NODE_BLOCK_QUOTE: blockQuote(node); return;
        case CMARK_NODE_LIST: list(node); return;
        case CMARK_NODE_THEMATIC_BREAK: thematicBreak(); return;
        case CMARK_NODE_HTML_BLOCK: return; // raw HTML never reaches the document
        case CMARK_NODE_CUSTOM_BLOCK: blockChildren(node); return;
        default: break;
        }
        if (isType(node, "table"))
            table(node);
        else if (cmark_node_first_child(node))
            blockChildren(node);
    }

    void paragraph(cmark_node *node)
    {
        QTextBlockFormat bf;
        QTextCharFormat cf = runningFormat();
        if (m_ctx.inListItem) {
            bf.setTopMargin(2);
            bf.setBottomMargin(2);
            bf.setLineHeight(1, QTextBlockFormat::LineDistanceHeight);
        } else {
            bf.setTopMargin(0);
            bf.setBottomMargin(8);
            bf.setLineHeight(3, QTextBlockFormat::LineDistanceHeight);
        }
        attachToList(bf);
        startBlock(bf, cf);
        joinList();
        inlines(node, cf);
    }

    void heading(cmark_node *node)
    {
        const HeadingStyle s = headingStyle(cmark_node_get_heading_level(node));
        QTextBlockFormat bf;
        bf.setTopMargin(s.marginTop);
        bf.setBottomMargin(s.marginBottom);
        bf.setHeadingLevel(cmark_node_get_heading_level(node));
        attachToList(bf);
        QTextCharFormat cf;
        cf.setFont(bodyFont(s.pixelSize, s.weight));
        cf.setForeground(textColor(s.opacity));
        startBlock(bf, cf);
        joinList();
        inlines(node, cf);
    }

    // A one-cell table gives the code block its own padding on each side, its fill and hairline.
    void codeBlock(QString code)
    {
        if (code.endsWith(QLatin1Char('\n')))
            code.chop(1);
        QTextBlockFormat bf;
        attachToList(bf);
        startBlock(bf, m_charFormat);
        joinList();

        // The formats are made once per build: an answer may hold thousands of code blocks.
        if (!m_codeTable.hasProperty(CodeBlockProperty)) {
            m_codeTable.setBorder(0.5);
            m_codeTable.setBorderBrush(hairlineColor(0.2));
            m_codeTable.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            m_codeTable.setBackground(surfaceColor(0.7));
            m_codeTable.setCellSpacing(0);
            m_codeTable.setCellPadding(0);
            m_codeTable.setTopMargin(8);
            m_codeTable.setBottomMargin(8);
            m_codeTable.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            m_codeTable.setProperty(CodeBlockProperty, true);
            m_codeText.setFont(monospaceFont(12, QFont::Normal));
            m_codeText.setForeground(textColor(0.95));
        }
        QTextTable *t = m_cursor.insertTable(1, 1, m_codeTable);
        QTextTableCell cell = t->cellAt(0, 0);

        QTextCursor c = cell.firstCursorPosition();
        const QTextCharFormat &cf = m_codeText;
        QTextBlockFormat codeBf;
        codeBf.setNonBreakableLines(true);
        c.setBlockFormat(codeBf);
        c.setBlockCharFormat(cf);
        const QStringList lines = code.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                c.insertBlock(codeBf, cf);
            c.insertText(lines[i], cf);
        }
        // The cell's format shares its storage with the first block's character format, so it
        // is set once the content is in.
        QTextTableCellFormat cellFormat = t->cellAt(0, 0).format().toTableCellFormat();
        cellFormat.setLeftPadding(12);
        cellFormat.setRightPadding(12);
        cellFormat.setTopPadding(8);
        cellFormat.setBottomPadding(8);
        cell.setFormat(cellFormat);
        leaveTable(t);
    }

    void leaveTable(QTextTable *t)
    {
        m_cursor = t->lastCursorPosition();
        m_cursor.movePosition(QTextCursor::NextBlock);
        m_cursor.setBlockFormat(QTextBlockFormat());
        m_fresh = true;
    }

    // The quote sits in a one-cell table whose left edge is the accent bar.
    void blockQuote(cmark_node *node)
    {
        QTextBlockFormat bf;
        attachToList(bf);
        startBlock(bf, m_charFormat);
        joinList();

        if (!m_quoteTable.hasProperty(BlockQuoteProperty)) {
            m_quoteTable.setBorder(0);
            m_quoteTable.setCellSpacing(0);
            m_quoteTable.setCellPadding(0);
            m_quoteTable.setTopMargin(8);
            m_quoteTable.setBottomMargin(8);
            m_quoteTable.setBorderCollapse(true);
            m_quoteTable.setProperty(BlockQuoteProperty, true);
        }
        QTextTable *t = m_cursor.insertTable(1, 1, m_quoteTable);
        QTextTableCell cell = t->cellAt(0, 0);

        const QTextCursor outer = m_cursor;
        const BlockContext saved = m_ctx;
        m_cursor = cell.firstCursorPosition();
        m_fresh = true;
        m_ctx = BlockContext();
        m_ctx.inQuote = true;
        blockChildren(node);
        m_ctx = saved;
        m_cursor = outer;
        QTextTableCellFormat cellFormat = t->cellAt(0, 0).format().toTableCellFormat();
        cellFormat.setLeftBorder(3);
        cellFormat.setLeftBorderBrush(accentColor(0.3));
        cellFormat.setLeftBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        cellFormat.setLeftPadding(9);
        t->cellAt(0, 0).setFormat(cellFormat);
        leaveTable(t);
    }

    void list(cmark_node *node)
    {
        QTextListFormat lf;
        const int depth = m_ctx.listDepth + 1;
        int start = 1;
        if (cmark_node_get_list_type(node) == CMARK_ORDERED_LIST) {
            lf.setStyle(QTextListFormat::ListDecimal);
            start = cmark_node_get_list_start(node);
        } else {
            static const QTextListFormat::Style bullets[] = {
                QTextListFormat::ListDisc, QTextListFormat::ListCircle, QTextListFormat::ListSquare};
            lf.setStyle(bullets[(depth - 1) % 3]);
        }
        lf.setIndent(depth);

        const BlockContext saved = m_ctx;
        QTextList *made = nullptr;
        int madeItems = 0;
        int items = 0;
        for (cmark_node *item = cmark_node_first_child(node); item && items <= kListRun; item = cmark_node_next(item))
            ++items;
        // The text list numbers from 1 only, and each of its runs afresh: other ordered lists
        // write their numbers.
        const bool writeNumbers = cmark_node_get_list_type(node) == CMARK_ORDERED_LIST && (start != 1 || items > kListRun);
        int number = start;
        for (cmark_node *item = cmark_node_first_child(node); item;
             item = cmark_node_next(item), ++number) {
            m_ctx = saved;
            m_ctx.inListItem = true;
            m_ctx.listDepth = depth;
            m_ctx.itemStarted = false;
            m_ctx.listSlot = &made;
            m_ctx.listItems = &madeItems;
            m_ctx.listFormat = lf;
            m_ctx.writtenNumber = writeNumbers ? number : -1;
            m_ctx.taskState = isType(item, "tasklist")
                ? (cmark_gfm_extensions_get_tasklist_item_checked(item) ? 1 : 0)
                : -1;
            blockChildren(item);
            if (!m_ctx.itemStarted) {
                // An empty item still shows its marker.
                QTextBlockFormat bf;
                attachToList(bf);
                startBlock(bf, runningFormat());
                joinList();
            }
        }
        m_ctx = saved;
    }

    void thematicBreak()
    {
        QTextBlockFormat bf;
        bf.setTopMargin(12);
        bf.setBottomMargin(12);
        bf.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                       QTextLength(QTextLength::PercentageLength, 100));
        bf.setForeground(hairlineColor(0.3));
        startBlock(bf, runningFormat());
    }

    void table(cmark_node *node)
    {
        const int columns = cmark_gfm_extensions_get_table_columns(node);
        int rows = 0;
        for (cmark_node *r = cmark_node_first_child(node); r; r = cmark_node_next(r))
            ++rows;
        if (columns <= 0 || rows <= 0)
            return;
        if (qint64(rows) * columns > kTableCellLimit) {
            // The text's own budget keeps tables far below this; should one get past it, its
            // cells are shown as text rather than laid out.
            codeBlock(tableText(node));
            return;
        }
        const uint8_t *align = cmark_gfm_extensions_get_table_alignments(node);

        QTextBlockFormat bf;
        attachToList(bf);
        startBlock(bf, m_charFormat);
        joinList();

        QTextTableFormat tf;
        tf.setBorder(0.5);
        tf.setBorderBrush(hairlineColor(0.2));
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderCollapse(true);
        tf.setBackground(surfaceColor(0.3));
        tf.setCellSpacing(0);
        tf.setCellPadding(6);
        tf.setTopMargin(8);
        tf.setBottomMargin(8);
        tf.setHeaderRowCount(1);
        QTextTable *t = m_cursor.insertTable(rows, columns, tf);

        const QTextCursor outer = m_cursor;
        const BlockContext saved = m_ctx;
        m_ctx = BlockContext();
        m_ctx.inQuote = saved.inQuote;
        int row = 0;
        for (cmark_node *r = cmark_node_first_child(node); r; r = cmark_node_next(r), ++row) {
            const bool header = cmark_gfm_extensions_get_table_row_is_header(r);
            int col = 0;
            for (cmark_node *c = cmark_node_first_child(r); c && col < columns;
                 c = cmark_node_next(c), ++col) {
                m_cursor = t->cellAt(row, col).firstCursorPosition();
                QTextBlockFormat cellBf;
                switch (align ? align[col] : 0) {
                case 'c': cellBf.setAlignment(Qt::AlignHCenter); break;
                case 'r': cellBf.setAlignment(Qt::AlignRight); break;
                default: cellBf.setAlignment(Qt::AlignLeft); break;
                }
                QTextCharFormat cf;
                cf.setFont(bodyFont(12, header ? QFont::DemiBold : QFont::Normal));
                cf.setForeground(textColor());
                m_cursor.setBlockFormat(cellBf);
                m_cursor.setBlockCharFormat(cf);
                m_fresh = false;
                m_charFormat = cf;
                inlines(c, cf);
            }
        }
        m_ctx = saved;
        m_cursor = outer;
        leaveTable(t);
    }

    // A table's rows as text lines, cells between bars (the filled-out empty cells at a row's end
    // left out).
    static QString tableText(cmark_node *table)
    {
        QString out;
        for (cmark_node *r = cmark_node_first_child(table); r; r = cmark_node_next(r)) {
            QStringList cells;
            for (cmark_node *c = cmark_node_first_child(r); c; c = cmark_node_next(c)) {
                QString cell;
                std::unique_ptr<cmark_iter, IterDeleter> it(cmark_iter_new(c));
                for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
                    cmark_node *n = cmark_iter_get_node(it.get());
                    if (ev == CMARK_EVENT_ENTER && (cmark_node_get_type(n) == CMARK_NODE_TEXT || cmark_node_get_type(n) == CMARK_NODE_CODE))
                        cell += literal(n);
                }
                cells << cell;
            }
            while (!cells.isEmpty() && cells.last().isEmpty())
                cells.removeLast();
            out += QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
        }
        return out;
    }

    // Inline content, each run in the format of its enclosing marks.
    void inlines(cmark_node *node, const QTextCharFormat &format)
    {
        if (m_inlineDepth >= kMaxDepth) {
            flatInlines(node, format);
            return;
        }
        ++m_inlineDepth;
        for (cmark_node *c = cmark_node_first_child(node); c; c = cmark_node_next(c))
            inlineNode(c, format);
        --m_inlineDepth;
    }

    // The text under node in one format, walked without recursion.
    void flatInlines(cmark_node *node, const QTextCharFormat &format)
    {
        std::unique_ptr<cmark_iter, IterDeleter> it(cmark_iter_new(node));
        for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
            cmark_node *n = cmark_iter_get_node(it.get());
            if (ev != CMARK_EVENT_ENTER || n == node)
                continue;
            insertPlainInline(n, format);
        }
    }

    // Inserts a text, code span or line break as plain text; false for any other node.
    bool insertPlainInline(cmark_node *n, const QTextCharFormat &format)
    {
        switch (cmark_node_get_type(n)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
            m_cursor.insertText(literal(n), format);
            return true;
        case CMARK_NODE_SOFTBREAK:
            m_cursor.insertText(QStringLiteral(" "), format);
            return true;
        case CMARK_NODE_LINEBREAK:
            m_cursor.insertText(QString(QChar::LineSeparator), format);
            return true;
        default:
            return false;
        }
    }

    void inlineNode(cmark_node *node, QTextCharFormat format)
    {
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_TEXT:
            m_cursor.insertText(literal(node), format);
            return;
        case CMARK_NODE_SOFTBREAK:
            m_cursor.insertText(QStringLiteral(" "), format);
            return;
        case CMARK_NODE_LINEBREAK:
            m_cursor.insertText(QString(QChar::LineSeparator), format);
            return;
        case CMARK_NODE_CODE: {
            QTextCharFormat f = format;
            f.setFont(monospaceFont(12, QFont::Medium));
            f.setFontItalic(format.fontItalic());
            f.setForeground(purpleColor(0.9));
            f.setBackground(surfaceColor(0.5));
            m_cursor.insertText(literal(node), f);
            return;
        }
        case CMARK_NODE_HTML_INLINE:
            return; // raw HTML never reaches the document
        case CMARK_NODE_EMPH:
            format.setFontItalic(true);
            format.setFontWeight(QFont::Normal);
            format.setForeground(textColor(0.85));
            break;
        case CMARK_NODE_STRONG:
            format.setFontWeight(QFont::DemiBold);
            format.setForeground(textColor());
            break;
        case CMARK_NODE_LINK: {
            format.setFontWeight(QFont::Medium);
            format.setForeground(accentColor());
            const QUrl url(QString::fromUtf8(cmark_node_get_url(node)), QUrl::StrictMode);
            if (url.isValid() && UrlOpener::isAllowed(url)) {
                format.setAnchor(true);
                format.setAnchorHref(url.toString(QUrl::FullyEncoded));
                format.setToolTip(url.toDisplayString());
            }
            break;
        }
        case CMARK_NODE_IMAGE:
            // Images are never fetched: the alternative text stands in for them.
            break;
        default:
            if (isType(node, "strikethrough")) {
                format.setFontWeight(QFont::Normal);
                format.setFontStrikeOut(true);
                format.setForeground(textColor(0.6));
            }
            break;
        }
        inlines(node, format);
    }

    QTextCursor m_cursor;
    QTextCharFormat m_charFormat;
    BlockContext m_ctx;
    bool m_fresh = true;
    mutable QTextCharFormat m_running[2]; // running text outside and inside quotes
    QTextTableFormat m_codeTable;
    QTextCharFormat m_codeText;
    QTextTableFormat m_quoteTable;
    int m_depth = 0;       // block containers entered
    int m_inlineDepth = 0; // inline marks entered
};

// A table costs rows * columns cells however short its rows are written (each row is filled out
// to the header's width), so the cells of one answer have a budget; a table past it is shown as
// its source text in a code block. This is decided on the text, before parsing, because the
// parser itself fills the rows out.
constexpr qint64 kCellBudget = 20000;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where a line's content starts after its container marks: indentation, quote marks and, when
// asked, one list marker.
qsizetype contentStart(const char *p, qsizetype n, bool listMarker)
{
    qsizetype i = 0;
    while (true) {
        while (i < n && isBlank(p[i]))
            ++i;
        if (i < n && p[i] == '>') {
            ++i;
            continue;
        }
        break;
    }
    if (listMarker && i < n) {
        qsizetype j = i;
        if (p[j] == '-' || p[j] == '*' || p[j] == '+') {
            ++j;
        } else {
            while (j < n && j - i < 9 && p[j] >= '0' && p[j] <= '9')
                ++j;
            j = (j > i && j < n && (p[j] == '.' || p[j] == ')')) ? j + 1 : i;
        }
        if (j > i && j < n && isBlank(p[j])) {
            i = j;
            while (i < n && isBlank(p[i]))
                ++i;
        }
    }
    return i;
}

// The cells of a table row as the table syntax splits it (outer bars optional, "\|" is text).
int rowCells(const char *p, qsizetype n)
{
    while (n > 0 && isBlank(p[n - 1]))
        --n;
    qsizetype i = 0;
    if (i < n && p[i] == '|')
        ++i;
    if (n > i && p[n - 1] == '|' && (n - 2 < i || p[n - 2] != '\\'))
        --n;
    int cells = 1;
    for (qsizetype k = i; k < n; ++k) {
        if (p[k] == '\\')
            ++k;
        else if (p[k] == '|')
            ++cells;
    }
    return cells;
}

// The number of cells of a delimiter row ("| :-- | --: |", with at least one bar), or 0.
int delimiterCells(const char *p, qsizetype n)
{
    if (!std::memchr(p, '|', size_t(n)))
        return 0;
    int cells = 0;
    qsizetype i = 0;
    while (n > 0 && isBlank(p[n - 1]))
        --n;
    if (i < n && p[i] == '|')
        ++i;
    while (i < n) {
        while (i < n && isBlank(p[i]))
            ++i;
        if (i < n && p[i] == ':')
            ++i;
        const qsizetype dashes = i;
        while (i < n && p[i] == '-')
            ++i;
        if (i == dashes)
            return 0;
        if (i < n && p[i] == ':')
            ++i;
        while (i < n && isBlank(p[i]))
            ++i;
        ++cells;
        if (i < n && p[i] != '|')
            return 0;
        ++i;
    }
    return cells;
}

// A fence line's character and length ("```" or "~~~" and longer), or 0.
std::pair<char, qsizetype> fenceOf(const char *p, qsizetype n)
{
    if (n < 3 || (p[0] != '`' && p[0] != '~'))
        return {0, 0};
    qsizetype k = 0;
    while (k < n && p[k] == p[0])
        ++k;
    return k >= 3 ? std::pair<char, qsizetype>{p[0], k} : std::pair<char, qsizetype>{0, 0};
}

void guardTables(QByteArray &text)
{
    if (!text.contains('|') || !text.contains('-'))
        return;
    std::vector<std::pair<qsizetype, qsizetype>> lines; // [start, end) without the line feed
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        lines.push_back({start, end});
        start = end + 1;
    }
    const char *data = text.constData();
    auto lineAt = [&](size_t i) { return std::pair<const char *, qsizetype>{data + lines[i].first, lines[i].second - lines[i].first}; };
    qint64 used = 0;
    std::vector<std::pair<size_t, size_t>> wrap; // first and last line of each table shown as text
    char fenceChar = 0;
    qsizetype fenceLength = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto [p, n] = lineAt(i);
        const qsizetype c = contentStart(p, n, false);
        const auto [fc, fl] = fenceOf(p + c, n - c);
        if (fenceChar) {
            // Inside a fenced block: only its closing fence matters.
            if (fc == fenceChar && fl >= fenceLength) {
                qsizetype k = c + fl;
                while (k < n && isBlank(p[k]))
                    ++k;
                if (k == n)
                    fenceChar = 0;
            }
            continue;
        }
        if (fc) {
            fenceChar = fc;
            fenceLength = fl;
            continue;
        }
        if (i == 0)
            continue;
        int cells = delimiterCells(p + c, n - c);
        if (!cells) {
            const qsizetype l = contentStart(p, n, true);
            cells = delimiterCells(p + l, n - l);
        }
        if (!cells)
            continue;
        const auto [hp, hn] = lineAt(i - 1);
        const qsizetype h = contentStart(hp, hn, false);
        const qsizetype hl = contentStart(hp, hn, true);
        if (h == hn || (rowCells(hp + h, hn - h) != cells && rowCells(hp + hl, hn - hl) != cells))
            continue;
        // The rows: every following line up to a blank line or a fence.
        size_t last = i;
        while (last + 1 < lines.size()) {
            const auto [rp, rn] = lineAt(last + 1);
            const qsizetype r = contentStart(rp, rn, false);
            if (r == rn || fenceOf(rp + r, rn - r).first)
                break;
            ++last;
        }
        const qint64 cost = qint64(cells) * qint64(last - i + 1);
        if (used + cost > kCellBudget)
            wrap.push_back({i - 1, last});
        else
            used += cost;
        i = last;
    }
    if (wrap.empty())
        return;
    QByteArray out;
    out.reserve(text.size() + qsizetype(wrap.size()) * 12);
    qsizetype copied = 0;
    for (const auto &[first, last] : wrap) {
        out.append(data + copied, lines[first].first - copied);
        out += "~~~~\n";
        out.append(data + lines[first].first, lines[last].second - lines[first].first);
        out += "\n~~~~";
        copied = lines[last].second;
    }
    out.append(data + copied, text.size() - copied);
    text = out;
}

// The text as the parser reads it: line breaks as line feeds (a lone carriage return ends a
// line for the parser too, and the blocks are found by line), tables within their budget.
QByteArray prepare(const QString &markdown)
{
    QByteArray utf8;
    if (markdown.contains(QLatin1Char('\r'))) {
        QString s = markdown;
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        utf8 = s.toUtf8();
    } else {
        utf8 = markdown.toUtf8();
    }
    guardTables(utf8);
    return utf8;
}

cmark_node *parse(const QByteArray &utf8)
{
    cmark_gfm_core_extensions_ensure_registered();
    std::unique_ptr<cmark_parser, ParserDeleter> parser(
        cmark_parser_new(CMARK_OPT_DEFAULT | CMARK_OPT_VALIDATE_UTF8));
    for (const char *name : {"table", "strikethrough", "autolink", "tagfilter", "tasklist"}) {
        if (cmark_syntax_extension *ext = cmark_find_syntax_extension(name))
            cmark_parser_attach_syntax_extension(parser.get(), ext);
    }
    cmark_parser_feed(parser.get(), utf8.constData(), size_t(utf8.size()));
    return cmark_parser_finish(parser.get());
}

// Everything of a block's syntax tree that the builder reads, so two blocks with the same print
// build the same document content. Walks the tree without recursion.
void fingerprint(cmark_node *root, QByteArray &out)
{
    const auto num = [&out](qint64 v) { out += QByteArray::number(v); out += ','; };
    const auto text = [&out](const char *s) {
        const qsizetype n = s ? qsizetype(std::strlen(s)) : -1;
        out += QByteArray::number(n);
        out += ':';
        if (s)
            out.append(s, n);
    };
    std::unique_ptr<cmark_iter, IterDeleter> it(cmark_iter_new(root));
    for (cmark_event_type ev; (ev = cmark_iter_next(it.get())) != CMARK_EVENT_DONE;) {
        cmark_node *node = cmark_iter_get_node(it.get());
        if (ev == CMARK_EVENT_EXIT) {
            out += ')';
            continue;
        }
        out += '(';
        num(cmark_node_get_type(node));
        text(cmark_node_get_type_string(node));
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
        case CMARK_NODE_CODE_BLOCK:
        case CMARK_NODE_HTML_BLOCK:
        case CMARK_NODE_HTML_INLINE:
            text(cmark_node_get_literal(node));
            break;
        case CMARK_NODE_HEADING:
            num(cmark_node_get_heading_level(node));
            break;
        case CMARK_NODE_LIST:
            num(cmark_node_get_list_type(node));
            num(cmark_node_get_list_start(node));
            break;
        case CMARK_NODE_LINK:
        case CMARK_NODE_IMAGE:
            text(cmark_node_get_url(node));
            break;
        default:
            if (isType(node, "tasklist")) {
                num(cmark_gfm_extensions_get_tasklist_item_checked(node) ? 1 : 0);
            } else if (isType(node, "table")) {
                const int columns = int(cmark_gfm_extensions_get_table_columns(node));
                num(columns);
                if (const uint8_t *align = cmark_gfm_extensions_get_table_alignments(node))
                    out.append(reinterpret_cast<const char *>(align), columns);
            } else if (isType(node, "table_row")) {
                num(cmark_gfm_extensions_get_table_row_is_header(node) ? 1 : 0);
            } else {
                text(cmark_node_get_literal(node));
            }
            break;
        }
        // A leaf has an enter event only.
        switch (cmark_node_get_type(node)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
        case CMARK_NODE_CODE_BLOCK:
        case CMARK_NODE_HTML_BLOCK:
        case CMARK_NODE_HTML_INLINE:
        case CMARK_NODE_THEMATIC_BREAK:
        case CMARK_NODE_SOFTBREAK:
        case CMARK_NODE_LINEBREAK:
            out += ')';
            break;
        default:
            break;
        }
    }
}

} // namespace

namespace {

// A reference definition anywhere changes links in blocks before it, so with one about the text is
// always parsed whole and the blocks are compared by their print.
bool mayDefineReferences(const QByteArray &utf8) { return utf8.contains("]:"); }

qsizetype firstDifference(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    constexpr qsizetype step = 4096;
    qsizetype at = 0;
    while (at < n && std::memcmp(a.constData() + at, b.constData() + at, size_t(std::min(step, n - at))) == 0)
        at += step;
    at = std::min(at, n);
    while (at < n && a[at] == b[at])
        ++at;
    return at;
}

// The 1-based line that holds the byte at `at`.
int lineAt(const QByteArray &s, qsizetype at)
{
    int line = 1;
    for (qsizetype i = s.indexOf('\n'); i >= 0 && i < at; i = s.indexOf('\n', i + 1))
        ++line;
    return line;
}

qsizetype lineStart(const QByteArray &s, int line)
{
    qsizetype at = 0;
    for (int l = 1; l < line; ++l) {
        at = s.indexOf('\n', at);
        if (at < 0)
            return -1;
        ++at;
    }
    return at;
}

}

struct IncrementalBuilder::State {
    QTextDocument *document = nullptr;
    QByteArray source;                          // the text of the last build, UTF-8
    bool hasReferences = false;
    std::vector<int> startLines;                // the line each top-level block starts on
    std::vector<int> endLines;                  // and ends on
    std::vector<QByteArray> keys;               // each block's print, kept when references are about
    std::vector<Builder::Boundary> boundaries;  // before each block, and at the end
};

IncrementalBuilder::IncrementalBuilder() : m_state(std::make_unique<State>()) {}
IncrementalBuilder::~IncrementalBuilder() = default;

void IncrementalBuilder::reset()
{
    m_state = std::make_unique<State>();
}

int IncrementalBuilder::build(QTextDocument *document, const QString &markdown)
{
    State &st = *m_state;
    const QByteArray utf8 = prepare(markdown);
    const bool references = mayDefineReferences(utf8);
    const bool known = st.document == document && st.boundaries.size() == st.startLines.size() + 1;
    if (known && utf8 == st.source)
        return 0;

    // Where the text changed, the block that starts on the first changed line and the blocks after
    // it are parsed again; a block whose follower starts on an unchanged line was closed by that
    // line and reads the same. The parse starts on a line where only the document is open: the
    // block before it must end on an earlier line. (A table that takes the last line of a
    // paragraph as its header is reported from the paragraph's first line, and the paragraph
    // from line 0: such a pair is never cut apart.)
    size_t same = 0;
    int fromLine = 1;
    auto cutBefore = [&st](size_t i) {
        return st.startLines[i - 1] >= 1 && st.endLines[i - 1] >= st.startLines[i - 1]
            && st.startLines[i] > st.endLines[i - 1];
    };
    if (known && !references && !st.hasReferences && st.startLines.size() > 1) {
        const int changedLine = lineAt(utf8, firstDifference(st.source, utf8));
        for (size_t i = st.startLines.size() - 1; i >= 1; --i) {
            if (st.startLines[i] < changedLine && cutBefore(i)) {
                same = i;
                break;
            }
        }
        fromLine = same > 0 ? st.startLines[same] : 1;
    }

    const qsizetype from = same > 0 ? lineStart(utf8, fromLine) : 0;
    if (from < 0) {
        same = 0;
        fromLine = 1;
    }
    std::unique_ptr<cmark_node, NodeDeleter> root(parse(same > 0 ? utf8.mid(from) : utf8));
    std::vector<cmark_node *> blocks;
    std::vector<int> startLines;
    std::vector<int> endLines;
    std::vector<QByteArray> keys;
    if (root) {
        for (cmark_node *c = cmark_node_first_child(root.get()); c; c = cmark_node_next(c)) {
            blocks.push_back(c);
            // Line 0 (no line known) stays 0 whatever line the parse started on.
            const int startLine = cmark_node_get_start_line(c);
            const int endLine = cmark_node_get_end_line(c);
            startLines.push_back(startLine > 0 ? startLine + fromLine - 1 : 0);
            endLines.push_back(endLine > 0 ? endLine + fromLine - 1 : 0);
            if (references) {
                QByteArray key;
                fingerprint(c, key);
                keys.push_back(std::move(key));
            }
        }
    }
    if (references && known && st.hasReferences && st.keys.size() == st.startLines.size()) {
        // The whole text was parsed: the blocks that print the same as last time stay.
        while (same < keys.size() && same < st.keys.size() && keys[same] == st.keys[same])
            ++same;
        if (same == keys.size() && same == st.keys.size()) {
            st.source = utf8;
            st.startLines = startLines;
            st.endLines = endLines;
            return 0;
        }
        blocks.erase(blocks.begin(), blocks.begin() + qsizetype(same));
        startLines.erase(startLines.begin(), startLines.begin() + qsizetype(same));
        endLines.erase(endLines.begin(), endLines.begin() + qsizetype(same));
        keys.erase(keys.begin(), keys.begin() + qsizetype(same));
    }

    document->setUndoRedoEnabled(false);
    if (same == 0)
        document->clear();
    const EditBlock edits(document);
    Builder builder(document);
    if (same == 0) {
        document->setDocumentMargin(0);
        document->setDefaultFont(bodyFont());
        st = State();
        st.document = document;
        builder.begin();
        st.boundaries.push_back(builder.boundary());
    } else {
        const Builder::Boundary at = st.boundaries[same];
        QTextCursor cut(document);
        cut.setPosition(at.position);
        cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
        builder.resume(at);
        st.startLines.resize(same);
        st.endLines.resize(same);
        st.keys.resize(std::min(st.keys.size(), same));
        st.boundaries.resize(same + 1);
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        builder.topLevelBlock(blocks[i]);
        st.startLines.push_back(startLines[i]);
        st.endLines.push_back(endLines[i]);
        if (references)
            st.keys.push_back(std::move(keys[i]));
        st.boundaries.push_back(builder.boundary());
    }
    st.source = utf8;
    st.hasReferences = references;
    if (!references)
        st.keys.clear();
    return int(blocks.size());
}

HeadingStyle headingStyle(int level)
{
    static const HeadingStyle styles[] = {
        {22, QFont::Bold, 1.0, 20, 12},  {18, QFont::DemiBold, 1.0, 16, 8},
        {15, QFont::DemiBold, 1.0, 12, 6}, {14, QFont::Medium, 0.9, 10, 4},
        {13, QFont::Medium, 0.8, 8, 3},  {12, QFont::Medium, 0.7, 6, 2},
    };
    return styles[qBound(1, level, 6) - 1];
}

QColor textColor(double opacity) { return faded(Color::messageText(), opacity); }
QColor surfaceColor(double opacity) { return faded(Color::bubbleFill(), opacity); }
QColor hairlineColor(double opacity) { return faded(Color::glassBorder(), opacity); }
QColor accentColor(double opacity) { return faded(Color::accentBlue(), opacity); }
QColor purpleColor(double opacity) { return faded(QColor(0xAF, 0x52, 0xDE), opacity); }

QFont bodyFont(int pixelSize, QFont::Weight weight) { return Fonts::system(pixelSize, weight); }

QFont monospaceFont(int pixelSize, QFont::Weight weight)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

std::vector<BlockLines> topLevelBlocks(const QString &markdown)
{
    // Tables are left unguarded: wrapping one as text adds lines, and a table and its text form
    // span the same lines of the answer.
    QByteArray utf8;
    if (markdown.contains(QLatin1Char('\r'))) {
        QString s = markdown;
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        utf8 = s.toUtf8();
    } else {
        utf8 = markdown.toUtf8();
    }
    std::vector<BlockLines> out;
    std::unique_ptr<cmark_node, NodeDeleter> root(parse(utf8));
    if (!root)
        return out;
    for (cmark_node *c = cmark_node_first_child(root.get()); c; c = cmark_node_next(c))
        out.push_back({cmark_node_get_start_line(c), cmark_node_get_end_line(c)});
    return out;
}

void build(QTextDocument *document, const QString &markdown)
{
    document->clear();
    const EditBlock edits(document);
    document->setDocumentMargin(0);
    document->setDefaultFont(bodyFont());
    std::unique_ptr<cmark_node, NodeDeleter> root(parse(prepare(markdown)));
    if (!root)
        return;
    Builder(document).document(root.get());
}

} // namespace MarkdownDocument
