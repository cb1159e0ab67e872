#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>

#include "model/AppIconData.h"
class BottomMenuView;

// The dock under the workspace's content: a rounded cream bar with a white edge holding the
// dock's row. It shows the workspace's apps and selection and hands the row's selection writes
// back (selectionWritten), which the workspace stores.
class BottomMenuContainerView : public QWidget {
    Q_OBJECT
public:
    BottomMenuContainerView(const QList<AppIconData *> &apps, AppIconData *selectedApp, QWidget *parent = nullptr);

    void setApps(const QList<AppIconData *> &apps);
    void setSelectedApp(AppIconData *app);
    AppIconData *selectedApp() const { return m_selectedApp; }
    BottomMenuView *row() const { return m_row; }

Q_SIGNALS:
    void selectionWritten(AppIconData *app);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<AppIconData> m_selectedApp;
    BottomMenuView *m_row;
};
