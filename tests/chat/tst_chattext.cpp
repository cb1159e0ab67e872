#include "TestMain.h"
#include "chat/AttributedText.h"
#include "chat/ClipboardService.h"
#include "chat/RtfWriter.h"
#include "chat/TextProcessingService.h"
#include "chat/ToolResponseFormatting.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>

// The text pipeline of the chat: tool output formatting, Markdown normalisation, plain and
// rich copies.
class ChatTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toolResponse_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("latin escape") << R"(caf\u00e9)" << QString::fromUtf8("café");
        QTest::newRow("surrogate pair") << R"(\ud83d\ude00)" << QString::fromUcs4(U"\U0001F600");
        QTest::newRow("lone half stays") << R"(x \ud83d y)" << R"(x \ud83d y)";
        QTest::newRow("escaped line break") << R"(a\nb)" << "a\nb";
        QTest::newRow("label with value") << "Status: ok" << "**Status:** ok";
        QTest::newRow("label with tab") << "Name:\tvalue" << "**Name:** value";
        QTest::newRow("lazy label stops at first colon") << "Status: ok: fine" << "**Status:** ok: fine";
        QTest::newRow("list line untouched") << "- Status: ok" << "- Status: ok";
        QTest::newRow("answer text too") << "Note: read this" << "**Note:** read this";
        QTest::newRow("label alone becomes heading") << "Results:" << "\n\n## Results\n\n";
        QTest::newRow("label never spans lines") << "Title\nName: x" << "Title\n**Name:** x";
        QTest::newRow("label alone then a line") << "Results:\nfoo" << "\n\n## Results\n\n\nfoo";
        QTest::newRow("no JSON without both braces") << "a { b" << "a { b";
        QTest::newRow("flat JSON is fenced")
            << R"(Result {"b":"x","a":1} end)"
            << "Result \n```json\n{\n    \"a\": 1,\n    \"b\": \"x\"\n}\n```\n end";
        QTest::newRow("nested JSON fences the inner object")
            << R"({"outer":{"inner":1}})" << "{\"outer\":\n```json\n{\n    \"inner\": 1\n}\n```\n}";
        QTest::newRow("same object twice")
            << R"({"a":1} and {"a":1})" << "\n```json\n{\n    \"a\": 1\n}\n```\n and \n```json\n{\n    \"a\": 1\n}\n```\n";
        QTest::newRow("invalid JSON left alone") << "{not json}" << "{not json}";
        QTest::newRow("bare address linked")
            << "see https://example.com/path now" << "see [example.com](https://example.com/path) now";
        QTest::newRow("address on its own line is not a label")
            << "https://example.com/a" << "[example.com](https://example.com/a)";
        QTest::newRow("link target not linked again") << "[x](https://example.com)" << "[x](https://example.com)";
        QTest::newRow("spaced link target not linked again") << "[x]( https://example.com )" << "[x]( https://example.com )";
        QTest::newRow("address without dot") << "http://localhost:8080/x" << "[http://localhost:8080/x](http://localhost:8080/x)";
        QTest::newRow("blank lines collapsed") << "a\n\n\n\nb" << "a\n\nb";
        QTest::newRow("heading gets blank lines") << "text\n## Head\nmore" << "text\n\n## Head\n\nmore";
        QTest::newRow("spaces and tabs trimmed, not line feeds") << " \t\nx\n\t " << "\nx\n";
        QTest::newRow("fenced code untouched")
            << "```\nStatus: ok\nhttps://a.com/x\n\n\n\n\\n {\"a\":1}\n```"
            << "```\nStatus: ok\nhttps://a.com/x\n\n\n\n\\n {\"a\":1}\n```";
        QTest::newRow("unclosed fence untouched while it streams")
            << "Intro:\n```py\nKey: value" << "\n\n## Intro\n\n\n```py\nKey: value";
        QTest::newRow("inline code untouched")
            << R"(Run `printf("a\n")` and `Key: v` here)" << R"(Run `printf("a\n")` and `Key: v` here)";
        QTest::newRow("label before inline code still bold") << "Use: `x`" << "**Use:** `x`";
        QTest::newRow("escape inside code kept") << R"(`\u00e9` \u00e9)" << QString::fromUtf8("`\\u00e9` é");
    }

    void toolResponse()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(formatToolResponse(input), expected);
    }

    void streamingFormatMatchesWholeFormat()
    {
        // A growing text formatted piece by piece reads exactly as the whole text formatted at once.
        static const QStringList tokens = {
            "word ", "Status: ok", "Results:", "\n", "\n\n", "\n\n\n", "## Head", "# T", "{\"a\":1}", "{\"b\": [1]}", "{", "}",
            "(", ")", "[x](https://e.com/a)", "https://site.org/p ", "`code`", "`", "```py\nx = {\n", "```", "\n```\n",
            R"(\u00e9)", R"(\ud83d\ude00)", R"(\n)", R"(\u007b)", "  ", "\t", "- item", "Note:\tvalue", "http://h/x)", "~~~\n",
            "\r", "\r\n", "```\r"};
        QRandomGenerator rng(1234);
        for (int round = 0; round < 200; ++round) {
            QString text;
            const int n = 20 + rng.bounded(80);
            for (int i = 0; i < n; ++i)
                text += tokens[rng.bounded(int(tokens.size()))];
            StreamingToolResponseFormatter formatter;
            qsizetype at = 0;
            while (at < text.size()) {
                at = std::min(text.size(), at + 1 + rng.bounded(12));
                const QString prefix = text.left(at);
                const QString expected = formatToolResponse(prefix);
                const QString got = formatter.format(prefix);
                if (got != expected) {
                    qWarning().noquote() << "text:" << prefix;
                    QCOMPARE(got, expected);
                }
            }
        }
    }

    void streamingFormatKeepsPastClosedCodeBlocks()
    {
        // An answer with code blocks and tildes in its prose keeps its finished paragraphs
        // formatted: the work per chunk does not grow with the answer.
        QString text;
        for (int i = 0; i < 20; ++i)
            text += QStringLiteral("Part %1 takes ~5 minutes.\n\n```py\nx = {%1}\n```\n\n~~~\nraw\n~~~\n\nStatus: fine\n\n").arg(i);
        StreamingToolResponseFormatter formatter;
        for (qsizetype at = 16; at <= text.size(); at += 16)
            formatter.format(text.left(at));
        QCOMPARE(formatter.format(text), formatToolResponse(text));
        QVERIFY2(formatter.keptLength() > text.size() - 200,
                 qPrintable(QStringLiteral("%1 of %2").arg(formatter.keptLength()).arg(text.size())));
        // Texts where a rule reaches across a paragraph break, streamed a character at a time.
        for (const QString &tricky : {QStringLiteral("http://h/x)\n\nResults:\\u007b\n\n\n}{"),
                                      QStringLiteral("a\n\nOutput: {\n\n\"k\": 1}\n\nb"),
                                      QStringLiteral("x\n\n```\nopen\n\n```\n\nText ~~~ here\n\n~~~\ny\n\n~~~\n\nz")}) {
            StreamingToolResponseFormatter streamed;
            for (qsizetype n = 1; n <= tricky.size(); ++n)
                QCOMPARE(streamed.format(tricky.left(n)), formatToolResponse(tricky.left(n)));
        }
        // An open fence holds the cut back until it closes.
        StreamingToolResponseFormatter open;
        const QString unclosed = QStringLiteral("Intro\n\n```\ncode\n\nmore code\n\nstill code\n\n");
        QCOMPARE(open.format(unclosed), formatToolResponse(unclosed));
        QVERIFY(open.keptLength() <= 7);
    }

    void streamingCutAtTheFirstParagraphBreak()
    {
        // The shortest answers that take each formatter's cut at a paragraph break: the check
        // walks the code regions of the part before the cut (and must not outlive them).
        StreamingMarkdownFormatter markdown;
        QCOMPARE(markdown.format(QStringLiteral("a\n\nb")), TextProcessingService::formatForMarkdown(QStringLiteral("a\n\nb")));
        QCOMPARE(markdown.keptLength(), 3);
        StreamingToolResponseFormatter tool;
        QCOMPARE(tool.format(QStringLiteral("a\n\nb\n")), formatToolResponse(QStringLiteral("a\n\nb\n")));
        QCOMPARE(tool.keptLength(), 3);
    }

    void formatForMarkdown_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bullets") << QString::fromUtf8("• one\n• two") << "- one\n\n- two";
        QTest::newRow("runs of line feeds") << "a\n\n\n\nb" << "a\n\nb";
        QTest::newRow("heading and bold lines") << "a\n# T\n**b** c" << "a\n\n# T\n\n**b** c";
        QTest::newRow("trim") << "  text  " << "text";
        QTest::newRow("code block lines kept")
            << "Intro\n```\nline1\nline2\n```\nOutro" << "Intro\n\n```\nline1\nline2\n```\n\nOutro";
        QTest::newRow("bullet in inline code kept") << QString::fromUtf8("Use `•` here") << QString::fromUtf8("Use `•` here");
        QTest::newRow("table rows stay together")
            << "Intro\n| A | B |\n|:--|--:|\n| 1 | 2 |\n| 3 | 4 |\nAfter"
            << "Intro\n\n| A | B |\n|:--|--:|\n| 1 | 2 |\n| 3 | 4 |\n\nAfter";
        QTest::newRow("bar lines without a delimiter row are paragraphs") << "a | b\nc | d" << "a | b\n\nc | d";
    }

    void formatForMarkdown()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(TextProcessingService::formatForMarkdown(input), expected);
    }

    void streamingMarkdownFormatMatchesWholeFormat()
    {
        // The answer card formats a growing answer at its end only; it must read exactly as the
        // whole answer formatted at once, and keep its finished paragraphs past closed code.
        static const QStringList tokens = {"word ", "\n", "\n\n", "\n\n\n", QString::fromUtf8("• item"), "```py\nx = 1\n",
                                           "```", "\n```\n", "`x`", "`", "| a | b |\n", "|---|:-:|\n", "~~~\n", "  ",
                                           "\t", "- li", "# H", "\r", "\r\n", "| x |\r"};
        QRandomGenerator rng(99);
        for (int round = 0; round < 150; ++round) {
            QString text;
            const int n = 20 + rng.bounded(60);
            for (int i = 0; i < n; ++i)
                text += tokens[rng.bounded(int(tokens.size()))];
            StreamingMarkdownFormatter formatter;
            for (qsizetype at = 0; at < text.size();) {
                at = std::min(text.size(), at + 1 + rng.bounded(10));
                const QString prefix = text.left(at);
                const QString got = formatter.format(prefix);
                if (got != TextProcessingService::formatForMarkdown(prefix)) {
                    qWarning().noquote() << "text:" << prefix;
                    QCOMPARE(got, TextProcessingService::formatForMarkdown(prefix));
                }
            }
        }
        // The text it formats (tool output, already formatted) can change behind a kept part: a
        // run of line breaks continued across the cut is still one paragraph break.
        StreamingMarkdownFormatter rewritten;
        rewritten.format(QStringLiteral("A\n\nB"));
        QCOMPARE(rewritten.format(QStringLiteral("A\n\n\n\nB")), QStringLiteral("A\n\nB"));
        QCOMPARE(rewritten.format(QStringLiteral("A\n\n| x |")), TextProcessingService::formatForMarkdown(QStringLiteral("A\n\n| x |")));

        QString answer;
        for (int i = 0; i < 30; ++i)
            answer += QStringLiteral("Para %1\n\n```\ncode %1\n```\n\n| h | i |\n|---|---|\n| %1 | x |\n\n").arg(i);
        StreamingMarkdownFormatter formatter;
        for (qsizetype at = 10; at <= answer.size(); at += 10)
            formatter.format(answer.left(at));
        QCOMPARE(formatter.format(answer), TextProcessingService::formatForMarkdown(answer));
        QVERIFY(formatter.keptLength() > answer.size() - 100);
    }

    void stripMarkdown_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("emphasis and code") << "**Bold** and *it* and `x`" << "Bold and it and x";
        QTest::newRow("underscores") << "__b__ _i_" << "b i";
        QTest::newRow("link") << "[Docs](x)" << "Docs";
        QTest::newRow("strike") << "~~old~~ new" << "old new";
        QTest::newRow("fence") << "```text\nprint(1)\n```" << "print(1)";
        QTest::newRow("headings and quotes on every line") << "# Title\n## Sub\n> quote\n#tag" << "Title\nSub\nquote\n#tag";
        QTest::newRow("blank lines") << "a\n\n\n\nb\n" << "a\n\nb";
    }

    void stripMarkdown()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(TextProcessingService::stripMarkdown(input), expected);
    }

    void renderLine_data()
    {
        // Runs as "text/kind" where kind is p (plain), b (bold), i (italic), c (code), l (link),
        // h15/h18/h22 (headings) and f (fence line).
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("h3") << "### Title" << QStringList{"Title/h15"};
        QTest::newRow("h2") << "## Title" << QStringList{"Title/h18"};
        QTest::newRow("h1") << "# Title" << QStringList{"Title/h22"};
        QTest::newRow("no space no heading") << "#Title" << QStringList{"#Title/p"};
        QTest::newRow("bare fence") << "```" << QStringList{};
        QTest::newRow("fence with language") << "```python" << QStringList{"python/f"};
        QTest::newRow("bold in the middle") << "Hello **world** end" << QStringList{"Hello /p", "world/b", " end/p"};
        QTest::newRow("lone asterisk") << "5 * 3 = 15" << QStringList{"5 * 3 = 15/p"};
        QTest::newRow("link") << "see [Docs](x)" << QStringList{"see /p", "Docs/l"};
        QTest::newRow("italic") << "an *idea*" << QStringList{"an /p", "idea/i"};
        QTest::newRow("spans in line order") << "a `x` **b**" << QStringList{"a /p", "x/c", " /p", "b/b"};
        QTest::newRow("not a link without adjacent parenthesis")
            << "[a] b (c)" << QStringList{"[a] b (c)/p"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void renderLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, runs);
        const AttributedText t = renderMarkdownLine(line, AttributedText::baseRun());
        QStringList got;
        for (const AttributedRun &r : t.runs()) {
            QString kind = QStringLiteral("p");
            if (r.link)
                kind = QStringLiteral("l");
            else if (r.background.isValid())
                kind = r.font.weight() == QFont::Medium ? QStringLiteral("c") : QStringLiteral("f");
            else if (r.font.pixelSize() != 13)
                kind = QStringLiteral("h%1").arg(r.font.pixelSize());
            else if (r.font.italic())
                kind = QStringLiteral("i");
            else if (r.font.weight() == QFont::Bold)
                kind = QStringLiteral("b");
            got << r.text + QLatin1Char('/') + kind;
        }
        QCOMPARE(got, runs);
    }

    void runAttributes()
    {
        const AttributedText t = renderMarkdownLine(QStringLiteral("[Docs](https://example.com) `c` x"), AttributedText::baseRun());
        QCOMPARE(t.runs().size(), 4);
        const AttributedRun &link = t.runs()[0];
        QVERIFY(link.underline);
        QCOMPARE(link.foreground, AttributedText::linkColor());
        QCOMPARE(*link.link, QUrl(QStringLiteral("https://example.com")));
        QCOMPARE(link.font.weight(), QFont::Medium);
        const AttributedRun &code = t.runs()[2];
        QCOMPARE(code.foreground, AttributedText::codeColor());
        QCOMPARE(code.font.pixelSize(), 12);
        const AttributedRun &plain = t.runs()[3];
        QCOMPARE(plain.foreground, AttributedText::labelColor());
        QVERIFY(!plain.background.isValid());
        QVERIFY(!plain.underline);
        QVERIFY(!plain.link);
    }

    void linesKeepTheirBreaks()
    {
        AttributedText t = markdownToAttributedString(QStringLiteral("a\nb"));
        QCOMPARE(t.plainText(), QStringLiteral("a\nb"));
        QCOMPARE(t.runs().size(), 3);
        QCOMPARE(t.runs()[1].text, QStringLiteral("\n"));
        t = markdownToAttributedString(QStringLiteral("a\r\nb\n"));
        QCOMPARE(t.plainText(), QStringLiteral("a\nb\n"));
    }

    void rtfWriter()
    {
        const AttributedText t = markdownToAttributedString(
            QString::fromUtf8("# Big\nPlain {x} \\ caf\u00e9 😀 **bold** *it* [Docs](https://example.com/a?q=1)"));
        const QByteArray rtf = RtfWriter::write(t);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi"));
        QVERIFY(rtf.endsWith('}'));
        QVERIFY(rtf.contains("\\fs44\\b"));   // 22 px heading, bold
        QVERIFY(rtf.contains("\\fs26\\b0\\i0\\ulnone")); // plain 13 px
        QVERIFY(rtf.contains("\\b\\i0\\ulnone\\cf1 bold}"));
        QVERIFY(rtf.contains("\\b0\\i\\ulnone\\cf1 it}"));
        QVERIFY(rtf.contains("Plain \\{x\\} \\\\ caf\\u233?"));
        QVERIFY(rtf.contains("\\u-10179?\\u-8704?")); // the emoji as its two UTF-16 units
        QVERIFY(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/a?q=1\"}}{\\fldrslt{"));
        QVERIFY(rtf.contains("\\ul\\cf2 Docs}"));
        QVERIFY(rtf.contains("{\\colortbl;\\red0\\green0\\blue0;\\red0\\green122\\blue255;}"));
        // Braces balance, so readers see one well-formed group.
        int depth = 0;
        for (int i = 0; i < rtf.size(); ++i) {
            if (rtf[i] == '\\') {
                ++i;
                continue;
            }
            depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
            QVERIFY(depth >= 0);
        }
        QCOMPARE(depth, 0);
    }

    void htmlForm()
    {
        const AttributedText t = markdownToAttributedString(QStringLiteral("<b>x</b> **y**\n[ok](https://a.com) [bad](javascript:alert(1))"));
        const QString html = QString::fromUtf8(*attributedStringToHTMLData(t));
        QVERIFY(html.contains(QStringLiteral("&lt;b&gt;x&lt;/b&gt;")));
        QVERIFY(html.contains(QStringLiteral("font-weight: 700")));
        QVERIFY(html.contains(QStringLiteral("<br>")));
        QVERIFY(html.contains(QStringLiteral("<a href=\"https://a.com\">")));
        QVERIFY(!html.contains(QStringLiteral("javascript")));
    }

    // The HTML and the RTF form of a copy follow one link rule: a target the application would
    // not open itself is dropped from both, and the link's text stays in both.
    void copyFormsShareOneLinkRule_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("kept");
        QTest::newRow("https") << "https://a.com/p?q=1" << true;
        QTest::newRow("http") << "http://a.com" << true;
        QTest::newRow("mailto") << "mailto:me@a.com" << true;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("javascript upper case") << "JavaScript:alert(1)" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("data") << "data:text/html,x" << false;
        QTest::newRow("relative") << "docs/x" << false;
    }

    void copyFormsShareOneLinkRule()
    {
        QFETCH(QString, target);
        QFETCH(bool, kept);
        const AttributedText t = markdownToAttributedString(QStringLiteral("see [Docs](%1) end").arg(target));
        const QString html = QString::fromUtf8(*attributedStringToHTMLData(t));
        const QByteArray rtf = RtfWriter::write(t);
        QCOMPARE(html.contains(QLatin1String("<a href=")), kept);
        QCOMPARE(rtf.contains("HYPERLINK"), kept);
        const QString scheme = target.section(QLatin1Char(':'), 0, 0);
        if (!kept && target.contains(QLatin1Char(':'))) {
            QVERIFY(!html.contains(scheme, Qt::CaseInsensitive));
            QVERIFY(!QString::fromLatin1(rtf).contains(scheme, Qt::CaseInsensitive));
        }
        QVERIFY(html.contains(QLatin1String(">Docs</span>")));
        QVERIFY(rtf.contains(" Docs}"));
    }

    void richCopyPutsOneItemWithThreeForms()
    {
        QClipboard *cb = QGuiApplication::clipboard();
        cb->clear();
        ClipboardService::copyRichText(QStringLiteral("**Hi** there"), QStringLiteral("**Hi** there"), cb);
        const QMimeData *md = cb->mimeData();
        QVERIFY(md);
        QCOMPARE(md->text(), QStringLiteral("Hi there"));
        QVERIFY(md->hasHtml());
        QVERIFY(md->html().contains(QStringLiteral(">Hi</span>")));
        QVERIFY(md->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));
    }
};

TAVO_TEST_MAIN(ChatTextTest)
#include "tst_chattext.moc"
