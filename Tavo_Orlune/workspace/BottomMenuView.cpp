#include "workspace/BottomMenuView.h"

#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "model/AppIconData.h"
#include "workspace/AppIconButton.h"
#include "workspace/HomeButton.h"

#include <QHBoxLayout>

BottomMenuView::BottomMenuView(const QList<AppIconData *> &apps, AppIconData *selectedApp, bool isHomeSelected, QWidget *parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
    , m_home(new HomeButton([this] { selectHome(); }, isHomeSelected, this))
    , m_selectedApp(selectedApp)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(24);
    m_layout->setAlignment(Qt::AlignVCenter);
    m_layout->addWidget(m_home);
    setApps(apps);
}

QList<AppIconData *> BottomMenuView::apps() const
{
    QList<AppIconData *> out;
    for (AppIconButton *b : m_buttons)
        out.append(b->app());
    return out;
}

void BottomMenuView::setApps(const QList<AppIconData *> &apps)
{
    if (apps == this->apps())
        return;
    QList<AppIconButton *> kept;
    for (AppIconData *app : apps) {
        AppIconButton *button = nullptr;
        for (AppIconButton *b : std::as_const(m_buttons))
            if (b->app() == app && !kept.contains(b))
                button = b;
        if (!button) {
            const bool selected = m_selectedApp && app && m_selectedApp->id() == app->id();
            QPointer<AppIconData> target(app);
            button = new AppIconButton(app, selected, [this, target] {
                if (target)
                    selectApp(target);
            }, this);
        }
        kept.append(button);
    }
    for (AppIconButton *b : std::as_const(m_buttons))
        if (!kept.contains(b))
            delete b;
    m_buttons = kept;
    for (AppIconButton *b : std::as_const(m_buttons)) {
        m_layout->removeWidget(b);
        m_layout->addWidget(b);
        b->show();
    }
}

void BottomMenuView::setSelection(AppIconData *selectedApp, bool isHomeSelected)
{
    m_selectedApp = selectedApp;
    m_home->setSelected(isHomeSelected);
    for (AppIconButton *b : std::as_const(m_buttons))
        b->setSelected(selectedApp && b->app() && selectedApp->id() == b->app()->id());
}

void BottomMenuView::writeLater(AppIconData *app)
{
    QPointer<AppIconData> target(app);
    const bool home = app == nullptr;
    Scheduler::instance().singleShot(selectionDelayMs, this, [this, target, home] {
        // An app whose record is gone by then selects nothing rather than something else.
        if (home || target)
            Q_EMIT selectionWritten(target);
    });
}

void BottomMenuView::selectHome()
{
    writeLater(nullptr);
    NotificationCenter::defaultCenter().post(QStringLiteral("resetToHome"));
}

void BottomMenuView::selectApp(AppIconData *app)
{
    writeLater(app);
}
