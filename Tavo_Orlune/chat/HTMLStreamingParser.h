#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// One piece of a scanned chunk, in stream order.
struct HTMLStreamPiece {
    enum Kind {
        Text,          // answer text outside documents that became final
        DocumentStart, // a start marker was completed
        DocumentEnd,   // an end marker was completed; text is the document body
    };
    Kind kind;
    QString text;
    bool operator==(const HTMLStreamPiece &o) const { return kind == o.kind && text == o.text; }
};

struct HTMLStreamResult {
    QList<HTMLStreamPiece> pieces;
    // Conveniences over pieces.
    QString outsideText() const;
    bool startedHTML() const;
    QStringList finishedDocuments() const;
};

// What the parser still held when asked to let go of it.
struct HTMLFlushResult {
    // The held text as one string: the start marker, body and any held beginning of the end
    // marker of an unfinished document, then any characters held outside a document. Empty when nothing was pending.
    QString pending;
    bool documentCut = false; // a document had begun and never finished
    QString heldOutside;      // characters held as a possible start marker (ordinary text after all)
};

// Separates generated HTML documents, framed by "HTML_DOCUMENT_START" and "HTML_DOCUMENT_END",
// from the answer text around them while the answer arrives in arbitrary chunks. Markers may be
// split between chunks, so a possible marker beginning is held back until it is decided; the
// result does not depend on where the chunks split. The state carries over from chunk to chunk
// and from answer to answer.
class HTMLStreamingParser {
public:
    static const QString startMarker;
    static const QString endMarker;

    // Scans one chunk. Every document completed in it is reported, in order, and text on
    // either side of a marker is kept in its place.
    HTMLStreamResult process(const QString &chunk);
    // Returns what is still held and forgets it.
    HTMLFlushResult flushIncomplete();

    // The escape replacements a finished document goes through before it is stored.
    static QString decodeDocument(const QString &document);

    bool inHTML() const { return m_inHTML; }
    const QString &startBuffer() const { return m_startBuffer; }
    const QString &endBuffer() const { return m_endBuffer; }
    const QString &htmlBody() const { return m_htmlBody; }

private:
    bool m_inHTML = false;
    QString m_startBuffer; // held outside a document: a proper prefix of the start marker
    QString m_endBuffer;   // held inside a document: a proper prefix of the end marker
    QString m_htmlBody;
};

// Decodes the "\uXXXX" escapes of a finished document: a valid pair of surrogate escapes
// becomes one character, lone surrogate halves are removed, at most 1000 escapes are decoded,
// and a document of more than 100000 characters is returned as written.
QString decodeHTMLUnicodeEscapes(const QString &text);
