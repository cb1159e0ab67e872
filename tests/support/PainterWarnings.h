#pragma once
#include <QStringList>
#include <QtGlobal>

// Collects Qt's painter warnings while alive ("QPainter::begin: A paint device can only be
// painted by one painter at a time" and what follows it): they mean something was not drawn.
// Other messages go on to the handler that was installed before.
class PainterWarnings {
public:
    PainterWarnings()
    {
        messages().clear();
        previous() = qInstallMessageHandler(&PainterWarnings::handle);
    }
    ~PainterWarnings() { qInstallMessageHandler(previous()); }
    PainterWarnings(const PainterWarnings &) = delete;
    PainterWarnings &operator=(const PainterWarnings &) = delete;

    QStringList seen() const { return messages(); }
    // The first warning and how many there were, for a test's failure message.
    QByteArray summary() const
    {
        const QStringList all = messages();
        return all.isEmpty() ? QByteArray() : QStringLiteral("%1 painter warnings, first: %2").arg(all.size()).arg(all.first()).toUtf8();
    }

private:
    static QStringList &messages()
    {
        static QStringList list;
        return list;
    }
    static QtMessageHandler &previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (message.startsWith(QLatin1String("QPainter")) || message.contains(QLatin1String("Painter not active")))
            messages().append(message);
        if (previous())
            previous()(type, context, message);
    }
};
