#pragma once
// What the fuzz targets share: a Qt application for the text classes, the input as text, chunk
// boundaries drawn from the input itself (so an input always splits the same way), a dump of a
// text document that two builds can be compared by, and a report that stops the run.
#include <QGuiApplication>
#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace Fuzz {

inline void ensureApplication()
{
    static QGuiApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

inline QString text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Cut points in [1, size) for an input, at most `count`, sorted.
inline std::vector<qsizetype> cuts(const uint8_t *data, size_t size, qsizetype length, int count)
{
    std::vector<qsizetype> out;
    if (length < 2)
        return out;
    std::seed_seq seq(data, data + size);
    std::mt19937 rng(seq);
    for (int i = 0; i < count; ++i)
        out.push_back(1 + qsizetype(rng() % uint32_t(length - 1)));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

[[noreturn]] inline void fail(const char *what, const QString &input, const QString &got, const QString &expected)
{
    std::fprintf(stderr, "FINDING: %s\ninput (%lld chars): %s\n--- got:\n%s\n--- expected:\n%s\n", what, qlonglong(input.size()),
                 qPrintable(input.toHtmlEscaped()), qPrintable(got), qPrintable(expected));
    std::fflush(stderr);
    std::abort();
}

inline QString formatText(const QTextFormat &format)
{
    QString out;
    const QMap<int, QVariant> props = format.properties();
    for (auto it = props.cbegin(); it != props.cend(); ++it) {
        if (it.key() == QTextFormat::ObjectIndex)
            continue; // numbering of format objects, not content
        QString value;
        QDebug(&value).nospace() << it.value();
        out += QString::number(it.key()) + QLatin1Char('=') + value + QLatin1Char(';');
    }
    return out;
}

inline void dumpFrame(QTextFrame *frame, QStringList &out, QHash<QTextList *, int> &lists)
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
        // Runs of one format, however the document happens to store them in pieces.
        QString run;
        QString runFormat;
        for (auto f = block.begin(); !f.atEnd(); ++f) {
            const QString format = formatText(f.fragment().charFormat());
            if (!run.isEmpty() && format != runFormat) {
                out << QStringLiteral("  text ") + run + QStringLiteral(" | ") + runFormat;
                run.clear();
            }
            run += f.fragment().text();
            runFormat = format;
        }
        if (!run.isEmpty())
            out << QStringLiteral("  text ") + run + QStringLiteral(" | ") + runFormat;
    }
}

// Everything a document holds, in order: frames, cells, blocks, list places and text runs with
// their formats.
inline QString dump(QTextDocument &doc)
{
    QStringList out;
    QHash<QTextList *, int> lists;
    dumpFrame(doc.rootFrame(), out, lists);
    return out.join(QLatin1Char('\n'));
}

}
