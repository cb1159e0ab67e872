#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>

#include "integrations/AppStoreModel.h"
#include "model/AppStoreData.h"

class TavoCircleLoading;

// The one action button of an app card: its title, icon and colour say where the app stands
// and a tap starts the one store operation that fits. It keeps no state of its own: it is
// recomputed from the app's flags and the model's busy set whenever either changes. While the
// store works on the app it shows a spinner alone and takes no taps.
//
// The widget is the button with its padding (12 left, right and below): width W + 24, height
// 68; only the W x 56 button itself takes clicks.
class AppCardActionButton : public QAbstractButton {
    Q_OBJECT
public:
    // What the button shows and does follows from these alone.
    struct Flags {
        bool busy = false;
        bool installed = false;
        bool updatable = false;
        bool authenticated = false;
        bool verifying = false;
    };
    enum class Action { None, UpdateApp, ConnectInstalledApp, ToggleInstallation };

    static QString title(const Flags &flags);
    static QString iconName(const Flags &flags);
    static QColor foregroundColor(const Flags &flags);
    static Action action(const Flags &flags);

    static constexpr int padding = 12;

    AppCardActionButton(AppStoreData *app, AppStoreModel *model, int width, QWidget *parent = nullptr);

    Flags flags() const;
    int buttonWidth() const { return m_width; }
    // The button's own rectangle inside the widget.
    QRect buttonRect() const;
    bool isSpinnerShown() const;
    // The tap: runs the operation the flags call for, if any.
    void performAction();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void refresh();
    const QImage &shadow();

    QPointer<AppStoreData> m_app;
    QPointer<AppStoreModel> m_model;
    int m_width;
    TavoCircleLoading *m_spinner;
    QImage m_shadow;
};
