#pragma once
#include <QObject>

// The state of the four watched modifiers, as one flag word. The bit values follow the
// design's modifier-flag layout; on Linux the Alt key plays Option, the Super key Command,
// the Shift key Function (no Linux keyboard reports fn) and the Ctrl key Control.
namespace ModifierFlag {
enum : quint64 {
    Control = 0x40000,
    Option = 0x80000,
    Command = 0x100000,
    Function = 0x800000,
};
constexpr quint64 All = Control | Option | Command | Function;
}

// Reports the modifier flags whenever a key event may have changed them, and every press of
// another key (a letter, a digit, Caps Lock ...), which makes a held modifier's press no tap.
// A source may report the same flags or the same press twice; receivers compare with what
// they saw last.
class ModifierEventSource : public QObject {
    Q_OBJECT
public:
    explicit ModifierEventSource(QObject *parent = nullptr) : QObject(parent) {}
    ~ModifierEventSource() override;

    // False when the source cannot watch here (it says why in the log once).
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // Global sources see keys meant for other programs too.
    virtual bool isGlobal() const = 0;
    // When the key event behind the last report happened, in milliseconds of the display
    // server's clock, or -1 when the source cannot tell. Taps are timed by it, so a busy main
    // thread that handles two taps late still sees them as they were typed.
    qint64 lastEventTime() const { return m_lastEventTime; }

Q_SIGNALS:
    void flagsChanged(quint64 flags);
    void otherKeyPressed();

protected:
    qint64 m_lastEventTime = -1;
};
