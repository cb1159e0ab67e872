#include "chat/HTMLStreamingParser.h"

#include "Platform/Graphemes.h"

#include <QTextBoundaryFinder>

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

bool isH(QStringView cluster) { return cluster.size() == 1 && cluster.front() == u'H'; }

// Moves leading characters of buffer to sink until buffer is empty or a prefix of marker again.
void release(QString &buffer, const QString &marker, QString &sink)
{
    while (!buffer.isEmpty() && !marker.startsWith(buffer)) {
        const qsizetype n = Graphemes::firstLength(buffer);
        sink += QStringView(buffer).left(n);
        buffer.remove(0, n);
    }
}

}

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

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, chunk);
    qsizetype from = 0;
    while (from < chunk.size()) {
        qsizetype to = finder.toNextBoundary();
        if (to <= from)
            to = chunk.size();
        const QStringView cluster = QStringView(chunk).mid(from, to - from);
        from = to;

        if (!m_inHTML) {
            // Fast path: nothing held and the character cannot begin a marker.
            if (m_startBuffer.isEmpty() && !isH(cluster)) {
                outside += cluster;
                continue;
            }
            m_startBuffer += cluster;
            if (!startMarker.startsWith(m_startBuffer)) {
                release(m_startBuffer, startMarker, outside);
            } else if (m_startBuffer.size() == startMarker.size()) {
                m_inHTML = true;
                m_startBuffer.clear();
                m_endBuffer.clear();
                flushOutside();
                result.pieces.append({HTMLStreamPiece::DocumentStart, QString()});
            }
        } else {
            if (m_endBuffer.isEmpty() && !isH(cluster)) {
                m_htmlBody += cluster;
                continue;
            }
            m_endBuffer += cluster;
            if (!endMarker.startsWith(m_endBuffer)) {
                release(m_endBuffer, endMarker, m_htmlBody);
            } else if (m_endBuffer.size() == endMarker.size()) {
                m_inHTML = false;
                m_endBuffer.clear();
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
        r.pending = startMarker + m_htmlBody;
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
