#pragma once
#include "theme/Gradients.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "model/AppIconData.h"
class AppIconRow;

// The 92 x 72 thumbnail of a panel row: the first app's icon blurred behind the row of app
// icons, or, without apps, the row's gradient behind the placeholder icon; a white hairline
// around it. It grows to 1.1 under the pointer; a click runs onTap when there is one.
class TaskThumbnailView : public QWidget {
    Q_OBJECT
public:
    static constexpr int blurRadius = 30;

    TaskThumbnailView(const LinearGradient &gradient, QWidget *parent = nullptr);

    void setApps(const QList<AppIconData *> &apps);
    void setOnTap(std::function<void()> onTap) { m_onTap = std::move(onTap); }
    bool showsPlaceholder() const { return m_apps.isEmpty(); }
    // The icon name of the blurred backdrop, empty when the gradient shows.
    QString backdropIconName() const;
    AppIconRow *iconRow() const { return m_row; }
    const LinearGradient &gradient() const { return m_gradient; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    LinearGradient m_gradient;
    QList<QPointer<AppIconData>> m_apps;
    AppIconRow *m_row;
    QWidget *m_border;
    std::function<void()> m_onTap;
    bool m_pressed = false;
};
