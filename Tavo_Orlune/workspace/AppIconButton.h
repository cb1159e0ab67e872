#pragma once
#include <QAbstractButton>
#include <QPointer>
#include <functional>

#include "model/AppIconData.h"
class QVariantAnimation;

// One app of the dock: the app's picture (the placeholder until the app's own picture is found,
// a moment after the button shows) on a white tile, with the selection bar under it.
class AppIconButton : public QAbstractButton {
    Q_OBJECT
public:
    AppIconButton(AppIconData *app, bool isSelected, std::function<void()> action, QWidget *parent = nullptr);

    AppIconData *app() const { return m_app; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);
    qreal indicatorTargetOpacity() const { return m_isSelected ? 1.0 : 0.0; }
    bool imageExists() const { return m_imageExists; }
    // The picture drawn now.
    QString pictureName() const;
    // Brings imageExists up to date, a millisecond later when it changes.
    void checkImageExists();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPointer<AppIconData> m_app;
    bool m_isSelected;
    std::function<void()> m_action;
    bool m_imageExists = false;
    qreal m_indicatorOpacity;
    QVariantAnimation *m_indicator;
};
