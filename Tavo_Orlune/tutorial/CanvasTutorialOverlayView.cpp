#include "tutorial/CanvasTutorialOverlayView.h"
#include "tutorial/AppStoreContentView.h"
#include "tutorial/CanvasTutorial3StepView.h"
#include "tutorial/CanvasTutorial4StepView.h"
#include "tutorial/CanvasTutorial5StepView.h"
#include "tutorial/CanvasTutorial6StepView.h"
#include "tutorial/CanvasTutorial8StepView.h"
#include "tutorial/CanvasTutorial9StepView.h"
#include "tutorial/CanvasTutorialStepWrapper.h"
#include "tutorial/TutorialHoverFlag.h"

#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Scheduler.h"
#include "theme/Animations.h"
#include "theme/CircleButton.h"
#include "theme/Materials.h"
#include "theme/ScaleEffect.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {
const QString kAppearChannel = QStringLiteral("tutorialAppear");
const QString kPhaseChannel = QStringLiteral("tutorialPhase");

// Fades a card's opacity between two values over the phase change; done runs at the end.
void fadeCard(QWidget *card, qreal from, qreal to, int ms, std::function<void()> done = {})
{
    ScaleEffect::of(card)->setOpacity(kPhaseChannel, from);
    auto *animation = new QVariantAnimation(card);
    animation->setDuration(ms);
    animation->setEasingCurve(Animations::easeInOut());
    animation->setStartValue(from);
    animation->setEndValue(to);
    QObject::connect(animation, &QVariantAnimation::valueChanged, card,
                     [card](const QVariant &v) { ScaleEffect::of(card)->setOpacity(kPhaseChannel, v.toReal()); });
    QObject::connect(animation, &QVariantAnimation::finished, card, [card, done = std::move(done)] {
        ScaleEffect::releaseIfIdle(card);
        if (done)
            done();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QWidget *makeStepView(CanvasTutorialOverlayView::TutorialPhase phase)
{
    using P = CanvasTutorialOverlayView::TutorialPhase;
    switch (phase) {
    case P::tutorial3:
        return new CanvasTutorial3StepView;
    case P::tutorial4:
        return new CanvasTutorial4StepView;
    case P::tutorial5:
        return new CanvasTutorial5StepView;
    case P::tutorial6:
        return new CanvasTutorial6StepView;
    case P::tutorial8:
        return new CanvasTutorial8StepView;
    case P::tutorial9:
        return new CanvasTutorial9StepView;
    case P::appStore:
        break;
    }
    return nullptr;
}
}

std::optional<CanvasTutorialOverlayView::TutorialPhase> CanvasTutorialOverlayView::phase(int rawValue)
{
    if (rawValue < 0 || rawValue > int(TutorialPhase::appStore))
        return std::nullopt;
    return TutorialPhase(rawValue);
}

QList<CanvasTutorialOverlayView::TutorialPhase> CanvasTutorialOverlayView::allPhases()
{
    QList<TutorialPhase> out;
    for (int raw = 0; raw <= int(TutorialPhase::appStore); ++raw)
        out << TutorialPhase(raw);
    return out;
}

CanvasTutorialOverlayView::RandomSource CanvasTutorialOverlayView::systemRandomSource()
{
    return [](double low, double high) {
        // 2^53 + 1 evenly spaced values from low to high, both bounds included.
        constexpr quint64 steps = quint64(1) << 53;
        const double k = double(QRandomGenerator::global()->bounded(steps + 1));
        return low + (high - low) * (k / double(steps));
    };
}

const QStringList &CanvasTutorialOverlayView::appIcons()
{
    static const QStringList icons{QStringLiteral("google_sheets_logo"), QStringLiteral("gmail_logo"),  QStringLiteral("google_docs_logo"),
                                   QStringLiteral("slack_logo"),         QStringLiteral("asana_logo"),  QStringLiteral("hubspot_logo"),
                                   QStringLiteral("google_drive_logo")};
    return icons;
}

CanvasTutorialOverlayView::CanvasTutorialOverlayView(std::function<void()> onDismiss, std::function<void()> onBrowseApps, QWidget *parent,
                                                     RandomSource random)
    : QWidget(parent)
    , m_onDismiss(std::move(onDismiss))
    , m_onBrowseApps(std::move(onBrowseApps))
    , m_random(random ? std::move(random) : systemRandomSource())
    , m_browseAppsHovered(new TutorialHoverFlag(this))
    , m_cardHovered(new TutorialHoverFlag(this))
    , m_nextHovered(new TutorialHoverFlag(this))
    , m_backHovered(new TutorialHoverFlag(this))
    , m_content(new QWidget(this))
    , m_slot(new QWidget(m_content))
{
    setObjectName(QStringLiteral("canvasTutorialOverlay"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_content->setObjectName(QStringLiteral("tutorialContent"));
    m_slot->setObjectName(QStringLiteral("tutorialCardSlot"));
    auto *cards = new QStackedLayout(m_slot);
    cards->setStackingMode(QStackedLayout::StackAll); // the outgoing card stays visible while it fades

    // Close button centred above the card; the card takes the rest of the height.
    QPointer<CanvasTutorialOverlayView> self(this);
    m_closeButton = new CircleButton(QStringLiteral("btn_close"), nullptr, std::nullopt, closeButtonSize, [self] {
        if (self)
            self->closeTapped();
    });
    m_closeButton->setObjectName(QStringLiteral("tutorialClose"));
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(m_closeButton);
    closeRow->addStretch(1);
    auto *stack = new QVBoxLayout(m_content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addSpacing(28);
    stack->addLayout(closeRow);
    stack->addSpacing(20);
    stack->addWidget(m_slot, 1);
    stack->addSpacing(8);
    m_content->hide(); // until showContent
    showCard();
}

CanvasTutorialOverlayView::~CanvasTutorialOverlayView()
{
    removeKeyMonitor();
}

// Phases

void CanvasTutorialOverlayView::nextPhase()
{
    if (int(m_currentPhase) <= int(TutorialPhase::tutorial9))
        setPhase(TutorialPhase(int(m_currentPhase) + 1));
}

void CanvasTutorialOverlayView::previousPhase()
{
    if (int(m_currentPhase) >= 1)
        setPhase(TutorialPhase(int(m_currentPhase) - 1));
}

void CanvasTutorialOverlayView::setPhase(TutorialPhase phase)
{
    m_currentPhase = phase;
    showCard();
    updateFloating();
}

void CanvasTutorialOverlayView::showCard()
{
    QPointer<CanvasTutorialOverlayView> self(this);
    QWidget *card = nullptr;
    if (m_currentPhase == TutorialPhase::appStore) {
        auto *store = new AppStoreContentView(
            [self] {
                if (self && self->m_onBrowseApps) {
                    const std::function<void()> browse = self->m_onBrowseApps;
                    browse();
                }
            },
            m_browseAppsHovered, m_cardHovered, m_iconPositions, appIcons());
        m_appStoreCard = store;
        card = store;
    } else {
        auto later = [self](void (CanvasTutorialOverlayView::*step)()) {
            return [self, step] {
                if (self)
                    MainQueue::post(self, [self, step] {
                        if (self)
                            (self.data()->*step)();
                    });
            };
        };
        std::function<void()> onBack;
        if (m_currentPhase != TutorialPhase::tutorial3)
            onBack = later(&CanvasTutorialOverlayView::previousPhase);
        card = new CanvasTutorialStepWrapper(makeStepView(m_currentPhase), later(&CanvasTutorialOverlayView::nextPhase), onBack,
                                             m_nextHovered, m_backHovered, m_cardHovered);
    }
    auto *cards = static_cast<QStackedLayout *>(m_slot->layout());
    QPointer<QWidget> outgoing = m_card;
    m_card = card;
    cards->addWidget(card);
    cards->setCurrentWidget(card); // on top
    if (!outgoing)
        return;
    // The outgoing card fades out while the new one fades in; it takes no more clicks.
    outgoing->setAttribute(Qt::WA_TransparentForMouseEvents);
    fadeCard(card, 0.0, 1.0, phaseChangeMs);
    fadeCard(outgoing, ScaleEffect::of(outgoing)->opacity(), 0.0, phaseChangeMs, [outgoing] {
        if (outgoing)
            outgoing->deleteLater();
    });
}

void CanvasTutorialOverlayView::closeTapped()
{
    QPointer<CanvasTutorialOverlayView> self(this);
    MainQueue::post(this, [self] {
        if (self && self->m_onDismiss) {
            const std::function<void()> dismiss = self->m_onDismiss;
            dismiss();
        }
    });
}

void CanvasTutorialOverlayView::handleBackgroundTap()
{
    if (m_currentPhase == TutorialPhase::appStore)
        closeTapped();
}

void CanvasTutorialOverlayView::handleReturnKey()
{
    if (int(m_currentPhase) <= int(TutorialPhase::tutorial9)) {
        QPointer<CanvasTutorialOverlayView> self(this);
        MainQueue::post(this, [self] {
            if (self)
                self->nextPhase();
        });
    } else if (m_onBrowseApps) {
        const std::function<void()> browse = m_onBrowseApps;
        browse();
    }
}

// Keys

void CanvasTutorialOverlayView::installKeyMonitor()
{
    if (!m_keyMonitor) {
        QPointer<CanvasTutorialOverlayView> self(this);
        m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &event) { return self && self->handleKeyDown(event); }, this);
    }
    QPointer<CanvasTutorialOverlayView> self(this);
    MainQueue::post(this, [self] {
        if (self)
            self->startAppearAnimations();
    });
}

void CanvasTutorialOverlayView::removeKeyMonitor()
{
    if (!m_keyMonitor)
        return;
    m_keyMonitor->remove();
    m_keyMonitor->deleteLater();
    m_keyMonitor = nullptr;
}

bool CanvasTutorialOverlayView::ownsKeyboard() const
{
    // The monitor sees the presses of every window of the application; only those of the
    // window the tutorial is in are the tutorial's. Return typed into another window stays
    // there instead of turning the tutorial's page.
    const QWidget *own = window();
    if (!own || !own->isVisible() || !own->isActiveWindow())
        return false;
    const QWindow *focus = QGuiApplication::focusWindow();
    if (!focus || focus != own->windowHandle())
        return false;
    // A layer shown over the tutorial (the store, the profile) takes its keys first: Escape
    // closes the topmost layer, and Return does not turn a page nobody sees.
    for (const QWidget *w = this; w && w != own; w = w->parentWidget()) {
        const QWidget *parent = w->parentWidget();
        if (!parent)
            break;
        const QObjectList &siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QWidget *>(w)) + 1; i < siblings.size(); ++i) {
            const auto *above = qobject_cast<const QWidget *>(siblings[i]);
            if (above && above->isVisible() && above->geometry().contains(w->geometry()))
                return false;
        }
    }
    return true;
}

bool CanvasTutorialOverlayView::handleKeyDown(QKeyEvent &event)
{
    if (!ownsKeyboard())
        return false;
    // Only the key counts: modifiers held with it do not change what it does.
    if (LocalKeyMonitor::isReturn(event)) {
        QPointer<CanvasTutorialOverlayView> self(this);
        MainQueue::post(this, [self] {
            if (self)
                self->handleReturnKey();
        });
        return true;
    }
    if (LocalKeyMonitor::isEscape(event)) {
        if (m_onDismiss) {
            const std::function<void()> dismiss = m_onDismiss;
            dismiss();
        }
        return true;
    }
    return false;
}

// Appearance

void CanvasTutorialOverlayView::startAppearAnimations()
{
    if (m_appearStarted)
        return; // once per overlay: the logos keep their places for its whole life
    m_appearStarted = true;
    m_iconPositions = generateIconPositions(int(appIcons().size()), m_random);
    if (m_appStoreCard)
        m_appStoreCard->setIconPositions(m_iconPositions);
    QPointer<CanvasTutorialOverlayView> self(this);
    Scheduler::instance().singleShot(appearDelayMs, this, [self] {
        if (self)
            self->setShowContent();
    });
    m_floating.clear();
    for (int i = 0; i < m_iconPositions.size(); ++i) {
        const double amplitude = m_random(-8.0, 8.0);
        const double duration = m_random(2.5, 4.0);
        const double delay = m_random(0.0, 2.5);
        m_floating.append({amplitude, duration * 1000.0, delay * 1000.0});
    }
    m_floatingStartMs = Scheduler::instance().monotonicMs();
    updateFloating();
}

void CanvasTutorialOverlayView::setShowContent()
{
    if (m_showContent)
        return;
    m_showContent = true;
    // Scales up from 0.8 about its centre while it fades in.
    ScaleEffect *effect = ScaleEffect::of(m_content);
    effect->setScale(kAppearChannel, 0.8);
    effect->setOpacity(kAppearChannel, 0.0);
    m_content->show();
    auto *animation = new QVariantAnimation(m_content);
    animation->setDuration(appearMs);
    animation->setEasingCurve(Animations::easeInOut());
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    QWidget *content = m_content;
    connect(animation, &QVariantAnimation::valueChanged, content, [content](const QVariant &v) {
        ScaleEffect *e = ScaleEffect::of(content);
        e->setScale(kAppearChannel, 0.8 + 0.2 * v.toReal());
        e->setOpacity(kAppearChannel, v.toReal());
    });
    connect(animation, &QVariantAnimation::finished, content, [content] {
        ScaleEffect *e = ScaleEffect::of(content);
        e->setScale(kAppearChannel, 1.0);
        e->setOpacity(kAppearChannel, 1.0);
        ScaleEffect::releaseIfIdle(content);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QList<FloatingIconPosition> CanvasTutorialOverlayView::generateIconPositions(int count, const RandomSource &random)
{
    QList<FloatingIconPosition> positions;
    for (int n = 0; n < count; ++n) {
        bool placed = false;
        for (int attempt = 0; attempt < maxAttempts && !placed; ++attempt) {
            FloatingIconPosition candidate;
            candidate.size = random(35.0, 55.0);
            candidate.x = random(0.1, 0.9);
            candidate.y = random(0.1, 0.65);
            candidate.rotation = random(-20.0, 20.0);
            placed = std::all_of(positions.cbegin(), positions.cend(), [&](const FloatingIconPosition &other) {
                return std::hypot(candidate.x - other.x, candidate.y - other.y) >= minimumDistance;
            });
            if (placed)
                positions.append(candidate);
        }
        if (placed)
            continue;
        FloatingIconPosition fallback;
        const QPointF place = fallbackPlace(int(positions.size()));
        fallback.x = place.x();
        fallback.y = place.y();
        fallback.size = random(35.0, 55.0);
        fallback.rotation = random(-20.0, 20.0);
        positions.append(fallback);
    }
    return positions;
}

QPointF CanvasTutorialOverlayView::fallbackPlace(int index)
{
    static const QPointF table[] = {{0.2, 0.15}, {0.5, 0.12}, {0.8, 0.18}, {0.15, 0.35}, {0.7, 0.38}, {0.25, 0.55}, {0.85, 0.52}};
    return table[((index % 7) + 7) % 7];
}

qreal CanvasTutorialOverlayView::floatingOffsetAt(int index, qint64 ms) const
{
    if (index < 0 || index >= m_floating.size())
        return 0;
    const Floating &f = m_floating[index];
    const double t = double(ms) - f.delayMs;
    if (t <= 0 || f.durationMs <= 0)
        return 0;
    // There and back again, without end: even legs go out, odd legs return.
    const double legs = t / f.durationMs;
    const double leg = std::floor(legs);
    const double progress = legs - leg;
    const bool returning = std::fmod(leg, 2.0) >= 1.0;
    return f.amplitude * Animations::easeInOut().valueForProgress(returning ? 1.0 - progress : progress);
}

void CanvasTutorialOverlayView::setFloatingOffset(int index, double offset)
{
    if (index >= 0 && index < m_iconPositions.size())
        m_iconPositions[index].floatingOffset = offset;
}

void CanvasTutorialOverlayView::updateFloating()
{
    // The offsets follow the clock; they are worked out only while the logos are on screen.
    const bool shown = m_currentPhase == TutorialPhase::appStore && m_floatingStartMs >= 0 && isVisible();
    Scheduler &scheduler = Scheduler::instance();
    if (!shown) {
        if (m_floatingTimer)
            scheduler.cancel(m_floatingTimer);
        m_floatingTimer = 0;
        return;
    }
    auto tick = [this] {
        const qint64 elapsed = Scheduler::instance().monotonicMs() - m_floatingStartMs;
        for (int i = 0; i < m_iconPositions.size(); ++i)
            setFloatingOffset(i, floatingOffsetAt(i, elapsed));
        if (m_appStoreCard)
            m_appStoreCard->setIconPositions(m_iconPositions);
    };
    tick();
    if (!m_floatingTimer)
        m_floatingTimer = scheduler.repeating(floatingFrameMs, this, tick);
}

// Events

void CanvasTutorialOverlayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installKeyMonitor();
    updateFloating();
}

void CanvasTutorialOverlayView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    removeKeyMonitor();
    updateFloating();
}

void CanvasTutorialOverlayView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QColor dim = Materials::ultraThin();
    dim.setAlphaF(dim.alphaF() * 0.5);
    p.fillRect(rect(), dim);
}

void CanvasTutorialOverlayView::mousePressEvent(QMouseEvent *event)
{
    // Presses that no card or button took end on the backdrop, never on the canvas.
    event->accept();
    m_backdropPressed = event->button() == Qt::LeftButton;
}

void CanvasTutorialOverlayView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = m_backdropPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_backdropPressed = false;
    if (click)
        handleBackgroundTap();
}

void CanvasTutorialOverlayView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
}
