#include "chat/HTMLStreamingParser.h"

#include "Platform/Graphemes.h"

const QString HTMLStreamingParser::startMarker = QStringLiteral("HTML_DOCUMENT_START");
const QString HTMLStreamingParser::endMarker = QStringLiteral("HTML_DOCUMENT_END");

QString HTMLStreamResult::outsideText() const
{
    QString out;
    for (const HTMLStreamPiece &p : pieces) {
        if (p.kind == HTMLStreamPiece::Text)
            out += p.text;
    }
    return out;
}

bool HTMLStreamResult::startedHTML() const
{
    for (const HTMLStreamPiece &p : pieces) {
        if (p.kind == HTMLStreamPiece::DocumentStart)
            return true;
    }
    return false;
}

QStringList HTMLStreamResult::finishedDocuments() const
{
    QStringList docs;
    for (const HTMLStreamPiece &p : pieces) {
        if (p.kind == HTMLStreamPiece::DocumentEnd)
            docs << p.text;
    }
    return docs;
}

namespace {

// Moves leading characters of buffer to sink until buffer is empty or a prefix of marker again.
// The markers are ASCII, so whatever is held beyond a prefix is released whole.
void release(QString &buffer, const QString &marker, QString &sink)
{
    qsizetype n = 0;
    while (n < buffer.size() && !marker.startsWith(QStringView(buffer).mid(n)))
        ++n;
    sink += QStringView(buffer).left(n);
    buffer.remove(0, n);
}

}

// Markers are matched character by character of the text as written (UTF-16 units; the markers
// are ASCII), never by user-perceived characters: a combining mark, joiner or variation
// selector after a marker's last letter would join it into one user-perceived character only
// when both arrive in the same chunk, so the marker is recognised either way and the mark stays
// with the text after it. However the chunks split, the result is the same.
HTMLStreamResult HTMLStreamingParser::process(const QString &chunk)
{
    HTMLStreamResult result;
    QString outside;
    auto flushOutside = [&] {
        if (!outside.isEmpty()) {
            result.pieces.append({HTMLStreamPiece::Text, outside});
            outside.clear();
        }
    };

    const qsizetype size = chunk.size();
    qsizetype i = 0;
    while (i < size) {
        QString &buffer = m_inHTML ? m_endBuffer : m_startBuffer;
        QString &sink = m_inHTML ? m_htmlBody : outside;
        const QString &marker = m_inHTML ? endMarker : startMarker;
        if (buffer.isEmpty()) {
            // Nothing held: everything up to the next letter that can begin a marker passes.
            qsizetype h = chunk.indexOf(QLatin1Char('H'), i);
            if (h < 0)
                h = size;
            sink += QStringView(chunk).mid(i, h - i);
            i = h;
            if (i >= size)
                break;
        }
        buffer += chunk[i++];
        if (!marker.startsWith(buffer)) {
            release(buffer, marker, sink);
        } else if (buffer.size() == marker.size()) {
            buffer.clear();
            if (!m_inHTML) {
                m_inHTML = true;
                m_endBuffer.clear();
                flushOutside();
                result.pieces.append({HTMLStreamPiece::DocumentStart, QString()});
            } else {
                m_inHTML = false;
                flushOutside();
                result.pieces.append({HTMLStreamPiece::DocumentEnd, m_htmlBody});
                m_htmlBody.clear();
            }
        }
    }
    flushOutside();
    return result;
}

HTMLFlushResult HTMLStreamingParser::flushIncomplete()
{
    HTMLFlushResult r;
    if (m_inHTML) {
        r.documentCut = true;
        // A held beginning of the end marker is part of the cut document.
        r.pending = startMarker + m_htmlBody + m_endBuffer;
        m_inHTML = false;
        m_htmlBody.clear();
        m_endBuffer.clear();
    }
    r.heldOutside = m_startBuffer;
    r.pending += m_startBuffer;
    m_startBuffer.clear();
    return r;
}

QString HTMLStreamingParser::decodeDocument(const QString &document)
{
    QString s = document;
    s.replace(QLatin1String("\\n"), QLatin1String("\n"));
    s.replace(QLatin1String("\\t"), QLatin1String("\t"));
    s.replace(QLatin1String("\\\""), QLatin1String("\""));
    s.replace(QLatin1String("\\\\"), QLatin1String("\\"));
    return decodeHTMLUnicodeEscapes(s);
}

namespace {

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The value of a "\uXXXX" escape starting at i, or -1.
int escapeAt(const QString &s, qsizetype i)
{
    if (i + 6 > s.size() || s[i] != QLatin1Char('\\') || s[i + 1] != QLatin1Char('u'))
        return -1;
    int v = 0;
    for (int k = 2; k < 6; ++k) {
        const int h = hexValue(s[i + k]);
        if (h < 0)
            return -1;
        v = v * 16 + h;
    }
    return v;
}

}

QString decodeHTMLUnicodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("\\u")))
        return text;
    // Decoding is bounded: a very large document keeps its escapes as written.
    if (Graphemes::exceeds(text, 100000))
        return text;

    constexpr int maxEscapes = 1000;
    QString out;
    out.reserve(text.size());
    int decoded = 0;
    qsizetype i = 0;
    qsizetype copied = 0;
    while (i < text.size()) {
        if (decoded >= maxEscapes)
            break;
        const qsizetype at = text.indexOf(QLatin1String("\\u"), i);
        if (at < 0)
            break;
        const int v = escapeAt(text, at);
        if (v < 0) {
            i = at + 1;
            continue;
        }
        out += QStringView(text).mid(copied, at - copied);
        if (v >= 0xD800 && v <= 0xDBFF) {
            const int lo = escapeAt(text, at + 6);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                if (decoded + 2 > maxEscapes) {
                    // The pair straddles the limit: both halves stay as written.
                    copied = at;
                    break;
                }
                out += QChar(ushort(v));
                out += QChar(ushort(lo));
                decoded += 2;
                i = copied = at + 12;
                continue;
            }
            ++decoded; // a lone high half is removed
        } else if (v >= 0xDC00 && v <= 0xDFFF) {
            ++decoded; // a lone low half is removed
        } else {
            out += QChar(ushort(v));
            ++decoded;
        }
        i = copied = at + 6;
    }
    out += QStringView(text).mid(copied);
    return out;
}
