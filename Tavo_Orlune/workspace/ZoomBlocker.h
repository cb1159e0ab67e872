#pragma once
#include <QObject>

class QWidget;

// Keeps a web view at its own scale: eats Ctrl+wheel and pinch (native zoom gestures) before
// the web engine turns them into page zoom. Watches the view and every child widget it gets
// later (the engine's render widget appears with the first page).
class ZoomBlocker : public QObject {
    Q_OBJECT
public:
    // Installs itself on view and its children; parented to view.
    static void install(QWidget *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ZoomBlocker(QObject *parent);
    void watch(QObject *object);
};
