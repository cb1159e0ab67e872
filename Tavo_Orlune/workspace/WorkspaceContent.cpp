#include "workspace/WorkspaceContent.h"

#include "model/AppIconData.h"
#include "model/ChatMessageData.h"
#include "model/LinkExtraction.h"
#include "model/WebURL.h"

#include <QHashFunctions>

namespace WorkspaceContent {

bool isFinishedAIReply(const ChatMessageData *message)
{
    if (!message || message->sender() != QLatin1String("ai"))
        return false;
    const std::optional<AIReplyStatus> status = message->aiReplyStatus();
    return status == AIReplyStatus::FinishedSuccessfully || status == AIReplyStatus::FinishedWithError;
}

QStringList extractedURLs(const QList<ChatMessageData *> &newestFirst)
{
    for (const ChatMessageData *m : newestFirst) {
        if (!isFinishedAIReply(m))
            continue;
        const std::optional<QString> text = m->aiFinalReplyText();
        if (!text)
            return {};
        const QStringList urls = extractURLs(*text);
        return urls.isEmpty() ? QStringList() : QStringList{urls.last()};
    }
    return {};
}

std::optional<QString> latestHTMLContent(const QList<ChatMessageData *> &newestFirst)
{
    for (const ChatMessageData *m : newestFirst) {
        if (!m || m->messageType() != MessageType::Html)
            continue;
        const std::optional<QString> html = m->htmlContent();
        if (html && !html->isEmpty())
            return html;
    }
    return std::nullopt;
}

QString effectiveURLString(const AppIconData *selectedApp, const QStringList &extracted, const QString &currentUrl)
{
    if (selectedApp) {
        const std::optional<QString> link = selectedApp->appLink();
        if (link && !link->isEmpty() && isValidWebURL(*link))
            return *link;
    }
    for (const QString &url : extracted)
        if (isValidWebURL(url))
            return url;
    return currentUrl;
}

std::optional<WebView::Content> currentContent(const AppIconData *selectedApp, const std::optional<QString> &latestHTML,
                                               const QString &effectiveURL)
{
    if (!selectedApp && latestHTML)
        return WebView::Content::fromHtml(*latestHTML);
    if (effectiveURL.isEmpty())
        return std::nullopt;
    const QUrl url(effectiveURL, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return WebView::Content::fromUrl(url);
}

QString contentIdentity(const std::optional<WebView::Content> &content)
{
    if (!content)
        return QStringLiteral("none");
    if (content->kind == WebView::Content::Kind::Html)
        // A fixed seed: the same document keeps its identity for the whole run.
        return QStringLiteral("html-") + QString::number(qHash(content->html, size_t(0)));
    return QStringLiteral("url-") + content->url.toString();
}

} // namespace WorkspaceContent
