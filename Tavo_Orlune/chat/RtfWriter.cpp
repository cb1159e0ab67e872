#include "chat/RtfWriter.h"

#include <QStringList>

namespace {

QByteArray escaped(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == '\n') {
            out += "\\line\n";
        } else if (u == '\r') {
            continue;
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // Signed 16-bit value of each UTF-16 unit, with "?" for readers without Unicode.
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

int indexOf(QList<QColor> &table, const QColor &c)
{
    const QRgb rgb = c.rgb() & 0xFFFFFF;
    for (qsizetype i = 0; i < table.size(); ++i) {
        if ((table[i].rgb() & 0xFFFFFF) == rgb)
            return int(i) + 1; // index 0 is the automatic colour
    }
    table.append(c);
    return int(table.size());
}

bool isBold(const QFont &f) { return f.weight() >= QFont::DemiBold; }

}

QByteArray RtfWriter::write(const AttributedText &text)
{
    QStringList fonts;
    QList<bool> fontFixed;
    QList<QColor> colors;
    struct Prepared {
        int font;
        int fg;
        int bg;
    };
    QList<Prepared> prepared;
    for (const AttributedRun &r : text.runs()) {
        QString family = r.font.family();
        const bool fixed = r.font.styleHint() == QFont::Monospace || r.font.fixedPitch();
        if (family.isEmpty())
            family = fixed ? QStringLiteral("Monospace") : QStringLiteral("Sans");
        qsizetype f = fonts.indexOf(family);
        if (f < 0) {
            fonts << family;
            fontFixed << fixed;
            f = fonts.size() - 1;
        }
        Prepared p{int(f), indexOf(colors, r.foreground.isValid() ? r.foreground : QColor(Qt::black)), 0};
        if (r.background.isValid())
            p.bg = indexOf(colors, r.background);
        prepared << p;
    }
    if (fonts.isEmpty()) {
        fonts << QStringLiteral("Sans");
        fontFixed << false;
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (qsizetype i = 0; i < fonts.size(); ++i)
        out += "{\\f" + QByteArray::number(i) + (fontFixed[i] ? "\\fmodern " : "\\fnil ") + escaped(fonts[i]) + ";}";
    out += "}\n{\\colortbl;";
    for (const QColor &c : colors)
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) + "\\blue" +
               QByteArray::number(c.blue()) + ';';
    out += "}\n\\pard\\plain ";

    for (qsizetype i = 0; i < text.runs().size(); ++i) {
        const AttributedRun &r = text.runs()[i];
        const Prepared &p = prepared[i];
        const int px = r.font.pixelSize() > 0 ? r.font.pixelSize() : 13;
        QByteArray props = "\\f" + QByteArray::number(p.font) + "\\fs" + QByteArray::number(px * 2);
        props += isBold(r.font) ? "\\b" : "\\b0";
        props += r.font.italic() ? "\\i" : "\\i0";
        props += r.underline ? "\\ul" : "\\ulnone";
        props += "\\cf" + QByteArray::number(p.fg);
        if (p.bg)
            props += "\\chcbpat" + QByteArray::number(p.bg) + "\\cb" + QByteArray::number(p.bg);
        const QByteArray run = "{" + props + ' ' + escaped(r.text) + '}';
        if (r.link && AttributedText::isCopyableLink(*r.link)) {
            QString target = QString::fromUtf8(r.link->toEncoded());
            target.replace(QLatin1Char('"'), QLatin1String("%22"));
            out += "{\\field{\\*\\fldinst{HYPERLINK \"" + escaped(target) + "\"}}{\\fldrslt" + run + "}}";
        } else {
            out += run;
        }
    }
    out += "\n}";
    return out;
}
