#include "Platform/Log.h"

#include <QMutex>
#include <atomic>
#include <cstdio>

namespace {
QMutex g_mutex;
void (*g_sink)(const QString &) = nullptr;

bool debugFromEnvironment()
{
    const QByteArray value = qgetenv("TAVO_DEBUG_LOG").trimmed().toLower();
    return value == "1" || value == "true" || value == "yes" || value == "on";
}

std::atomic<bool> &debugSwitch()
{
    static std::atomic<bool> on{debugFromEnvironment()};
    return on;
}
}

namespace Log {

void line(const QString &text)
{
    QMutexLocker lock(&g_mutex);
    if (g_sink) {
        g_sink(text);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString presence(const QString &secret)
{
    return secret.isEmpty() ? QStringLiteral("absent") : QStringLiteral("present");
}

QString truncated(const QString &text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    int cut = maxChars;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut; // never split a surrogate pair
    return text.left(cut) + QStringLiteral("… (%1 more characters)").arg(text.size() - cut);
}

bool debugEnabled()
{
    return debugSwitch().load();
}

void setDebugEnabled(bool enabled)
{
    debugSwitch().store(enabled);
}

QString content(const QString &text, int maxChars)
{
    if (!debugEnabled())
        return QStringLiteral("<%1 characters>").arg(text.size());
    return truncated(text, maxChars);
}

void debug(const QString &text)
{
    if (debugEnabled())
        line(QStringLiteral("[debug] ") + text);
}

void setSink(void (*sink)(const QString &))
{
    QMutexLocker lock(&g_mutex);
    g_sink = sink;
}

} // namespace Log
