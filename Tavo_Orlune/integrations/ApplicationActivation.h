#pragma once
#include <QObject>

// "The application became active": the desktop's application state turning active. The store
// checks awaited browser connections then, as the user usually returns from the browser. The
// desktop reports nothing offscreen, so tests announce activations themselves.
class ApplicationActivation : public QObject {
    Q_OBJECT
public:
    // Created on first use, on the main thread.
    static ApplicationActivation &instance();
    void announce() { Q_EMIT becameActive(); }

Q_SIGNALS:
    void becameActive();

private:
    ApplicationActivation();
};
