#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "model/AppStoreData.h"

class TavoCircleLoading;

// The authorization popup's icon of one app: the app's logo once fetched (catalog apps only),
// a spinner while it loads, else the app's resource image on white, else a placeholder symbol
// on a faint white tile. The logo is fetched each time the view comes on screen, dropped when
// it leaves, and fetched anew when the app's logo address changes.
class AppIconViewForPopup : public QWidget {
    Q_OBJECT
public:
    enum class Content { Logo, Spinner, Placeholder, Resource };
    Q_ENUM(Content)

    static constexpr int side = 64;
    static constexpr qreal cornerRadius = 16;

    explicit AppIconViewForPopup(AppStoreData *app, QWidget *parent = nullptr);

    AppStoreData *app() const { return m_app; }
    QImage appIcon() const { return m_appIcon; }
    bool isLoadingIcon() const { return m_isLoadingIcon; }
    Content content() const;

    void loadIcon();

    QSize sizeHint() const override { return QSize(side, side); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void iconAddressChanged();
    void refresh();

    QPointer<AppStoreData> m_app;
    QImage m_appIcon;
    bool m_isLoadingIcon = false;
    // Answers for an address the app no longer has are dropped.
    quint64 m_generation = 0;
    TavoCircleLoading *m_spinner;
};
