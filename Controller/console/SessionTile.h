#pragma once
#include "Controller/session/Session.h"

#include <QFrame>
#include <QPointer>
#include <functional>

class ControlManagerViewModel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// One session in the console: its id, its running output, a command field and "Send".
class SessionTile : public QFrame {
    Q_OBJECT
public:
    SessionTile(Session *session, ControlManagerViewModel *viewModel, std::function<void()> onClose, QWidget *parent = nullptr);

    Session *session() const { return m_session; }
    QString inputText() const;
    // Sends the trimmed command when there is one and the session takes commands.
    void send();

private:
    void refresh();
    bool takesCommands() const;

    QPointer<Session> m_session;
    ControlManagerViewModel *m_viewModel;
    std::function<void()> m_onClose;
    QPlainTextEdit *m_output;
    QLineEdit *m_input;
    QPushButton *m_sendButton;
};
