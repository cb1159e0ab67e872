#include "tutorial/CanvasHelpButton.h"

#include "analytics/AnalyticsService.h"
#include "Platform/Haptics.h"
#include "Platform/Scheduler.h"
#include "Platform/SpringEasing.h"
#include "theme/CircleButton.h"
#include "theme/ScaleEffect.h"

#include <QPointer>
#include <QVariantAnimation>

namespace {
const QString kChannel = QStringLiteral("helpBounce");
}

CanvasHelpButton::CanvasHelpButton(QWidget *parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("canvasHelpButton"));
    setAttribute(Qt::WA_TranslucentBackground);
    QPointer<CanvasHelpButton> self(this);
    m_button = new CircleButton(QStringLiteral("btn_help"), nullptr, std::nullopt, buttonSize, [self] {
        if (self)
            self->handleTap();
    }, this);
    m_button->setObjectName(QStringLiteral("helpButton"));
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_scale = v.toReal();
        ScaleEffect::of(m_button)->setScale(kChannel, m_scale);
    });
}

CanvasHelpButton::~CanvasHelpButton()
{
    if (m_bounceObserver)
        NotificationCenter::defaultCenter().removeObserver(m_bounceObserver);
}

void CanvasHelpButton::handleTap()
{
    Haptics::instance().perform(QStringLiteral("generic"));
    triggerBounce();
    NotificationCenter::defaultCenter().post(QStringLiteral("showTutorialOverlay"));
    AnalyticsService::shared().trackButtonTap(QStringLiteral("canvas_help_button"), {{QStringLiteral("source"), QStringLiteral("canvas_floating")}});
}

void CanvasHelpButton::triggerBounce()
{
    setAnimateBounce(true);
    // Each bounce schedules its own return and none is cancelled: the first return ends both.
    QPointer<CanvasHelpButton> self(this);
    Scheduler::instance().singleShot(bounceMs, this, [self] {
        if (self)
            self->setAnimateBounce(false);
    });
}

void CanvasHelpButton::setAnimateBounce(bool bounce)
{
    if (bounce == m_animateBounce)
        return;
    m_animateBounce = bounce;
    m_animation->stop();
    m_animation->setStartValue(m_scale);
    m_animation->setEndValue(bounce ? bouncedScale : 1.0);
    Spring{0.2, 0.6}.apply(m_animation);
    m_animation->start();
}

void CanvasHelpButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize size = m_button->sizeHint();
    m_button->setGeometry(width() - padding - size.width(), height() - padding - size.height(), size.width(), size.height());
}

void CanvasHelpButton::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_bounceObserver)
        return;
    QPointer<CanvasHelpButton> self(this);
    m_bounceObserver = NotificationCenter::defaultCenter().addObserver(QStringLiteral("triggerHelpButtonBounce"), this, [self](const Notification &) {
        if (self)
            self->triggerBounce();
    });
}

void CanvasHelpButton::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!m_bounceObserver)
        return;
    NotificationCenter::defaultCenter().removeObserver(m_bounceObserver);
    m_bounceObserver = 0;
}
