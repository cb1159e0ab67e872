// The streaming HTML document parser: any text in any chunks is taken without crashing, what it
// holds stays bounded, and the answer text, documents and the held rest are the same however the
// text is split into chunks.
#include "FuzzSupport.h"
#include "chat/HTMLStreamingParser.h"

namespace {

QString run(const QStringList &chunks)
{
    HTMLStreamingParser parser;
    QString out;
    for (const QString &c : chunks) {
        const HTMLStreamResult r = parser.process(c);
        for (const HTMLStreamPiece &p : r.pieces) {
            switch (p.kind) {
            case HTMLStreamPiece::Text: out += p.text; break;
            case HTMLStreamPiece::DocumentStart: out += QStringLiteral("\x01S\x01"); break;
            case HTMLStreamPiece::DocumentEnd: out += QStringLiteral("\x01D:") + p.text + QStringLiteral("\x01"); break;
            }
        }
        if (parser.startBuffer().size() >= HTMLStreamingParser::startMarker.size()
            || parser.endBuffer().size() >= HTMLStreamingParser::endMarker.size())
            Fuzz::fail("the parser holds more than a marker's beginning", chunks.join(QString()), parser.startBuffer(), parser.endBuffer());
    }
    const HTMLFlushResult rest = parser.flushIncomplete();
    out += QStringLiteral("\x01F:") + rest.pending;
    // Decoding a finished document never fails.
    (void)HTMLStreamingParser::decodeDocument(out);
    return out;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    const QString whole = run({text});
    QStringList chunks;
    qsizetype from = 0;
    for (qsizetype at : Fuzz::cuts(data, size, text.size(), 8)) {
        chunks << text.mid(from, at - from);
        from = at;
    }
    chunks << text.mid(from);
    const QString split = run(chunks);
    if (split != whole)
        Fuzz::fail("chunked input gives another result than the whole", text, split, whole);
    // One character at a time.
    QStringList single;
    for (QChar c : text)
        single << QString(c);
    const QString byChar = run(single);
    if (byChar != whole)
        Fuzz::fail("character by character gives another result than the whole", text, byChar, whole);
    return 0;
}
