#pragma once
#include "workspace/WebView.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class AppIconData;
class ChatMessageData;

// What a task workspace shows, worked out from the task's assistant messages (newest first),
// the app selected in its dock and its fallback address. Pure functions over the models'
// current values, so that every change of a message, a link or the selection is seen the next
// time they run.
namespace WorkspaceContent {

// An assistant message whose reply has ended, successfully or with an error.
bool isFinishedAIReply(const ChatMessageData *message);
// The last web address of the newest finished reply, or nothing. Older replies never count,
// also when the newest one holds no address.
QStringList extractedURLs(const QList<ChatMessageData *> &newestFirst);
// The newest generated document that has content, whatever its reply's state.
std::optional<QString> latestHTMLContent(const QList<ChatMessageData *> &newestFirst);
// The selected app's link when it is a valid web address, else the first valid extracted
// address, else the fallback.
QString effectiveURLString(const AppIconData *selectedApp, const QStringList &extractedURLs, const QString &currentUrl);
// Without a selected app a document wins over every address; otherwise the effective address,
// or nothing when it does not parse.
std::optional<WebView::Content> currentContent(const AppIconData *selectedApp, const std::optional<QString> &latestHTML,
                                               const QString &effectiveURL);
// "none", "html-<hash of the document>" or "url-<address>": changes exactly when what is shown
// changes.
QString contentIdentity(const std::optional<WebView::Content> &content);

} // namespace WorkspaceContent
