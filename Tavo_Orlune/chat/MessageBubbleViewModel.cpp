#include "MessageBubbleViewModel.h"

QString MessageBubbleViewModel::statusMessage(int elapsedSeconds, const QString &clientName)
{
    const QString name = clientName.isEmpty() ? QStringLiteral("the app") : clientName;
    const int s = elapsedSeconds;
    if (s >= 0 && s <= 5)
        return QStringLiteral("Interacting with ") + name;
    if (s >= 6 && s <= 14)
        return QStringLiteral("Getting smart with ") + name;
    if (s >= 15 && s <= 21)
        return QStringLiteral("Doing a little AI Magic");
    if (s >= 22 && s <= 27)
        return QStringLiteral("Whispering to ") + name;
    if (s >= 28 && s <= 37)
        return QStringLiteral("Interacting with ") + name;
    // From 38 s the two long-wait texts alternate in 10 s blocks; a negative time reads as waiting.
    const int r = (s - 38) % 20;
    if (r <= 9)
        return QStringLiteral("Taking a bit longer than usual...");
    return QStringLiteral("Still working with ") + name + QStringLiteral("...");
}
