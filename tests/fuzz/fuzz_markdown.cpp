// The Markdown document builder: any text builds without crashing, and the same text streamed
// into one document in random chunks (the incremental build) reads exactly as a fresh build, at
// every step.
#include "FuzzSupport.h"
#include "chat/MarkdownDocument.h"

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
    }
    return 0;
}
