#include "chat/ClipboardService.h"

#include "chat/AttributedText.h"
#include "chat/RtfWriter.h"
#include "chat/TextProcessingService.h"

#include <QClipboard>
#include <QMimeData>

void ClipboardService::copyRichText(const QString &plainSource, const QString &markdownSource, QClipboard *clipboard)
{
    if (!clipboard)
        return;
    const AttributedText attributed = markdownToAttributedString(markdownSource);
    auto *item = new QMimeData;
    item->setText(TextProcessingService::stripMarkdown(plainSource));
    const QByteArray rtf = RtfWriter::write(attributed);
    if (!rtf.isEmpty())
        item->setData(QString::fromLatin1(rtfMimeType()), rtf);
    if (const std::optional<QByteArray> html = attributedStringToHTMLData(attributed))
        item->setHtml(QString::fromUtf8(*html));
    clipboard->setMimeData(item);
}
