#include "onboarding/ProfileOverlayView.h"
#include "onboarding/ProfileEntrance.h"
#include "onboarding/ProfileStepView.h"
#include "account/ProfileService.h"
#include "account/ProfileViewModel.h"
#include "theme/Materials.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Scheduler.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ProfileOverlayView::ProfileOverlayView(std::function<void()> onDismiss, const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_onDismiss(std::move(onDismiss))
{
    setObjectName(QStringLiteral("profileOverlay"));
    setAttribute(Qt::WA_TranslucentBackground);
    ProfileService *profiles = services.profiles;
    if (!profiles) {
        // No signed-in identity to ask with: the load ends in "No access token available".
        m_ownService = new ProfileService(QString(), nullptr, false, this);
        profiles = m_ownService;
    }
    m_profileViewModel = new ProfileViewModel(profiles, this);
    QPointer<ProfileOverlayView> self(this);
    m_card = new ProfileStepView(m_profileViewModel, [self] {
        if (self)
            self->dismiss();
    }, services.signOut, services.identity, services.images, this);
    // The card column is centred; it enters with the first appearance.
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_card, 0, 0, Qt::AlignCenter);
    m_card->hide();
}

ProfileOverlayView::~ProfileOverlayView()
{
    removeKeyMonitor();
}

void ProfileOverlayView::dismiss()
{
    if (!m_onDismiss)
        return;
    auto onDismiss = m_onDismiss; // the host may delete this overlay
    onDismiss();
}

void ProfileOverlayView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QColor veil = Materials::ultraThin();
    veil.setAlphaF(veil.alphaF() * 0.5);
    p.fillRect(rect(), veil);
}

void ProfileOverlayView::mousePressEvent(QMouseEvent *event)
{
    // Only presses that reach the backdrop itself: the card and its controls take their own.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    QPointer<ProfileOverlayView> self(this);
    MainQueue::post(this, [self] {
        if (self)
            self->dismiss();
    });
}

void ProfileOverlayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installKeyMonitor();
}

void ProfileOverlayView::hideEvent(QHideEvent *event)
{
    removeKeyMonitor();
    QWidget::hideEvent(event);
}

void ProfileOverlayView::installKeyMonitor()
{
    if (m_keyMonitor)
        return;
    QPointer<ProfileOverlayView> self(this);
    m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &event) { return self && self->handleKeyDown(event); }, this);
    if (m_appeared)
        return;
    m_appeared = true;
    MainQueue::post(this, [self] {
        if (self)
            self->startAppearAnimations();
    });
}

void ProfileOverlayView::removeKeyMonitor()
{
    if (!m_keyMonitor)
        return;
    m_keyMonitor->remove();
    m_keyMonitor->deleteLater();
    m_keyMonitor = nullptr;
}

bool ProfileOverlayView::handleKeyDown(QKeyEvent &event)
{
    // Any modifiers: Shift-Escape closes as well.
    if (event.key() != Qt::Key_Escape)
        return false;
    dismiss();
    return true;
}

void ProfileOverlayView::startAppearAnimations()
{
    // The rows can show before any request when the service has the profile already.
    if (const auto cached = m_profileViewModel->profileService()->cachedProfile())
        m_profileViewModel->setUserProfile(cached);
    m_showContent = true;
    m_card->show();
    // The column grows from 0.7 and fades in.
    ProfileEntrance::show(m_card, 100, Spring{0.6, 0.8}, 0.7, 0.0);
    m_showCard = true;
    m_card->setShowCard(true);
    m_profileViewModel->loadProfile();
}
