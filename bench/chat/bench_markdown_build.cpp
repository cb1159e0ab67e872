// Builds answers of awkward shapes (4 KB, 16 KB and 64 KB each) into a Markdown document and
// prints the build time on the GUI thread: the time grows at most linearly with the text and a
// 64 KB answer of any shape builds in at most 100 ms (Release build). Then the same answers
// streamed into one document in 512-character steps, the whole stream's time.
//
//   bench_markdown_build [shape] [--no-stream]   (one shape only: linebreaks, autolinks, ...)
#include "chat/MarkdownDocument.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Repeats a piece (numbered through %1) until the text reaches the size.
QString repeated(qsizetype size, const QString &head, const QString &piece)
{
    QString s = head;
    for (int i = 0; s.size() < size; ++i)
        s += QString(piece).replace(QLatin1String("%1"), QString::number(i));
    s.truncate(size);
    return s;
}

struct Shape {
    const char *name;
    std::function<QString(qsizetype)> make;
};

const Shape shapes[] = {
    {"linebreaks", [](qsizetype n) { return repeated(n, {}, QStringLiteral("line %1 of text  \n")); }},
    {"autolinks", [](qsizetype n) { return repeated(n, {}, QStringLiteral("see https://example.com/p/%1 and www.site%1.org\n")); }},
    {"fences", [](qsizetype n) { return repeated(n, {}, QStringLiteral("```\ncode %1\n```\n")); }},
    {"quotes", [](qsizetype n) { return repeated(n, {}, QStringLiteral("> quote %1\n\n")); }},
    {"listitems", [](qsizetype n) { return repeated(n, {}, QStringLiteral("- item %1\n")); }},
    {"ordered", [](qsizetype n) { return repeated(n, {}, QStringLiteral("%1. item\n")); }},
    {"tables", [](qsizetype n) {
         // A wide header row, then many rows of one cell: the table is filled out to its width.
         QString head;
         for (int c = 0; c < 200; ++c)
             head += QStringLiteral("|h%1").arg(c);
         head += QStringLiteral("|\n");
         for (int c = 0; c < 200; ++c)
             head += QStringLiteral("|-");
         head += QStringLiteral("|\n");
         return repeated(n, head, QStringLiteral("|%1|\n"));
     }},
    {"nestedlists", [](qsizetype n) { return QStringLiteral("+ ").repeated(n / 2); }},
    {"nestedquotes", [](qsizetype n) { return QString(n - 2, QLatin1Char('>')) + QStringLiteral(" x"); }},
    {"emphasis", [](qsizetype n) { return QStringLiteral("*a _").repeated(n / 8) + QStringLiteral("_ b*").repeated(n / 8); }},
};

double buildMs(const QString &text, int &runs)
{
    double best = 1e18;
    QElapsedTimer total;
    total.start();
    runs = 0;
    do {
        QTextDocument doc;
        QElapsedTimer t;
        t.start();
        MarkdownDocument::build(&doc, text);
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
        ++runs;
    } while (runs < 5 && total.elapsed() < 2000);
    return best;
}

double streamMs(const QString &text)
{
    QTextDocument doc;
    MarkdownDocument::IncrementalBuilder builder;
    QElapsedTimer t;
    t.start();
    for (qsizetype at = 512; at < text.size() + 512; at += 512)
        builder.build(&doc, text.left(std::min(at, text.size())));
    return double(t.nsecsElapsed()) / 1e6;
}

}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool stream = !args.contains(QStringLiteral("--no-stream"));
    const QString only = args.isEmpty() || args.first().startsWith(QLatin1Char('-')) ? QString() : args.first();
    std::printf("Markdown build, best of up to 5 runs (ms); growth = 64 KB time / 4 KB time (linear: 16)\n");
    std::printf("%-13s %10s %10s %10s %8s   %s\n", "shape", "4 KB", "16 KB", "64 KB", "growth", "streamed 64 KB in 512-char steps");
    for (const Shape &shape : shapes) {
        if (!only.isEmpty() && only != QLatin1String(shape.name))
            continue;
        double ms[3];
        const qsizetype sizes[3] = {4 * 1024, 16 * 1024, 64 * 1024};
        for (int i = 0; i < 3; ++i) {
            int runs = 0;
            ms[i] = buildMs(shape.make(sizes[i]), runs);
        }
        // A slow build streamed 128 times over would take minutes; it is left out.
        const double streamed = stream && ms[2] < 1000 ? streamMs(shape.make(sizes[2])) : -1;
        std::printf("%-13s %10.2f %10.2f %10.2f %8.1f   %s%s\n", shape.name, ms[0], ms[1], ms[2],
                    ms[0] > 0 ? ms[2] / ms[0] : 0.0,
                    streamed < 0 ? "-" : qPrintable(QStringLiteral("%1 ms").arg(streamed, 0, 'f', 0)),
                    ms[2] > 100 ? "   [over the 100 ms bar]" : "");
        std::fflush(stdout);
    }
    return 0;
}
