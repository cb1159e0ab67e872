#pragma once
#include <QWidget>

class ControlManagerViewModel;
class QHBoxLayout;
class QPushButton;
class SessionTile;

// The sessions console: "Add Session" and one tile per session of the console's own facade.
class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(ControlManagerViewModel *viewModel, QWidget *parent = nullptr);
    QList<SessionTile *> tiles() const { return m_tiles; }

private:
    void rebuild();

    ControlManagerViewModel *m_viewModel;
    QPushButton *m_addButton;
    QHBoxLayout *m_strip;
    QList<SessionTile *> m_tiles;
};
