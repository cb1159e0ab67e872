#include "TestMain.h"
#include "chat/HTMLStreamingParser.h"

// The document stream parser: markers split anywhere, held prefixes, several documents per
// chunk, flushing, and the decoding of finished documents.
class HtmlStreamParserTest : public QObject {
    Q_OBJECT

    // One call's result as text: T[text] for answer text, S for a start, D[body] for a document.
    static QString trace(const HTMLStreamResult &r)
    {
        QStringList parts;
        for (const HTMLStreamPiece &p : r.pieces) {
            switch (p.kind) {
            case HTMLStreamPiece::Text:
                parts << QStringLiteral("T[%1]").arg(p.text);
                break;
            case HTMLStreamPiece::DocumentStart:
                parts << QStringLiteral("S");
                break;
            case HTMLStreamPiece::DocumentEnd:
                parts << QStringLiteral("D[%1]").arg(p.text);
                break;
            }
        }
        return parts.join(QLatin1Char('|'));
    }

private Q_SLOTS:
    void chunks_data()
    {
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QStringList>("traces"); // one per chunk
        QTest::addColumn<QString>("flushed");

        QTest::newRow("whole document in one chunk")
            << QStringList{"Intro HTML_DOCUMENT_START<p>x</p>HTML_DOCUMENT_END Outro"}
            << QStringList{"T[Intro ]|S|D[<p>x</p>]|T[ Outro]"} << "";
        QTest::newRow("markers split across chunks")
            << QStringList{"Intro HTML_DOC", "UMENT_START<p>x</p>HTML_DOCUMENT_", "END Outro"}
            << QStringList{"T[Intro ]", "S", "D[<p>x</p>]|T[ Outro]"} << "";
        QTest::newRow("plain HTML word") << QStringList{"HTML is fun"} << QStringList{"T[HTML is fun]"} << "";
        QTest::newRow("HTML word held then released")
            << QStringList{"HTML", " is fun"} << QStringList{"", "T[HTML is fun]"} << "";
        QTest::newRow("HH releases only the first H") << QStringList{"HH", "TML_DOCUMENT_STARTa"}
                                                       << QStringList{"T[H]", "S"} << "HTML_DOCUMENT_STARTa";
        QTest::newRow("two documents in one chunk stay in order")
            << QStringList{"aHTML_DOCUMENT_START1HTML_DOCUMENT_ENDbHTML_DOCUMENT_START2HTML_DOCUMENT_ENDc"}
            << QStringList{"T[a]|S|D[1]|T[b]|S|D[2]|T[c]"} << "";
        QTest::newRow("near-miss end marker goes into the body")
            << QStringList{"HTML_DOCUMENT_START<b>HTML_DOCUMENT_EN", "X</b>HTML_DOCUMENT_END"}
            << QStringList{"S", "D[<b>HTML_DOCUMENT_ENX</b>]"} << "";
        QTest::newRow("unfinished document is flushed with its marker")
            << QStringList{"HTML_DOCUMENT_START<div>"} << QStringList{"S"} << "HTML_DOCUMENT_START<div>";
        QTest::newRow("held end prefix is flushed with the document")
            << QStringList{"HTML_DOCUMENT_START<div>HTML_DOCUMENT_E"} << QStringList{"S"}
            << "HTML_DOCUMENT_START<div>HTML_DOCUMENT_E";
        QTest::newRow("marks after markers stay with the text after them")
            << QStringList{QString::fromUtf8("aHTML_DOCUMENT_START\u0301<p>HTML_DOCUMENT_END\uFE0Fb")}
            << QStringList{QString::fromUtf8("T[a]|S|D[\u0301<p>]|T[\uFE0Fb]")} << "";
        QTest::newRow("held outside prefix is flushed") << QStringList{"see HTML_"} << QStringList{"T[see ]"} << "HTML_";
        QTest::newRow("nothing held") << QStringList{"plain"} << QStringList{"T[plain]"} << "";
        QTest::newRow("empty chunk") << QStringList{""} << QStringList{""} << "";
        QTest::newRow("character by character")
            << QString("xHTML_DOCUMENT_STARTyHTML_DOCUMENT_ENDz").split(QString(), Qt::SkipEmptyParts)
            << QStringList() << "";
        QTest::newRow("combining mark after H is not a marker")
            << QStringList{QString::fromUtf8("H\u0301TML_DOCUMENT_STARTx")}
            << QStringList{QString::fromUtf8("T[H\u0301TML_DOCUMENT_STARTx]")} << "";
        QTest::newRow("emoji next to markers")
            << QStringList{QString::fromUtf8("😀HTML_DOCUMENT_START😀HTML_DOCUMENT_END😀")}
            << QStringList{QString::fromUtf8("T[😀]|S|D[😀]|T[😀]")} << "";
    }

    void chunks()
    {
        QFETCH(QStringList, chunks);
        QFETCH(QStringList, traces);
        QFETCH(QString, flushed);
        HTMLStreamingParser parser;
        QStringList got;
        QString outside;
        QStringList docs;
        for (const QString &c : chunks) {
            const HTMLStreamResult r = parser.process(c);
            got << trace(r);
            outside += r.outsideText();
            docs << r.finishedDocuments();
        }
        if (!traces.isEmpty()) {
            QCOMPARE(got, traces);
        } else {
            // Fed one character at a time: the same split as in one piece.
            QCOMPARE(outside, QStringLiteral("xz"));
            QCOMPARE(docs, QStringList{"y"});
        }
        QCOMPARE(parser.flushIncomplete().pending, flushed);
        QCOMPARE(parser.flushIncomplete().pending, QString()); // forgotten after a flush
    }

    // Every split of a text into two or three chunks gives what the whole text gives: the same
    // answer text, documents and held rest, whatever follows or precedes a marker.
    void sameResultHoweverChunksSplit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("combining mark after start") << QString::fromUtf8("xHTML_DOCUMENT_START\u0301<p>HTML_DOCUMENT_ENDy");
        QTest::newRow("joiner after end") << QString::fromUtf8("HTML_DOCUMENT_START<i>HTML_DOCUMENT_END\u200D😀 z");
        QTest::newRow("variation selector after both")
            << QString::fromUtf8("HTML_DOCUMENT_START\uFE0Fa HTML_DOCUMENT_END\uFE0F");
        QTest::newRow("prepended mark before H") << QString::fromUtf8("\u0600HTML_DOCUMENT_STARTbHTML_DOCUMENT_END");
        QTest::newRow("mark inside a marker") << QString::fromUtf8("HTML_DOC\u0301UMENT_STARTc");
        QTest::newRow("cut document with held end") << QStringLiteral("HHTML_DOCUMENT_STARTHTML_DOCUMENT_ENHTML_DOCU");
    }

    void sameResultHoweverChunksSplit()
    {
        QFETCH(QString, text);
        auto run = [](const QStringList &chunks) {
            HTMLStreamingParser parser;
            QString out;
            for (const QString &c : chunks) {
                const HTMLStreamResult r = parser.process(c);
                for (const HTMLStreamPiece &p : r.pieces)
                    out += p.kind == HTMLStreamPiece::Text ? p.text
                        : p.kind == HTMLStreamPiece::DocumentStart ? QStringLiteral("<S>")
                                                                   : QStringLiteral("<D:%1>").arg(p.text);
            }
            return out + QStringLiteral("<F:%1>").arg(parser.flushIncomplete().pending);
        };
        const QString whole = run({text});
        for (qsizetype a = 0; a <= text.size(); ++a) {
            for (qsizetype b = a; b <= text.size(); ++b) {
                const QString got = run({text.left(a), text.mid(a, b - a), text.mid(b)});
                if (got != whole) {
                    qWarning() << "split at" << a << b;
                    QCOMPARE(got, whole);
                }
            }
        }
    }

    void heldPrefixesStayBounded()
    {
        HTMLStreamingParser parser;
        parser.process(QStringLiteral("HTML_DOCUMENT_STAR"));
        QCOMPARE(parser.startBuffer().size(), 18);
        parser.process(QStringLiteral("T"));
        QVERIFY(parser.inHTML());
        parser.process(QStringLiteral("HTML_DOCUMENT_EN"));
        QCOMPARE(parser.endBuffer().size(), 16);
        QVERIFY(parser.htmlBody().isEmpty());
    }

    void flushTellsDocumentFromHeldText()
    {
        HTMLStreamingParser parser;
        parser.process(QStringLiteral("a HTML"));
        HTMLFlushResult r = parser.flushIncomplete();
        QVERIFY(!r.documentCut);
        QCOMPARE(r.heldOutside, QStringLiteral("HTML"));

        parser.process(QStringLiteral("HTML_DOCUMENT_START<p>HTML_DOC"));
        r = parser.flushIncomplete();
        QVERIFY(r.documentCut);
        // The held beginning of the end marker belongs to the cut document.
        QCOMPARE(r.pending, QStringLiteral("HTML_DOCUMENT_START<p>HTML_DOC"));
        QVERIFY(r.heldOutside.isEmpty());
        // The parser starts afresh: ordinary text passes again.
        QCOMPARE(parser.process(QStringLiteral("ok")).outsideText(), QStringLiteral("ok"));
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("latin escape") << R"(caf\u00e9)" << QString::fromUtf8("café");
        QTest::newRow("surrogate pair becomes one character") << R"(\ud83d\ude00!)" << QString::fromUtf8("😀!");
        QTest::newRow("lone high half removed") << R"(a\ud83db)" << "ab";
        QTest::newRow("lone low half removed") << R"(a\ude00b)" << "ab";
        QTest::newRow("reversed pair removed") << R"(a\ude00\ud83db)" << "ab";
        QTest::newRow("escaped backslash then escape") << R"(\\u0041)" << "A";
        QTest::newRow("escaped backslash then n") << R"(\\n)" << "\\\n";
        QTest::newRow("line feed tab quote") << R"(a\nb\tc\"d)" << "a\nb\tc\"d";
        QTest::newRow("not an escape") << R"(\u12G4 \u)" << R"(\u12G4 \u)";
        QTest::newRow("upper-case hex") << R"(\u00C9)" << QString::fromUtf8("É");
    }

    void decoding()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(HTMLStreamingParser::decodeDocument(input), expected);
    }

    void decodingIsBounded()
    {
        // The first 1000 escapes are decoded, later ones stay as written.
        QString many = QString(R"(\u0041)").repeated(1001);
        QCOMPARE(decodeHTMLUnicodeEscapes(many), QString(1000, QLatin1Char('A')) + R"(\u0041)");

        // A pair straddling the limit stays whole, as written.
        QString straddle = QString(R"(\u0041)").repeated(999) + R"(\ud83d\ude00)";
        QCOMPARE(decodeHTMLUnicodeEscapes(straddle), QString(999, QLatin1Char('A')) + R"(\ud83d\ude00)");

        // A very large document keeps every escape as written instead of losing them.
        const QString big = QString(100001 - 6, QLatin1Char('x')) + R"(\u00e9)";
        QCOMPARE(decodeHTMLUnicodeEscapes(big), big);
        const QString limit = QString(100000 - 6, QLatin1Char('x')) + R"(\u00e9)";
        QCOMPARE(decodeHTMLUnicodeEscapes(limit), QString(100000 - 6, QLatin1Char('x')) + QString::fromUtf8("é"));
    }
};

TAVO_TEST_MAIN(HtmlStreamParserTest)
#include "tst_htmlstreamparser.moc"
