// The Markdown document builder: any text builds without crashing, and the same text streamed
// into one document in random chunks (the incremental build) reads exactly as a fresh build, at
// every step. The same for the answer's segments: streamed, they are the segments of a fresh
// split, and together they hold the text.
#include "FuzzSupport.h"
#include "chat/AnswerSegments.h"
#include "chat/MarkdownDocument.h"

#include <QTextDocument>

namespace {

QString segmentsText(AnswerSegments &segments)
{
    QString out;
    for (int i = 0; i < segments.count(); ++i)
        out += QStringLiteral("[%1]").arg(segments.start(i)) + segments.source(i) + QLatin1Char('|') + Fuzz::dump(*segments.document(i));
    return out;
}

void checkSegments(AnswerSegments &streamed, const QString &text)
{
    streamed.update(text);
    AnswerSegments fresh;
    fresh.update(text);
    const QString got = segmentsText(streamed);
    const QString expected = segmentsText(fresh);
    if (got != expected)
        Fuzz::fail("the streamed segments differ from a fresh split", text, got, expected);
    QString joined;
    for (int i = 0; i < fresh.count(); ++i)
        joined += fresh.source(i);
    if (fresh.count() > 0 && joined != text.mid(fresh.start(0)))
        Fuzz::fail("the segments do not hold the text", text, joined, text);
}

}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication();
    const QString text = Fuzz::text(data, size);
    QTextDocument streamed;
    MarkdownDocument::IncrementalBuilder builder;
    AnswerSegments segments;
    std::vector<qsizetype> steps = Fuzz::cuts(data, size, text.size(), 4);
    steps.push_back(text.size());
    for (qsizetype at : steps) {
        const QString prefix = text.left(at);
        builder.build(&streamed, prefix);
        QTextDocument fresh;
        MarkdownDocument::build(&fresh, prefix);
        const QString got = Fuzz::dump(streamed);
        const QString expected = Fuzz::dump(fresh);
        if (got != expected)
            Fuzz::fail("the streamed build differs from a fresh build", prefix, got, expected);
        checkSegments(segments, prefix);
    }
    // A shorter or edited text afterwards (a rewritten answer) is rebuilt as well.
    if (text.size() > 4) {
        QString edited = text;
        edited.remove(text.size() / 3, text.size() / 3);
        builder.build(&streamed, edited);
        QTextDocument fresh;
        MarkdownDocument::build(&fresh, edited);
        if (Fuzz::dump(streamed) != Fuzz::dump(fresh))
            Fuzz::fail("an edited text differs from a fresh build", edited, Fuzz::dump(streamed), Fuzz::dump(fresh));
        checkSegments(segments, edited);
    }
    return 0;
}
