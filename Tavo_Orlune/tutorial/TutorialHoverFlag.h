#pragma once
#include <QObject>
#include <QPointer>

class QWidget;

// A Bool the tutorial overlay owns and lends to its cards, like a two-way binding: a card reads
// it to draw its hover state and writes it when the pointer enters or leaves one of its parts.
// The overlay keeps the flags, so they outlive the cards that show them.
class TutorialHoverFlag : public QObject {
    Q_OBJECT
public:
    explicit TutorialHoverFlag(QObject *parent = nullptr) : QObject(parent) {}

    bool value() const { return m_value; }
    void set(bool value);

    // Writes whether the pointer is over target into flag whenever the pointer enters or
    // leaves it; each write is enqueued on the main queue and applied on a later turn, not
    // inside the event.
    static void track(QWidget *target, TutorialHoverFlag *flag);

Q_SIGNALS:
    void changed(bool value);

private:
    bool m_value = false;
};
