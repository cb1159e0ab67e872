#pragma once
#include <QString>
#include <Qt>

class QKeyEvent;

// The canvas's key commands as a key press names them: Escape whatever the modifiers, and
// Command (Ctrl) with the press's characters, lowercased, whatever other modifiers are held.
class CanvasKeyCommand {
public:
    enum class Kind {
        none,       // not a canvas command: the press goes on
        escape,
        zoomIn,     // "=" or "+"
        zoomOut,    // "-" or "_"
        resetView,  // "0"
        consume,    // "d": taken, nothing happens
        resetAlert, // "r"
        focusPrompt, // "n"
        help,       // "h"
    };

    static Kind of(const QKeyEvent &event);
    static Kind of(int key, Qt::KeyboardModifiers modifiers, const QString &text);
    // The characters of a press as the command table reads them: its text, or (when Ctrl
    // turned the text into a control character) the character of its key, lowercased.
    static QString characters(int key, const QString &text);
};
