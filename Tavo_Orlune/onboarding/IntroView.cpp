#include "onboarding/IntroView.h"
#include "onboarding/InvitationView.h"
#include "Platform/AppTermination.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/SpringEasing.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/NebulaBackgroundView.h"
#include "theme/ScaleEffect.h"
#include "voice/AudioManagerService.h"
#include "voice/AudioManagerServiceRecorder.h"
#include "widgets/FlowerAnimationView.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace {
// The flower's disc and the depth of its shadow, in points before the intro's scale.
constexpr qreal kFlowerDisc = 140;
constexpr qreal kFlowerShadow = 8;
const QString kReveal = QStringLiteral("reveal");
const QString kHasSeenIntro = QStringLiteral("hasSeenIntro");

QColor white(qreal opacity)
{
    return QColor::fromRgbF(1, 1, 1, opacity);
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t, a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

// One line of the column, drawn in the overlay blend mode over the nebula.
class IntroText : public QWidget {
public:
    IntroText(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
        : QWidget(parent), m_text(text), m_color(color)
    {
        setFont(font);
        setAttribute(Qt::WA_TranslucentBackground);
        const QFontMetrics metrics(font);
        setFixedHeight(metrics.height() + 2);
        setMinimumWidth(metrics.horizontalAdvance(text) + 4);
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_Overlay);
        painter.setPen(m_color);
        painter.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
    QColor m_color;
};

// Get Started and Close: painted labels whose colours blend between rest and hover.
class IntroButton : public QAbstractButton {
public:
    IntroButton(const QString &text, QSize size, bool filled, std::function<void(bool)> onHover, QWidget *parent)
        : QAbstractButton(parent), m_filled(filled), m_onHover(std::move(onHover))
    {
        setText(text);
        setFixedSize(size);
        setFont(Fonts::system(14, QFont::Bold));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        m_hover = new QVariantAnimation(this);
        m_hover->setDuration(150);
        m_hover->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_hover, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            m_progress = v.toDouble();
            update();
        });
    }
    void animateHover(bool hovered)
    {
        m_hover->stop();
        m_hover->setStartValue(m_progress);
        m_hover->setEndValue(hovered ? 1.0 : 0.0);
        m_hover->start();
    }

protected:
    void enterEvent(QEnterEvent *) override { m_onHover(true); }
    void leaveEvent(QEvent *) override { m_onHover(false); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor primary = Color::textPrimary();
        QColor textColor;
        if (m_filled) {
            QPainterPath shape;
            shape.addRoundedRect(QRectF(rect()), 24, 24);
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_Overlay);
            painter.fillPath(shape, mix(white(0.9), primary, m_progress));
            painter.restore();
            textColor = mix(primary, white(1), m_progress);
        } else {
            textColor = mix(white(0.8), QColor::fromRgbF(primary.redF(), primary.greenF(), primary.blueF(), 0.8), m_progress);
        }
        painter.setPen(textColor);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

private:
    bool m_filled;
    std::function<void(bool)> m_onHover;
    QVariantAnimation *m_hover;
    qreal m_progress = 0;
};
}

IntroView::IntroView(BackgroundVisibilityManager *bgManager, QWidget *parent)
    : IntroView(bgManager,
                Parts{new AudioManagerServiceRecorder(AudioManagerService::shared()),
                      [bgManager](QWidget *host) -> QWidget * { return new InvitationView(bgManager, host); },
                      [] { AppTermination::request(); }},
                parent)
{
}

IntroView::IntroView(BackgroundVisibilityManager *bgManager, Parts parts, QWidget *parent)
    : QWidget(parent), m_bgManager(bgManager), m_parts(std::move(parts))
{
    if (m_parts.audio && !m_parts.audio->parent())
        m_parts.audio->setParent(this);
    build();
}

IntroView::~IntroView()
{
    if (m_observing)
        NotificationCenter::defaultCenter().removeObserver(m_nebulaObserver);
}

void IntroView::build()
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_content = new QWidget(this);
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    auto *columnBox = new QWidget(m_content);
    columnBox->setFixedSize(800, 600);
    contentLayout->addWidget(columnBox, 0, Qt::AlignCenter);
    auto *column = new QVBoxLayout(columnBox);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The flower is centred on the height the text column leaves, but drawn whole: its
    // widget reaches as far as its petals (and their shadow) at the intro's scale, over the
    // column's edges, under the text and never in the way of a click.
    m_flowerHost = new QWidget(columnBox);
    m_flowerHost->installEventFilter(this);
    columnBox->installEventFilter(this);
    FlowerAnimationView::Options options;
    options.showBackground = false;
    options.isCompact = false;
    options.showButtons = false;
    options.showLabels = false;
    options.recordingSource = QStringLiteral("unknown");
    options.scale = 360.0 / 140.0;
    options.alwaysExpanded = true;
    options.showShadow = false;
    options.onTap = [] {};
    options.onCanvasTap = [] {};
    options.onTranscriptTap = [] {};
    AudioRecorderInterface *audio = m_parts.audio;
    m_flower = new FlowerAnimationView(audio, options, m_content);
    const int reach = int(std::ceil((kFlowerDisc + 2 * kFlowerShadow) * options.scale)) + 2;
    m_flower->setFixedSize(reach, reach);
    m_flower->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_flower->lower();
    column->addWidget(m_flowerHost, 1);
    // One flattened layer, scaled and faded as a whole; invisible until it lands.
    ScaleEffect::of(m_flower)->setScale(kReveal, 4.0);
    ScaleEffect::of(m_flower)->setOpacity(kReveal, 0.0);

    auto addElement = [&](int stage, QWidget *element, int spaceBefore, int spaceAfter) {
        if (spaceBefore)
            column->addSpacing(spaceBefore);
        column->addWidget(element, 0, Qt::AlignHCenter);
        if (spaceAfter)
            column->addSpacing(spaceAfter);
        ScaleEffect::of(element)->setScale(kReveal, 1.5);
        ScaleEffect::of(element)->setOpacity(kReveal, 0.0);
        m_elements[stage] = element;
    };
    addElement(0, new IntroText(QStringLiteral("Tavo Orlune"), Fonts::displayFont(), white(0.9), columnBox), 0, 8);
    addElement(1, new IntroText(QStringLiteral("Your AI Workspace"), Fonts::headlineFont(), white(0.8), columnBox), 0, 8);
    addElement(2, new IntroText(QStringLiteral("This is your home for all your AI Apps & Agents"), Fonts::introSubtitleFont(),
                                white(0.6), columnBox), 0, 0);
    addElement(3, new IntroText(QStringLiteral("Here, Tavo helps make your day simple & productive"),
                                Fonts::introSubtitleFont(), white(0.6), columnBox), 0, 20);
    auto *getStarted = new IntroButton(QStringLiteral("Get Started"), QSize(296, 48), true,
                                       [this](bool h) { setHover(true, h); }, columnBox);
    connect(getStarted, &QAbstractButton::clicked, this, &IntroView::getStarted);
    addElement(4, getStarted, 8, 12);
    auto *close = new IntroButton(QStringLiteral("Close"), QSize(296, 32), false, [this](bool h) { setHover(false, h); },
                                  columnBox);
    connect(close, &QAbstractButton::clicked, this, &IntroView::closeIntro);
    addElement(5, close, 0, 8);

    m_stack->addWidget(m_content);
}

void IntroView::placeFlower()
{
    if (!m_flower || !m_flowerHost)
        return;
    const QPoint centre = m_flowerHost->mapTo(m_content, m_flowerHost->rect().center());
    m_flower->move(centre - QPoint(m_flower->width() / 2, m_flower->height() / 2));
}

bool IntroView::eventFilter(QObject *watched, QEvent *event)
{
    const bool host = m_flowerHost && (watched == m_flowerHost || watched == m_flowerHost->parentWidget());
    if (host && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeFlower();
    return QWidget::eventFilter(watched, event);
}

QAbstractButton *IntroView::getStartedButton() const
{
    return static_cast<QAbstractButton *>(m_elements[4]);
}

QAbstractButton *IntroView::closeButton() const
{
    return static_cast<QAbstractButton *>(m_elements[5]);
}

void IntroView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_showInvitationView)
        return;
    if (!m_observing) {
        m_observing = true;
        QPointer<IntroView> self = this;
        m_nebulaObserver = NotificationCenter::defaultCenter().addObserver(
            NebulaBackgroundView::animationFinishedNotification(), this, [self](const Notification &) {
                if (self)
                    self->setNebulaFinished(true);
            });
    }
    // The nebula posts once, about a second after it first shows: an intro shown later (a long
    // credential check, or back after a sign-out) would wait for nothing.
    if (NebulaBackgroundView::hasFinished())
        setNebulaFinished(true);
    if (!m_keyMonitor) {
        QPointer<IntroView> self = this;
        m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &key) {
            if (!self || !LocalKeyMonitor::isReturn(key) || self->m_showInvitationView || self->m_isClosing
                || !self->isVisible() || !self->window()->isActiveWindow())
                return false;
            self->getStarted();
            return true;
        }, this);
    }
}

void IntroView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_observing) {
        NotificationCenter::defaultCenter().removeObserver(m_nebulaObserver);
        m_observing = false;
    }
    delete m_keyMonitor;
    m_keyMonitor = nullptr;
}

void IntroView::setNebulaFinished(bool finished)
{
    if (m_nebulaFinished == finished)
        return;
    m_nebulaFinished = finished;
    if (finished && !m_animationsStarted) {
        m_animationsStarted = true;
        MainQueue::post(this, [self = QPointer<IntroView>(this)] {
            if (self)
                self->startIntroSequence();
        });
    }
}

void IntroView::animate(QWidget *target, double fromScale, double toScale, double fromOpacity, double toOpacity,
                        double response, double damping)
{
    auto *animation = new QVariantAnimation(target);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    Spring{response, damping}.apply(animation);
    QPointer<QWidget> guard = target;
    connect(animation, &QVariantAnimation::valueChanged, target, [guard, fromScale, toScale, fromOpacity, toOpacity](const QVariant &v) {
        if (!guard)
            return;
        const double t = v.toDouble();
        ScaleEffect::of(guard)->setScale(kReveal, fromScale + (toScale - fromScale) * t);
        ScaleEffect::of(guard)->setOpacity(kReveal, std::clamp(fromOpacity + (toOpacity - fromOpacity) * t, 0.0, 1.0));
    });
    connect(animation, &QVariantAnimation::finished, target, [guard, toScale, toOpacity] {
        if (!guard)
            return;
        ScaleEffect::of(guard)->setScale(kReveal, toScale);
        ScaleEffect::of(guard)->setOpacity(kReveal, toOpacity);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void IntroView::startIntroSequence()
{
    m_flowerLanded = true;
    animate(m_flower, 4.0, 1.0, 0.0, 1.0, 2.0, 1.0);
    for (int k = 0; k < stageCount; ++k)
        Scheduler::instance().singleShot(firstRevealMs + revealStepMs * k, this, [this, k] { setStage(k); });
}

void IntroView::setStage(int stage)
{
    m_currentStage = stage;
    if (QWidget *element = m_elements[stage])
        animate(element, 1.5, 1.0, 0.0, 1.0, 0.6, 0.9);
}

void IntroView::setHover(bool getStarted, bool hovered)
{
    (getStarted ? m_getStartedHover : m_closeHover) = hovered;
    static_cast<IntroButton *>(getStarted ? getStartedButton() : closeButton())->animateHover(hovered);
}

void IntroView::getStarted()
{
    if (m_showInvitationView)
        return;
    Settings::instance().setValue(kHasSeenIntro, true);
    m_showInvitationView = true;
    if (m_bgManager)
        m_bgManager->setShowNebula(true);
    if (m_observing) {
        NotificationCenter::defaultCenter().removeObserver(m_nebulaObserver);
        m_observing = false;
    }
    delete m_keyMonitor;
    m_keyMonitor = nullptr;
    if (m_parts.makeInvitation) {
        m_invitation = m_parts.makeInvitation(this);
        m_stack->addWidget(m_invitation);
        m_stack->setCurrentWidget(m_invitation);
    }
}

void IntroView::closeIntro()
{
    if (m_isClosing)
        return;
    m_isClosing = true;
    auto *animation = new QVariantAnimation(m_content);
    animation->setDuration(closeMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    QWidget *content = m_content;
    connect(animation, &QVariantAnimation::valueChanged, content, [content](const QVariant &v) {
        const double t = v.toDouble();
        ScaleEffect::of(content)->setScale(kReveal, 1.0 - 0.6 * t);
        ScaleEffect::of(content)->setOpacity(kReveal, 1.0 - t);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    // "hasSeenIntro" stays as it is: the intro shows again at the next launch.
    Scheduler::instance().singleShot(closeMs, this, [this] {
        if (m_parts.terminate)
            m_parts.terminate();
    });
}
