#pragma once
#include <QPointer>
#include <QWidget>

#include "integrations/AppStoreModel.h"

class AppIconViewForPopup;
class AuthenticationPopupButton;
class QLabel;

// The question the store asks right after installing an app whose account is not connected
// yet: a dimmed backdrop over the whole store view with a centred card (the app's icon and
// name, "Authorize the App", one line of explanation, "Later" and "Authenticate").
// "Authenticate" hands over to the model, which opens the connect page in the browser;
// "Later", or a click on the backdrop, drops the question.
//
// It lies over its parent (the store view) and follows its size. It is on screen exactly
// while the model's showAuthPopup is true; hidden, it takes no input at all. Each showing
// builds the card afresh.
class AuthenticationPopupView : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxCardWidth = 380;
    static constexpr qreal cardCornerRadius = 36;

    // The model is required.
    explicit AuthenticationPopupView(AppStoreModel *viewModel, QWidget *parent = nullptr);

    AppStoreModel *viewModel() const { return m_viewModel; }
    QWidget *card() const { return m_card; }
    AuthenticationPopupButton *laterButton() const { return m_later; }
    AuthenticationPopupButton *authenticateButton() const { return m_authenticate; }
    // The icon of the pending app; none while no app is pending.
    AppIconViewForPopup *iconView() const { return m_iconView; }
    // The card's lines from the top: the app's name (when one is pending), the title, the explanation.
    QStringList texts() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sync();
    void buildCard();
    void dropCard();
    void placeCard();

    QPointer<AppStoreModel> m_viewModel;
    QWidget *m_card = nullptr;
    AuthenticationPopupButton *m_later = nullptr;
    AuthenticationPopupButton *m_authenticate = nullptr;
    AppIconViewForPopup *m_iconView = nullptr;
    QList<QLabel *> m_lines;
    QPointer<AppStoreData> m_cardApp;
    bool m_pressOnBackdrop = false;
};
