#include "Platform/Log.h"

#include <QMutex>
#include <cstdio>

namespace {
QMutex g_mutex;
void (*g_sink)(const QString &) = nullptr;
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

void setSink(void (*sink)(const QString &))
{
    QMutexLocker lock(&g_mutex);
    g_sink = sink;
}

} // namespace Log
