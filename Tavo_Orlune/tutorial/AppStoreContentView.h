#pragma once
#include "tutorial/FloatingIconPosition.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class FloatingAppIconsView;
class TutorialButton;
class TutorialCardSurface;
class TutorialHoverFlag;

// The tutorial's last card: the store's icon, "Orlune App Store", "Get Started with Apps", a
// sentence of explanation, the floating app logos and the "Install Apps" button, on a frosted
// card of at most 400 × 500 centred in the room given. The card keeps no state: the overlay
// owns the hover flags, the logo names and their places, and gets the click back through
// onBrowseApps on a later main-queue turn. Room around the card is the overlay's backdrop.
class AppStoreContentView : public QWidget {
    Q_OBJECT
public:
    AppStoreContentView(std::function<void()> onBrowseApps, TutorialHoverFlag *browseAppsHovered, TutorialHoverFlag *cardHovered,
                        const QList<FloatingIconPosition> &iconPositions, const QStringList &appIcons, QWidget *parent = nullptr);

    TutorialCardSurface *card() const { return m_card; }
    TutorialButton *installButton() const { return m_install; }
    FloatingAppIconsView *iconsView() const { return m_icons; }
    void setIconPositions(const QList<FloatingIconPosition> &positions);

    static constexpr int maxCardWidth = 400;
    static constexpr int maxCardHeight = 500;
    static constexpr qreal cornerRadius = 30;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    TutorialCardSurface *m_card;
    FloatingAppIconsView *m_icons;
    TutorialButton *m_install;
};
