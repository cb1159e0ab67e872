#pragma once
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "store/AppCardActionButton.h"
#include "store/AppCardSize.h"

#include "integrations/AppStoreModel.h"
#include "model/AppStoreData.h"

class QPushButton;
class QVariantAnimation;
class TavoCircleLoading;

// The card of one store app: its icon tile, its name, a second line (the developer on a large
// card, the category on a small one) and the action button, over a blurred copy of the app's
// logo. Hovering an installed app shows a delete control that asks before it uninstalls.
// The card fetches the logo itself (shared loader and cache), shrinks it to a 64 x 64 bitmap,
// and shows a placeholder until then or when the fetch fails.
//
// The card holds no store logic: every action is one call of the model, and everything it
// shows follows the app's fields and the model's busy set. The model is required.
class AppCardView : public QWidget {
    Q_OBJECT
public:
    // What the icon tile shows, and what the blurred backdrop is made from.
    enum class IconContent { Logo, Spinner, Symbol, Resource };
    Q_ENUM(IconContent)

    static constexpr qreal cornerRadius = 34;
    static constexpr qreal backdropBlur = 30;
    // The one catalog app that comes installed and cannot be uninstalled from its card.
    static QString preinstalledCatalogId() { return QStringLiteral("app_7Lho0v"); }

    AppCardView(AppStoreData *app, bool isFeatured, AppCardSize size, const QString &iconMaskName,
                AppStoreModel *viewModel, QWidget *parent = nullptr);
    ~AppCardView() override;

    AppStoreData *app() const { return m_app; }
    bool isFeatured() const { return m_isFeatured; }
    AppCardSize cardSize() const { return m_size; }
    QString iconMaskName() const { return m_iconMaskName; }

    bool isHovered() const { return m_isHovered; }
    bool hasAppeared() const { return m_hasAppeared; }
    QImage appIcon() const { return m_appIcon; }
    bool isLoadingIcon() const { return m_isLoadingIcon; }
    bool showDeleteConfirmation() const { return m_showDeleteConfirmation; }

    IconContent tileContent() const;
    IconContent backdropContent() const;
    QString secondLine() const;
    bool isDeleteControlShown() const;

    // The action button and its rules, over this card's app and model.
    AppCardActionButton *actionButton() const { return m_button; }
    QString buttonTitle() const { return AppCardActionButton::title(m_button->flags()); }
    QString buttonIconName() const { return AppCardActionButton::iconName(m_button->flags()); }
    QColor buttonForegroundColor() const { return AppCardActionButton::foregroundColor(m_button->flags()); }
    void performAction() { m_button->performAction(); }

    void setHovered(bool hovered);
    // Starts the logo fetch when the app has a logo address, none is shown and none is running.
    void loadIconIfNeeded();
    // The delete control's tap: asks, and uninstalls on "Uninstall".
    void confirmUninstall();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void appear();
    void loadIcon(const QString &address);
    void refresh();
    QRect tileRect() const;
    QImage tileImage(qreal dpr);
    QImage backdropImage(qreal dpr);

    QPointer<AppStoreData> m_app;
    bool m_isFeatured;
    AppCardSize m_size;
    QString m_iconMaskName;
    QPointer<AppStoreModel> m_viewModel;

    bool m_isHovered = false;
    bool m_hasAppeared = false;
    bool m_appearScheduled = false;
    QImage m_appIcon;
    bool m_isLoadingIcon = false;
    bool m_showDeleteConfirmation = false;

    AppCardActionButton *m_button;
    QPushButton *m_deleteControl;
    TavoCircleLoading *m_tileSpinner;
    QVariantAnimation *m_hoverAnimation;
    QVariantAnimation *m_appearAnimation;
    QImage m_tile;
    QString m_tileKey;
    QImage m_backdrop;
    QString m_backdropKey;
};
