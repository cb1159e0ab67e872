#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>

class AppIconButton;
#include "model/AppIconData.h"
class HomeButton;
class QHBoxLayout;

// The dock's row: the home button, then one button per app of the task, in the task's order.
// A tap writes the selection a tenth of a second later (selectionWritten); a home tap also
// announces "resetToHome" at once. Every tap's write runs, in order, however quick the taps.
class BottomMenuView : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 selectionDelayMs = 100;

    BottomMenuView(const QList<AppIconData *> &apps, AppIconData *selectedApp, bool isHomeSelected, QWidget *parent = nullptr);

    QList<AppIconData *> apps() const;
    // Keeps the buttons of apps still present, adds and removes the others.
    void setApps(const QList<AppIconData *> &apps);
    // Moves the selection bars to what the workspace holds.
    void setSelection(AppIconData *selectedApp, bool isHomeSelected);

    HomeButton *homeButton() const { return m_home; }
    QList<AppIconButton *> appButtons() const { return m_buttons; }

    void selectHome();
    void selectApp(AppIconData *app);

Q_SIGNALS:
    // The workspace's selection is to become app (null: home).
    void selectionWritten(AppIconData *app);

private:
    void writeLater(AppIconData *app);

    QHBoxLayout *m_layout;
    HomeButton *m_home;
    QList<AppIconButton *> m_buttons;
    QPointer<AppIconData> m_selectedApp;
};
