// The chat's text pipeline: tool output formatting and Markdown normalisation, whole and
// streamed. Any text formats without crashing, and a text formatted as it grows (the streaming
// formatters, fed random prefixes) reads exactly as the whole text formatted at once.
#include "FuzzSupport.h"
#include "chat/TextProcessingService.h"
#include "chat/ToolResponseFormatting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::text(data, size);
    StreamingToolResponseFormatter tool;
    StreamingMarkdownFormatter markdown;
    std::vector<qsizetype> steps = Fuzz::cuts(data, size, text.size(), 8);
    steps.push_back(text.size());
    for (qsizetype at : steps) {
        const QString prefix = text.left(at);
        const QString wholeTool = formatToolResponse(prefix);
        const QString streamedTool = tool.format(prefix);
        if (streamedTool != wholeTool)
            Fuzz::fail("streamed tool output formatting differs from the whole", prefix, streamedTool, wholeTool);
        const QString wholeMarkdown = TextProcessingService::formatForMarkdown(wholeTool);
        const QString streamedMarkdown = markdown.format(streamedTool);
        if (streamedMarkdown != wholeMarkdown)
            Fuzz::fail("streamed Markdown normalisation differs from the whole", wholeTool, streamedMarkdown, wholeMarkdown);
    }
    (void)TextProcessingService::stripMarkdown(text);
    (void)unescapeUnicodeSequences(text);
    return 0;
}
