#include "Controller/console/ContentView.h"

#include "Controller/session/ControlManager.h"
#include "Controller/session/ControlManagerViewModel.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "Controller/console/SessionTile.h"
#include "Platform/UuidText.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

ContentView::ContentView(ControlManagerViewModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setWindowTitle(QStringLiteral("Sessions"));
    setFixedSize(800, 500);
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_addButton = new QPushButton(QStringLiteral("Add Session"), this);
    m_addButton->setObjectName(QStringLiteral("addSessionButton"));
    top->addWidget(m_addButton);
    top->addStretch();
    layout->addLayout(top);

    auto *scroll = new QScrollArea(this);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *row = new QWidget(scroll);
    m_strip = new QHBoxLayout(row);
    m_strip->setSpacing(20);
    m_strip->addStretch();
    scroll->setWidget(row);
    layout->addWidget(scroll, 1);

    connect(m_addButton, &QPushButton::clicked, this, [this] { m_viewModel->createSession(UuidText::newText(), std::nullopt); });
    connect(m_viewModel, &ControlManagerViewModel::changed, this, &ContentView::rebuild);
    rebuild();
}

void ContentView::rebuild()
{
    m_addButton->setEnabled(m_viewModel->isInitialized());
    const QList<Session *> sessions = m_viewModel->controlManager()->sessionManager()->sessions();
    // Tiles of sessions that are gone leave; the others keep what is typed in them.
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if (!(*it)->session() || !sessions.contains((*it)->session())) {
            (*it)->deleteLater();
            it = m_tiles.erase(it);
        } else {
            ++it;
        }
    }
    for (int i = 0; i < sessions.size(); ++i) {
        Session *s = sessions.at(i);
        const bool shown = std::any_of(m_tiles.cbegin(), m_tiles.cend(), [s](SessionTile *t) { return t->session() == s; });
        if (shown)
            continue;
        const QString id = s->id();
        auto *tile = new SessionTile(s, m_viewModel, [this, id] {
            m_viewModel->closeSession(id);
            Q_EMIT m_viewModel->changed();
        });
        m_tiles.insert(i, tile);
        m_strip->insertWidget(i, tile);
    }
}
