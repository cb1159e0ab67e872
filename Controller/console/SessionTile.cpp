#include "Controller/console/SessionTile.h"

#include "Controller/session/ControlManagerViewModel.h"
#include "Platform/Scheduler.h"
#include "Controller/console/SelectableText.h"
#include "Controller/session/Session.h"

#include <QFontDatabase>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

SessionTile::SessionTile(Session *session, ControlManagerViewModel *viewModel, std::function<void()> onClose, QWidget *parent)
    : QFrame(parent)
    , m_session(session)
    , m_viewModel(viewModel)
    , m_onClose(std::move(onClose))
{
    setObjectName(QStringLiteral("sessionTile"));
    setFixedSize(700, 400);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#sessionTile { background: palette(window); border-radius: 8px; }"));
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(5);
    shadow->setOffset(0, 0);
    shadow->setColor(QColor(0, 0, 0, 84));
    setGraphicsEffect(shadow);

    auto *layout = new QVBoxLayout(this);
    auto *header = new QHBoxLayout;
    QFont bold = font();
    bold.setBold(true);
    auto *title = new SelectableText(QStringLiteral("Session ") + session->id().left(8), bold, this);
    title->setObjectName(QStringLiteral("titleLabel"));
    header->addWidget(title);
    header->addStretch();
    auto *close = new QPushButton(QStringLiteral("✖"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setFlat(true);
    connect(close, &QPushButton::clicked, this, [this] {
        if (m_onClose)
            m_onClose();
    });
    header->addWidget(close);
    layout->addLayout(header);

    m_output = new QPlainTextEdit(this);
    m_output->setObjectName(QStringLiteral("outputView"));
    m_output->setReadOnly(true);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_output->setStyleSheet(QStringLiteral("QPlainTextEdit { background: palette(base); border-radius: 8px; }"));
    layout->addWidget(m_output, 1);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    layout->addWidget(divider);

    auto *inputRow = new QHBoxLayout;
    m_input = new QLineEdit(this);
    m_input->setObjectName(QStringLiteral("commandField"));
    m_input->setPlaceholderText(QStringLiteral("Enter command"));
    inputRow->addWidget(m_input, 1);
    m_sendButton = new QPushButton(QStringLiteral("Send"), this);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    inputRow->addWidget(m_sendButton);
    layout->addLayout(inputRow);

    connect(m_input, &QLineEdit::returnPressed, this, &SessionTile::send);
    connect(m_sendButton, &QPushButton::clicked, this, &SessionTile::send);
    connect(m_input, &QLineEdit::textChanged, this, &SessionTile::refresh);
    connect(session, &Session::changed, this, &SessionTile::refresh);
    refresh();
}

QString SessionTile::inputText() const
{
    return m_input->text();
}

bool SessionTile::takesCommands() const
{
    return m_session && m_session->isInitialized() && !m_session->isBusy();
}

void SessionTile::refresh()
{
    if (m_session && m_output->toPlainText() != m_session->outputText()) {
        m_output->setPlainText(m_session->outputText());
        m_output->verticalScrollBar()->setValue(m_output->verticalScrollBar()->maximum());
    }
    m_input->setEnabled(takesCommands());
    m_sendButton->setEnabled(takesCommands() && !m_input->text().trimmed().isEmpty());
}

void SessionTile::send()
{
    const QString command = m_input->text().trimmed();
    if (command.isEmpty() || !takesCommands())
        return;
    m_input->clear();
    m_session->appendOutput(QStringLiteral("\n>> ") + command + u'\n');
    QPointer<Session> session = m_session;
    auto append = [session](const QString &text) {
        // Appended on a later turn, in arrival order.
        MainQueue::post(session, [session, text] {
            if (session)
                session->appendOutput(text);
        });
    };
    m_viewModel->processCommand(command, m_session->id(), {append, append, [] {}, [] {}});
}
