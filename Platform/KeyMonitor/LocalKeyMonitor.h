#pragma once
#include <QObject>
#include <functional>

class QKeyEvent;

// Sees every key press that reaches one of this application's windows, before the focused
// widget does. The handler answers true to consume the press (the widget never sees it) or
// false to let it pass on unchanged. Active from construction until remove() or destruction.
//
// Key codes follow Qt: Return is Qt::Key_Return only; keypad Enter (Qt::Key_Enter) is another
// key and passes unless a handler asks for it.
class LocalKeyMonitor : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent &event)>;

    explicit LocalKeyMonitor(Handler handler, QObject *parent = nullptr);
    ~LocalKeyMonitor() override;

    void remove();
    bool isActive() const { return m_active; }

    static bool isReturn(const QKeyEvent &event);
    static bool isEscape(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    bool m_active = false;
};
