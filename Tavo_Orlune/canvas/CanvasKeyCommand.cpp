#include "canvas/CanvasKeyCommand.h"

#include <QKeyEvent>

QString CanvasKeyCommand::characters(int key, const QString &text)
{
    bool printable = !text.isEmpty();
    for (const QChar c : text)
        printable = printable && c.isPrint();
    if (printable)
        return text.toLower();
    // Ctrl+letter reaches us as a control character; the key still names the character.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QString(QChar(char16_t(u'a' + (key - Qt::Key_A))));
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return QString(QChar(char16_t(key))).toLower();
    return QString();
}

CanvasKeyCommand::Kind CanvasKeyCommand::of(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    if (key == Qt::Key_Escape)
        return Kind::escape;
    if (!modifiers.testFlag(Qt::ControlModifier))
        return Kind::none;
    const QString c = characters(key, text);
    if (c == QLatin1String("=") || c == QLatin1String("+"))
        return Kind::zoomIn;
    if (c == QLatin1String("-") || c == QLatin1String("_"))
        return Kind::zoomOut;
    if (c == QLatin1String("0"))
        return Kind::resetView;
    if (c == QLatin1String("d"))
        return Kind::consume;
    if (c == QLatin1String("r"))
        return Kind::resetAlert;
    if (c == QLatin1String("n"))
        return Kind::focusPrompt;
    if (c == QLatin1String("h"))
        return Kind::help;
    return Kind::none;
}

CanvasKeyCommand::Kind CanvasKeyCommand::of(const QKeyEvent &event)
{
    return of(event.key(), event.modifiers(), event.text());
}
