#include "TestMain.h"

#include "Platform/UrlOpener.h"
#include "chat/AnswerSegments.h"
#include "chat/AnswerTextView.h"
#include "chat/MarkdownDocument.h"
#include "chat/StreamingTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QThread>

namespace {

// One line per non-empty block, in document order: what kind of block it is and its text.
void describeFrame(QTextFrame *frame, QStringList &out)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            describeFrame(child, out);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QTextBlockFormat bf = block.blockFormat();
        QString kind = QStringLiteral("p");
        auto *table = qobject_cast<QTextTable *>(frame);
        if (table && table->format().property(MarkdownDocument::CodeBlockProperty).toBool())
            kind = QStringLiteral("code");
        else if (table && table->format().property(MarkdownDocument::BlockQuoteProperty).toBool())
            kind = QStringLiteral("quote");
        else if (table)
            kind = QStringLiteral("cell");
        if (bf.headingLevel() > 0)
            kind = QStringLiteral("h%1").arg(bf.headingLevel());
        if (QTextList *list = block.textList()) {
            kind += list->format().style() == QTextListFormat::ListDecimal ? QStringLiteral("-ol")
                                                                            : QStringLiteral("-ul");
            kind += QString::number(list->format().indent());
        }
        if (bf.marker() == QTextBlockFormat::MarkerType::Checked)
            kind += QStringLiteral("[x]");
        else if (bf.marker() == QTextBlockFormat::MarkerType::Unchecked)
            kind += QStringLiteral("[ ]");
        if (bf.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth))
            kind = QStringLiteral("hr");
        const QString text = block.text();
        if (text.isEmpty() && kind == QStringLiteral("p"))
            continue;
        out << kind + QLatin1Char(':') + text;
    }
}

QStringList describe(const QString &markdown)
{
    QTextDocument doc;
    MarkdownDocument::build(&doc, markdown);
    QStringList out;
    describeFrame(doc.rootFrame(), out);
    return out;
}

// The character format at the first occurrence of a text in the document.
QTextCharFormat formatAt(QTextDocument &doc, const QString &text)
{
    QTextCursor c = doc.find(text);
    if (c.isNull())
        return {};
    QTextCursor at(&doc);
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

QString formatText(const QTextFormat &format)
{
    QString out;
    QDebug d(&out);
    d.nospace();
    const QMap<int, QVariant> props = format.properties();
    for (auto it = props.cbegin(); it != props.cend(); ++it) {
        if (it.key() == QTextFormat::ObjectIndex)
            continue; // numbering of format objects, not content
        d << it.key() << '=' << it.value() << ';';
    }
    return out;
}

// Everything a document holds, in order: frames and their formats, table cells, blocks with their
// formats and list places, and every text fragment with its format.
void dumpFrame(QTextFrame *frame, QStringList &out, QHash<QTextList *, int> &lists)
{
    out << QStringLiteral("frame ") + formatText(frame->frameFormat());
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        for (int r = 0; r < table->rows(); ++r)
            for (int c = 0; c < table->columns(); ++c)
                out << QStringLiteral("cell %1,%2 ").arg(r).arg(c) + formatText(table->cellAt(r, c).format());
    }
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            dumpFrame(child, out, lists);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        QString line = QStringLiteral("block ") + formatText(block.blockFormat()) + QStringLiteral(" | ")
            + formatText(block.charFormat());
        if (QTextList *list = block.textList()) {
            const int id = lists.contains(list) ? lists.value(list) : int(lists.size());
            lists.insert(list, id);
            line += QStringLiteral(" list%1[%2] ").arg(id).arg(list->itemNumber(block)) + formatText(list->format());
        }
        out << line;
        for (auto f = block.begin(); !f.atEnd(); ++f)
            out << QStringLiteral("  text ") + f.fragment().text() + QStringLiteral(" | ")
                    + formatText(f.fragment().charFormat());
    }
}

QStringList dump(QTextDocument &doc)
{
    QStringList out;
    QHash<QTextList *, int> lists;
    dumpFrame(doc.rootFrame(), out, lists);
    return out;
}

// Every segment of an answer: its text, then everything its document holds.
QStringList dumpSegments(AnswerSegments &segments)
{
    QStringList out;
    for (int i = 0; i < segments.count(); ++i) {
        out << QStringLiteral("segment %1 at %2: ").arg(i).arg(segments.start(i)) + segments.source(i);
        out << dump(*segments.document(i));
    }
    return out;
}

// A long answer of many kinds of blocks, each numbered so no two read the same.
QString longAnswer(int sections)
{
    QString s;
    for (int i = 0; i < sections; ++i) {
        s += QStringLiteral("## Part %1\n\nSome **bold** text of part %1 with `code`.\n\n").arg(i);
        s += QStringLiteral("- item %1\n- second %1\n\n```\ncode %1\n```\n\n| a | b |\n|---|---|\n| %1 | x |\n\n").arg(i);
    }
    return s;
}

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestMarkdownView : public QObject {
    Q_OBJECT
private slots:
    void blocks_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QStringList>("expected");
        using L = QStringList;
        QTest::newRow("headings") << "# One\n## Two\n###### Six\ntext"
                                  << L{"h1:One", "h2:Two", "h6:Six", "p:text"};
        QTest::newRow("paragraphs and soft breaks") << "first line\nsame paragraph\n\nsecond"
                                                    << L{"p:first line same paragraph", "p:second"};
        QTest::newRow("bullet list") << "- a\n- b\n  - nested\n- c"
                                     << L{"p-ul1:a", "p-ul1:b", "p-ul2:nested", "p-ul1:c"};
        QTest::newRow("ordered list") << "1. x\n2. y" << L{"p-ol1:x", "p-ol1:y"};
        QTest::newRow("ordered list from 3") << "3. x\n4. y" << L{"p:3. x", "p:4. y"};
        QTest::newRow("task list") << "- [ ] todo\n- [x] done"
                                   << L{"p-ul1[ ]:todo", "p-ul1[x]:done"};
        QTest::newRow("fenced code") << "before\n\n```cpp\nint x = 1;\n  return x;\n```\nafter"
                                     << L{"p:before", "code:int x = 1;", "code:  return x;",
                                          "p:after"};
        QTest::newRow("code keeps markdown literal") << "```\n# not a heading\n<b>x</b>\n```"
                                                     << L{"code:# not a heading", "code:<b>x</b>"};
        QTest::newRow("table") << "| Name | Qty |\n|:--|--:|\n| apple | 3 |\n| pear | 10 |"
                               << L{"cell:Name", "cell:Qty", "cell:apple", "cell:3", "cell:pear",
                                    "cell:10"};
        QTest::newRow("block quote") << "> quoted *text*\n\nout"
                                     << L{"quote:quoted text", "p:out"};
        QTest::newRow("thematic break") << "a\n\n---\n\nb" << L{"p:a", "hr:", "p:b"};
        QTest::newRow("raw html block dropped")
            << "<script>alert(1)</script>\n\nsafe" << L{"p:safe"};
        QTest::newRow("raw inline html dropped")
            << "hello <b>bold</b> <img src=\"http://x.test/a.png\"> end"
            << L{"p:hello bold  end"};
        QTest::newRow("image shows its alt text") << "![a cat](http://x.test/cat.png)"
                                                  << L{"p:a cat"};
        QTest::newRow("inline marks") << "**b** *i* `c` ~~s~~" << L{"p:b i c s"};
        QTest::newRow("empty") << "" << L{};
    }

    void blocks()
    {
        QFETCH(QString, markdown);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(markdown), expected);
    }

    void headingStyles_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("weight");
        QTest::addColumn<double>("alpha");
        // The text colour is already at 0.8 in the light appearance.
        QTest::newRow("h1") << 1 << 22 << int(QFont::Bold) << 0.8;
        QTest::newRow("h2") << 2 << 18 << int(QFont::DemiBold) << 0.8;
        QTest::newRow("h3") << 3 << 15 << int(QFont::DemiBold) << 0.8;
        QTest::newRow("h4") << 4 << 14 << int(QFont::Medium) << 0.72;
        QTest::newRow("h5") << 5 << 13 << int(QFont::Medium) << 0.64;
        QTest::newRow("h6") << 6 << 12 << int(QFont::Medium) << 0.56;
    }

    void headingStyles()
    {
        QFETCH(int, level);
        QFETCH(int, pixelSize);
        QFETCH(int, weight);
        QFETCH(double, alpha);
        QTextDocument doc;
        MarkdownDocument::build(&doc, QString(level, QLatin1Char('#')) + QStringLiteral(" Title"));
        const QTextCharFormat f = formatAt(doc, QStringLiteral("Title"));
        QCOMPARE(f.font().pixelSize(), pixelSize);
        QCOMPARE(f.font().weight(), weight);
        QCOMPARE(f.foreground().color().name(), QStringLiteral("#272524"));
        QVERIFY(qAbs(f.foreground().color().alphaF() - alpha) < 0.01);
        const MarkdownDocument::HeadingStyle s = MarkdownDocument::headingStyle(level);
        const QTextBlockFormat bf = doc.find(QStringLiteral("Title")).block().blockFormat();
        QCOMPARE(int(bf.topMargin()), s.marginTop);
        QCOMPARE(int(bf.bottomMargin()), s.marginBottom);
    }

    void inlineStyles()
    {
        QTextDocument doc;
        MarkdownDocument::build(&doc, QStringLiteral(
            "plain **strong** *emph* `code` ~~gone~~ [site](https://example.com/a?b=1)"));
        const QTextCharFormat plain = formatAt(doc, QStringLiteral("plain"));
        QCOMPARE(plain.font().pixelSize(), 13);
        QCOMPARE(plain.font().weight(), int(QFont::Normal));
        QCOMPARE(formatAt(doc, QStringLiteral("strong")).font().weight(), int(QFont::DemiBold));
        const QTextCharFormat emph = formatAt(doc, QStringLiteral("emph"));
        QVERIFY(emph.font().italic());
        QVERIFY(qAbs(emph.foreground().color().alphaF() - 0.68) < 0.01);
        const QTextCharFormat code = formatAt(doc, QStringLiteral("code"));
        QCOMPARE(code.font().pixelSize(), 12);
        QCOMPARE(code.font().weight(), int(QFont::Medium));
        QCOMPARE(code.font().styleHint(), QFont::Monospace);
        QCOMPARE(code.background().color(), MarkdownDocument::surfaceColor(0.5));
        const QTextCharFormat gone = formatAt(doc, QStringLiteral("gone"));
        QVERIFY(gone.font().strikeOut());
        QVERIFY(qAbs(gone.foreground().color().alphaF() - 0.48) < 0.01);
        const QTextCharFormat link = formatAt(doc, QStringLiteral("site"));
        QVERIFY(link.isAnchor());
        QCOMPARE(link.anchorHref(), QStringLiteral("https://example.com/a?b=1"));
        QCOMPARE(link.foreground().color(), MarkdownDocument::accentColor());
        QCOMPARE(link.font().weight(), int(QFont::Medium));
    }

    void linkSchemes_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("href"); // empty: shown as text, not a link
        QTest::newRow("https") << "[a](https://a.test)" << "a" << "https://a.test";
        QTest::newRow("http") << "[a](http://a.test/x)" << "a" << "http://a.test/x";
        QTest::newRow("mailto") << "[m](mailto:me@a.test)" << "m" << "mailto:me@a.test";
        QTest::newRow("autolink www") << "see www.a.test now" << "www" << "http://www.a.test";
        QTest::newRow("autolink url") << "go https://b.test/p ok" << "https" << "https://b.test/p";
        QTest::newRow("javascript") << "[x](javascript:alert(1))" << "x" << "";
        QTest::newRow("file") << "[f](file:///etc/passwd)" << "f" << "";
        QTest::newRow("relative") << "[r](docs/readme.md)" << "r" << "";
        QTest::newRow("data") << "[d](data:text/html,hi)" << "d" << "";
    }

    void linkSchemes()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, text);
        QFETCH(QString, href);
        QTextDocument doc;
        MarkdownDocument::build(&doc, markdown);
        const QTextCharFormat f = formatAt(doc, text);
        QCOMPARE(f.isAnchor(), !href.isEmpty());
        QCOMPARE(f.anchorHref(), href);
    }

    void codeBlockFrame()
    {
        QTextDocument doc;
        MarkdownDocument::build(&doc, QStringLiteral("```\nx\n```"));
        QTextTable *table = nullptr;
        for (QTextFrame *f : doc.rootFrame()->childFrames())
            table = qobject_cast<QTextTable *>(f);
        QVERIFY(table);
        QVERIFY(table->format().property(MarkdownDocument::CodeBlockProperty).toBool());
        QCOMPARE(table->format().background().color(), MarkdownDocument::surfaceColor(0.7));
        QCOMPARE(table->format().border(), 0.5);
        const QTextTableCellFormat cell = table->cellAt(0, 0).format().toTableCellFormat();
        QCOMPARE(cell.leftPadding(), 12.0);
        QCOMPARE(cell.rightPadding(), 12.0);
        QCOMPARE(cell.topPadding(), 8.0);
        QCOMPARE(cell.bottomPadding(), 8.0);
        const QTextCharFormat f = formatAt(doc, QStringLiteral("x"));
        QCOMPARE(f.font().pixelSize(), 12);
        QCOMPARE(f.font().styleHint(), QFont::Monospace);
        QCOMPARE(table->format().topMargin(), 8.0);
        QCOMPARE(table->format().bottomMargin(), 8.0);
    }

    void tableHeaderAndAlignment()
    {
        QTextDocument doc;
        MarkdownDocument::build(&doc, QStringLiteral("| L | C | R |\n|:-|:-:|-:|\n| 1 | 2 | 3 |"));
        QTextTable *table = qobject_cast<QTextTable *>(doc.rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->rows(), 2);
        QCOMPARE(table->columns(), 3);
        QCOMPARE(table->format().headerRowCount(), 1);
        QCOMPARE(table->cellAt(0, 0).firstCursorPosition().charFormat().font().weight(),
                 int(QFont::DemiBold));
        QCOMPARE(table->cellAt(1, 1).firstCursorPosition().block().blockFormat().alignment()
                     & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QCOMPARE(table->cellAt(1, 2).firstCursorPosition().block().blockFormat().alignment()
                     & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
        QCOMPARE(table->cellAt(1, 0).firstCursorPosition().charFormat().font().pixelSize(), 12);
    }

    void neverFetchesImages()
    {
        QTextDocument doc;
        MarkdownDocument::build(&doc, QStringLiteral(
            "![x](http://x.test/a.png) <img src=\"https://x.test/b.png\">"));
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                QVERIFY(!it.fragment().charFormat().isImageFormat());
    }

    void malformedInputIsSafe_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::newRow("unclosed fence") << "```\ncode";
        QTest::newRow("ragged table") << "| a | b |\n|---|---|\n| 1 |\n| 1 | 2 | 3 |";
        QTest::newRow("deep nesting") << QString(200, QLatin1Char('>')) + QStringLiteral(" x");
        QTest::newRow("deep lists") << QStringLiteral("- a\n  - b\n    - c\n      - d\n        - e");
        QTest::newRow("list of code") << "- ```\n  x\n  ```\n- > q";
        QTest::newRow("invalid utf8 replacement") << QString::fromUtf8("a\xef\xbf\xbd b");
        QTest::newRow("nul") << QString(QChar(0)) + QStringLiteral("x");
    }

    void malformedInputIsSafe()
    {
        QFETCH(QString, markdown);
        QTextDocument doc;
        MarkdownDocument::build(&doc, markdown);
        QVERIFY(doc.blockCount() >= 1);
    }

    // Nesting far deeper than anyone writes (64 KB of list markers, 32,000 quote marks, emphasis
    // inside emphasis) is followed to a bounded depth and shown flat below it, its text kept.
    void deepNestingIsBoundedAndKeepsText_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("innermost");
        QTest::newRow("nested lists") << QStringLiteral("+ ").repeated(32 * 1024) + QStringLiteral("deep") << "deep";
        QTest::newRow("nested quotes") << QString(32000, QLatin1Char('>')) + QStringLiteral(" deep") << "deep";
        QTest::newRow("quotes and lists") << QStringLiteral("> - ").repeated(8000) + QStringLiteral("deep") << "deep";
        QTest::newRow("emphasis") << QStringLiteral("*a _").repeated(8000) + QStringLiteral("deep")
                + QStringLiteral("_ b*").repeated(8000) << "deep";
        QTest::newRow("links in emphasis") << QStringLiteral("**[x *").repeated(4000) + QStringLiteral("deep")
                + QStringLiteral("* y](https://e.com)**").repeated(4000) << "deep";
        QTest::newRow("code under deep quotes") << QString(100, QLatin1Char('>')) + QStringLiteral(" ```\n> code\n> ```\n> after")
                << "code";
    }

    void deepNestingIsBoundedAndKeepsText()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, innermost);
        // A small stack: recursion per nesting level would overflow it long before the end. The
        // document lives on that thread.
        QString plain;
        int frames = 0;
        int deepestIndent = 0;
        QThread worker;
        QObject::connect(&worker, &QThread::started, [&] {
            QTextDocument doc;
            MarkdownDocument::build(&doc, markdown);
            plain = doc.toPlainText();
            for (QTextFrame *f = doc.rootFrame(); f;) {
                const QList<QTextFrame *> children = f->childFrames();
                f = children.isEmpty() ? nullptr : children.first();
                frames += f ? 1 : 0;
            }
            for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
                if (b.textList())
                    deepestIndent = std::max(deepestIndent, b.textList()->format().indent());
            }
            worker.quit();
        });
        worker.setStackSize(512 * 1024);
        worker.start();
        QVERIFY(worker.wait(120000));
        QVERIFY(plain.contains(innermost));
        // At most a bounded number of quote frames and list levels.
        QVERIFY2(frames <= 40, qPrintable(QString::number(frames)));
        QVERIFY2(deepestIndent <= 40, qPrintable(QString::number(deepestIndent)));
        // The streamed build agrees.
        QTextDocument streamed;
        MarkdownDocument::IncrementalBuilder builder;
        builder.build(&streamed, markdown.left(markdown.size() / 2));
        builder.build(&streamed, markdown);
        QCOMPARE(streamed.toPlainText(), plain);
    }

    // A build is one change of the document (one edit block), so the layout follows once rather
    // than after every insertion; a streamed update likewise.
    void buildIsOneEdit()
    {
        QString text;
        for (int i = 0; i < 100; ++i)
            text += QStringLiteral("line %1 https://e.com/%1  \n").arg(i);
        text += QStringLiteral("\n> quote\n\n```\ncode\n```\n\n");
        for (int i = 0; i < 100; ++i)
            text += QStringLiteral("- item %1\n").arg(i);
        QTextDocument doc;
        doc.documentLayout(); // as in a view: the layout follows every change
        int changes = 0;
        connect(&doc, &QTextDocument::contentsChange, this, [&] { ++changes; });
        MarkdownDocument::build(&doc, text);
        QVERIFY2(changes <= 3, qPrintable(QString::number(changes))); // the clear, then the build
        changes = 0;
        MarkdownDocument::IncrementalBuilder builder;
        builder.build(&doc, text);
        const int first = changes;
        changes = 0;
        builder.build(&doc, text + QStringLiteral("- more\n"));
        QVERIFY2(first <= 3 && changes <= 1, qPrintable(QStringLiteral("%1 %2").arg(first).arg(changes)));
    }

    // Long lists keep their markers and numbers however they are held.
    void longListsKeepMarkersAndNumbers_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<int>("first");
        QString bullets, ordered, fromSeven;
        for (int i = 0; i < 300; ++i) {
            bullets += QStringLiteral("- b%1\n").arg(i);
            ordered += QStringLiteral("%1. o%1\n").arg(i + 1);
            fromSeven += QStringLiteral("%1. s\n").arg(i + 7);
        }
        QTest::newRow("bullets") << bullets << -1;
        QTest::newRow("ordered from 1") << ordered << 1;
        QTest::newRow("ordered from 7") << fromSeven << 7;
        QTest::newRow("ordered from 0") << QStringLiteral("0. a\n1. b\n") << 0;
    }

    void longListsKeepMarkersAndNumbers()
    {
        QFETCH(QString, markdown);
        QFETCH(int, first);
        QTextDocument doc;
        MarkdownDocument::build(&doc, markdown);
        int expected = first;
        int items = 0;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            if (b.text().isEmpty())
                continue;
            ++items;
            if (first < 0) {
                QVERIFY(b.textList());
                QCOMPARE(b.textList()->format().style(), QTextListFormat::ListDisc);
                continue;
            }
            // The number is the text list's or written before the text.
            const QString label = b.textList() ? b.textList()->itemText(b) : b.text().section(QLatin1Char(' '), 0, 0);
            QCOMPARE(label, QStringLiteral("%1.").arg(expected++));
        }
        QCOMPARE(items, int(markdown.count(QLatin1Char('\n'))));
    }

    // The cells of an answer's tables have a budget (a table costs rows * columns cells however
    // short its rows are written); a table past it is shown as its source text in a code block.
    void tableCellsHaveABudget()
    {
        QString wide;
        for (int c = 0; c < 100; ++c)
            wide += QStringLiteral("|h%1").arg(c);
        wide += QStringLiteral("|\n") + QStringLiteral("|-").repeated(100) + QStringLiteral("|\n");
        for (int r = 0; r < 400; ++r)
            wide += QStringLiteral("|r%1|\n").arg(r);
        const QString small = QStringLiteral("| a | b |\n|---|---|\n| 1 | 2 |\n");
        const QString markdown = small + QStringLiteral("\ntext\n\n") + wide + QStringLiteral("\nafter\n\n") + small;

        QTextDocument doc;
        MarkdownDocument::build(&doc, markdown);
        int cells = 0;
        int tables = 0;
        bool sourceShown = false;
        for (QTextFrame *f : doc.rootFrame()->childFrames()) {
            auto *t = qobject_cast<QTextTable *>(f);
            QVERIFY(t);
            if (t->format().property(MarkdownDocument::CodeBlockProperty).toBool()) {
                const QString code = QTextCursor(t->cellAt(0, 0).firstCursorPosition()).block().text();
                sourceShown = sourceShown || code.startsWith(QStringLiteral("|h0|h1|"));
                continue;
            }
            ++tables;
            cells += t->rows() * t->columns();
        }
        QCOMPARE(tables, 2); // the small ones, as tables
        QVERIFY2(cells <= 20000, qPrintable(QString::number(cells)));
        QVERIFY(sourceShown);
        QVERIFY(doc.toPlainText().contains(QStringLiteral("|r399|")));
        QVERIFY(doc.toPlainText().contains(QStringLiteral("after")));

        // Streamed in steps, the budget is crossed on the way and the result is the same.
        QTextDocument streamed;
        MarkdownDocument::IncrementalBuilder builder;
        for (qsizetype at = 500; at < markdown.size(); at += 500)
            builder.build(&streamed, markdown.left(at));
        builder.build(&streamed, markdown);
        QCOMPARE(dump(streamed), dump(doc));
    }

    // The view: plain text is literal, Markdown is rendered; streaming changes nothing.
    void viewPaths()
    {
        StreamingTextView plain(QStringLiteral("**bold** # hash <b>x</b>"), false, false);
        QCOMPARE(plain.toPlainText(), QStringLiteral("**bold** # hash <b>x</b>"));
        QVERIFY(plain.textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(plain.isReadOnly());

        StreamingTextView md(QStringLiteral("**bold** text"), false, true);
        QCOMPARE(md.toPlainText(), QStringLiteral("bold text"));
        StreamingTextView streaming(QStringLiteral("**bold** text"), true, true);
        QCOMPARE(streaming.document()->toHtml(), md.document()->toHtml());

        StreamingTextView empty(QString(), false, true);
        QCOMPARE(empty.heightForWidth(300), 0);
        StreamingTextView emptyPlain(QString(), false, false);
        QCOMPARE(emptyPlain.heightForWidth(300), 0);

        // Height follows the width: narrower means more lines.
        StreamingTextView longText(QString(40, QLatin1Char('w')).append(QStringLiteral(" word")).repeated(20),
                                   false, false);
        QVERIFY(longText.heightForWidth(150) > longText.heightForWidth(600));
    }

    void streamedBuildEqualsFreshBuild_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::newRow("paragraphs and headings") << "# Title\n\nSome **bold** and *em* text.\nSoft break.\n\n## Next\n\nMore `code` here.\n";
        QTest::newRow("setext heading turns a paragraph") << "Para line\n===\n\nText after\n---\n\nend";
        QTest::newRow("tight list turning loose") << "- one\n- two\n\n- three\n  more\n\n  para in item\n- [x] done\n- [ ] todo\n\nafter";
        QTest::newRow("ordered lists from 1 and from 3") << "1. a\n2. b\n\n3. c\n4. d\n\nx\n\n3. e\n4. f\n";
        QTest::newRow("nested lists and quotes") << "- a\n  - b\n    - c\n\n> quote **x**\n> - in quote\n>\n> ```\n> code\n> ```\n\ntail";
        QTest::newRow("code blocks") << "Intro\n\n```cpp\nint x = 1;\n\nint y;\n```\n\nMiddle\n\n    indented\n    code\n\n~~~\nopen fence";
        QTest::newRow("tables") << "| A | B |\n|:--|--:|\n| 1 | 2 |\n| 3 | **4** |\n\ntext\n\n| x |\n|:-:|\n| y |\n";
        QTest::newRow("reference link defined later") << "See [the docs][d] and [x].\n\nMore text.\n\n[d]: https://example.com/d\n[x]: mailto:a@b.c\n";
        QTest::newRow("paragraph directly followed by a table")
            << "Intro line\nsecond line\n| A | B |\n|---|---|\n| 1 | 2 |\n| 3 | 4 |\n\nafter\n\nmore\n";
        QTest::newRow("bare carriage returns") << "one\rtwo\n\nthree\r\rfour\n\nfive\r\n\r\n# six\n\n- seven\r- eight\n\nend";
        QTest::newRow("table followed by bare pipe lines") << "| A | B |\n|---|---|\n| 1 | 2 |\n| \n| \n|\n| x\n\n| \n| \nend\n";
        QTest::newRow("table taking a paragraph's last line") << "| AA|:|\n\n:\n-x-\n|-\n\nend\n";
        QTest::newRow("reference label over two lines") << "intro\n\n[multi\nline]: https://example.com\n\nSee [multi line].\n";
        QTest::newRow("html, rules and breaks") << "<div>raw</div>\n\nline  \nbreak\n\n***\n\n<b>i</b> text ~~gone~~ https://auto.link/x\n";
    }

    void streamedBuildEqualsFreshBuild()
    {
        // A growing answer built into one document, prefix after prefix, must read exactly as the
        // same text built fresh, at every length.
        QFETCH(QString, markdown);
        QTextDocument streamed;
        MarkdownDocument::IncrementalBuilder builder;
        int rebuiltBlocks = 0;
        int freshBlocks = 0;
        for (qsizetype n = 1; n <= markdown.size(); ++n) {
            const QString prefix = markdown.left(n);
            rebuiltBlocks += builder.build(&streamed, prefix);
            QTextDocument fresh;
            MarkdownDocument::build(&fresh, prefix);
            QTextDocument counted;
            freshBlocks += MarkdownDocument::IncrementalBuilder().build(&counted, prefix);
            const QStringList got = dump(streamed);
            const QStringList expected = dump(fresh);
            if (got != expected) {
                qWarning().noquote() << "prefix:" << prefix << "\nstreamed:\n" << got.join('\n') << "\nfresh:\n"
                                     << expected.join('\n');
                QCOMPARE(got, expected);
            }
            QCOMPARE(streamed.toPlainText(), fresh.toPlainText());
        }
        // Shrinking and changing the text in the middle are rebuilt as well.
        QString edited = markdown;
        edited[markdown.size() / 2] = QLatin1Char('Z');
        for (const QString &other : {markdown.left(markdown.size() / 2), edited, markdown, QStringLiteral("x\n\n") + markdown, QString()}) {
            builder.build(&streamed, other);
            QTextDocument fresh;
            MarkdownDocument::build(&fresh, other);
            QCOMPARE(dump(streamed), dump(fresh));
        }
        // Finished blocks were kept rather than built again (a text that is one growing block
        // until its end has nothing to keep).
        QTextDocument whole;
        const int blocks = MarkdownDocument::IncrementalBuilder().build(&whole, markdown);
        QVERIFY2(blocks < 3 ? rebuiltBlocks <= freshBlocks : rebuiltBlocks < freshBlocks,
                 qPrintable(QStringLiteral("%1 of %2").arg(rebuiltBlocks).arg(freshBlocks)));
    }

    void streamedSegmentsEqualFreshSegments_data() { streamedBuildEqualsFreshBuild_data(); }

    void streamedSegmentsEqualFreshSegments()
    {
        // The segmented answer, prefix after prefix, has exactly the segments (texts, places and
        // documents) of the same text segmented fresh; the segments cover the text.
        QFETCH(QString, markdown);
        AnswerSegments streamed;
        auto check = [&streamed](const QString &text) {
            streamed.update(text);
            AnswerSegments fresh;
            fresh.update(text);
            const QStringList got = dumpSegments(streamed);
            const QStringList expected = dumpSegments(fresh);
            if (got != expected) {
                qWarning().noquote() << "text:" << text << "\nstreamed:\n" << got.join('\n') << "\nfresh:\n" << expected.join('\n');
                QCOMPARE(got, expected);
            }
            QString joined;
            for (int i = 0; i < fresh.count(); ++i)
                joined += fresh.source(i);
            if (fresh.count() > 0)
                QCOMPARE(joined, text.mid(fresh.start(0)));
        };
        for (qsizetype n = 1; n <= markdown.size(); ++n) {
            check(markdown.left(n));
            if (QTest::currentTestFailed())
                return;
        }
        QString edited = markdown;
        edited[markdown.size() / 2] = QLatin1Char('Z');
        for (const QString &other : {markdown.left(markdown.size() / 2), edited, markdown, QStringLiteral("x\n\n") + markdown, QString()}) {
            check(other);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void editLaysOutOnlyTheChangedSegment_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("changed");
        QTest::newRow("a word in a middle paragraph") << "text of part 20 with" << "text of part 20 and more with" << 1;
        QTest::newRow("a middle code block's line") << "code 21" << "code 21 changed" << 1;
        QTest::newRow("a middle table cell") << "| 22 | x |" << "| 22 | y |" << 1;
        QTest::newRow("a middle heading") << "## Part 23" << "## Part 23 renamed" << 1;
        QTest::newRow("a middle paragraph split in two") << "text of part 24 with" << "text of part 24\n\nwith" << 2;
    }

    void editLaysOutOnlyTheChangedSegment()
    {
        // A long answer laid out whole, then edited in the middle: only the segment(s) the edit
        // touched are built and laid out again; every other keeps its document.
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, changed);
        const QString text = longAnswer(50);
        QVERIFY(text.contains(from));
        AnswerSegments segments;
        segments.update(text);
        QVERIFY(segments.count() >= 250);
        QList<QTextDocument *> before;
        for (int i = 0; i < segments.count(); ++i) {
            segments.height(i, 300);
            before << segments.document(i);
        }
        const int layouts = segments.layoutCount();
        QString edited = text;
        edited.replace(from, to);
        QCOMPARE(segments.update(edited), changed);
        QCOMPARE(segments.count(), int(before.size()) + changed - 1);
        int kept = 0;
        for (int i = 0; i < segments.count(); ++i) {
            if (segments.isBuilt(i) && before.contains(segments.document(i)))
                ++kept;
            segments.height(i, 300);
        }
        QCOMPARE(segments.layoutCount() - layouts, changed);
        QCOMPARE(kept, segments.count() - changed);
        AnswerSegments fresh;
        fresh.update(edited);
        QCOMPARE(dumpSegments(segments), dumpSegments(fresh));
    }

    void viewLaysOutOnlyWhatIsShown()
    {
        // The view measures the band it is told is on screen; the rest keeps its guess. A guess
        // corrected above the band is reported, so a caller can keep the band's content still.
        AnswerTextView view;
        view.setMarkdown(longAnswer(100));
        view.resize(300, view.heightForWidth(300));
        const int n = view.segments().count();
        QCOMPARE(view.segments().layoutCount(), 0);
        const int mid = n / 2;
        const int top = view.segmentTop(mid);
        const int guessed = view.segments().knownHeight(mid, 300);
        const int above = view.layOutVisible(top + 5, top + 400);
        int built = 0;
        for (int i = 0; i < n; ++i)
            built += view.segments().isBuilt(i) ? 1 : 0;
        QVERIFY2(built > 0 && built < 30, qPrintable(QString::number(built)));
        QVERIFY(!view.segments().isBuilt(mid - 1));
        // Only the band's first segment starts above its top.
        QCOMPARE(above, view.segments().height(mid, 300) - guessed);
        QCOMPARE(view.heightForWidth(300), view.segmentTop(n));
        QCOMPARE(view.toPlainText().count(QStringLiteral("Part ")), 100);
    }

    void selectionAcrossSegmentsCopiesAll()
    {
        AnswerTextView view;
        view.setMarkdown(QStringLiteral("First paragraph here\n\n- listed item\n\nThird one **bold**\n"));
        QCOMPARE(view.segments().count(), 3);
        view.resize(400, 10);
        view.resize(400, view.heightForWidth(400));
        view.layOutVisible(0, view.height());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto pointAt = [&view](int segment, const QString &word) {
            QTextDocument *doc = view.segments().document(segment);
            QTextCursor c = doc->find(word);
            QTextCursor at(doc);
            at.setPosition(c.selectionStart());
            const QRectF line = doc->documentLayout()->blockBoundingRect(at.block());
            const QTextLine l = at.block().layout()->lineForTextPosition(at.positionInBlock());
            const int x = int(l.cursorToX(at.positionInBlock()));
            return QPoint(x + 1, view.segmentTop(segment) + int(line.top() + l.y() + l.height() / 2));
        };
        const QPoint start = pointAt(0, QStringLiteral("paragraph"));
        const QPoint end = pointAt(2, QStringLiteral("one"));
        sendMouse(&view, QEvent::MouseButtonPress, start, Qt::LeftButton);
        sendMouse(&view, QEvent::MouseMove, end, Qt::LeftButton);
        sendMouse(&view, QEvent::MouseButtonRelease, end, Qt::NoButton);
        QVERIFY(view.hasSelection());
        QCOMPARE(view.selectedText(), QStringLiteral("paragraph here\nlisted item\nThird "));
        QApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("paragraph here\nlisted item\nThird "));
        QVERIFY(QApplication::clipboard()->mimeData()->html().contains(QStringLiteral("listed item")));
        // Select all takes every segment, backwards selection reads the same.
        view.selectAll();
        QCOMPARE(view.selectedText(), QStringLiteral("First paragraph here\nlisted item\nThird one bold"));
        sendMouse(&view, QEvent::MouseButtonPress, end, Qt::LeftButton);
        sendMouse(&view, QEvent::MouseMove, start, Qt::LeftButton);
        sendMouse(&view, QEvent::MouseButtonRelease, start, Qt::NoButton);
        QCOMPARE(view.selectedText(), QStringLiteral("paragraph here\nlisted item\nThird "));
    }

    void segmentLinkClicksOpenOnlyAllowedSchemes()
    {
        QList<QUrl> opened;
        UrlOpener::setHandler([&](const QUrl &u) { opened << u; return true; });
        AnswerTextView view;
        view.setMarkdown(QStringLiteral("intro\n\n[good](https://ok.test) and [bad](javascript:x)"));
        view.resize(400, 10);
        view.resize(400, view.heightForWidth(400));
        view.layOutVisible(0, 1000);
        for (const QString &word : {QStringLiteral("good"), QStringLiteral("bad")}) {
            QTextDocument *doc = view.segments().document(1);
            QTextCursor c = doc->find(word);
            QTextCursor at(doc);
            at.setPosition(c.selectionStart() + 1);
            const QTextLine l = at.block().layout()->lineForTextPosition(at.positionInBlock());
            const QPoint p(int(l.cursorToX(at.positionInBlock())), view.segmentTop(1) + int(doc->documentLayout()->blockBoundingRect(at.block()).top() + l.y() + l.height() / 2));
            sendMouse(&view, QEvent::MouseButtonPress, p, Qt::LeftButton);
            sendMouse(&view, QEvent::MouseButtonRelease, p, Qt::NoButton);
        }
        UrlOpener::setHandler({});
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://ok.test"))});
    }

    void linkClicksOpenOnlyAllowedSchemes()
    {
        QList<QUrl> opened;
        UrlOpener::setHandler([&](const QUrl &u) { opened << u; return true; });
        StreamingTextView view(QStringLiteral("[good](https://ok.test) and [bad](javascript:x)"),
                               false, true);
        view.resize(400, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (const QString &word : {QStringLiteral("good"), QStringLiteral("bad")}) {
            QTextCursor c = view.document()->find(word);
            QTextCursor mid(view.document());
            mid.setPosition(c.selectionStart() + 1);
            const QRect r = view.cursorRect(mid);
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, r.center());
        }
        UrlOpener::setHandler({});
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://ok.test"))});
    }
};

TAVO_TEST_MAIN(TestMarkdownView)
#include "tst_markdown_view.moc"
