#include "widgets/FlowerAnimationView.h"
#include "widgets/AudioRecorderInterface.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "Platform/SpringEasing.h"
#include "theme/Color.h"
#include "theme/Gradients.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/Materials.h"
#include "theme/ScaleEffect.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr qreal kLabelHPadding = 8, kLabelVPadding = 4, kSideLabelWidth = 60, kFlowerLabelHPadding = 12;
constexpr qreal kColumnSpacing = 8, kRowPadding = 16;
const QString kExpansionChannel = QStringLiteral("expansion");

QFont labelFont()
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(11);
    f.setWeight(QFont::Medium);
    return f;
}

// The tint pair of the flower's translucent surfaces, at 0.3.
QColor tint()
{
    QColor c = Color::textPrimary();
    c.setAlphaF(c.alphaF() * 0.3f);
    return c;
}

// The petal: a leaf from the centre of its w × h frame to the middle of its top edge.
QPainterPath petalPath(qreal w, qreal h)
{
    QPainterPath path;
    path.moveTo(w / 2, h / 2);
    path.cubicTo(w, 0.2 * h, 0.8 * w, 0, w / 2, 0);
    path.cubicTo(0.2 * w, 0, 0, 0.2 * h, w / 2, h / 2);
    return path;
}

void paintTranslucentSurface(QPainter &p, const QPainterPath &shape)
{
    p.fillPath(shape, Materials::ultraThin());
    p.fillPath(shape, tint());
}

QRectF centredRect(const QPointF &c, qreal w, qreal h)
{
    return QRectF(c.x() - w / 2, c.y() - h / 2, w, h);
}

} // namespace

// ---- CircleButtonFlower ----

CircleButtonFlower::CircleButtonFlower(const QString &buttonImage, std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_buttonImage(buttonImage)
    , m_action(std::move(action))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(buttonImage);
    HoverScaleEffectModifier::apply(this, 1.1);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void CircleButtonFlower::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal s = std::min(width(), height());
    const QRectF disc = centredRect(QRectF(rect()).center(), s, s);
    // The soft shadow below the disc.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 10));
    p.drawEllipse(disc.translated(0, 4).adjusted(1, 1, -1, -1));
    QPainterPath circle;
    circle.addEllipse(disc);
    paintTranslucentSurface(p, circle);
    const QRectF icon = centredRect(disc.center(), s / 2, s / 2);
    const QPixmap src = Assets::pixmap(m_buttonImage, icon.size().toSize(), devicePixelRatioF());
    if (!src.isNull()) {
        QImage white = src.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter wp(&white);
        wp.setCompositionMode(QPainter::CompositionMode_SourceIn);
        wp.fillRect(white.rect(), Qt::white);
        wp.end();
        white.setDevicePixelRatio(src.devicePixelRatio());
        const QSizeF fitted = (QSizeF(white.size()) / white.devicePixelRatio()).scaled(icon.size(), Qt::KeepAspectRatio);
        p.drawImage(centredRect(icon.center(), fitted.width(), fitted.height()), white);
    }
}

// ---- FlowerAnimationView ----

FlowerAnimationView::FlowerAnimationView(AudioRecorderInterface *audio, Options options, QWidget *parent)
    : QWidget(parent)
    , m_options(std::move(options))
    , m_audio(audio)
    , m_geometry(makePetalGeometry())
    , m_expansionAnimation(new QVariantAnimation(this))
    , m_discAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);

    connect(m_expansionAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_expansion = v.toReal();
        placeButtons();
        update();
    });
    connect(m_discAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_discScale = v.toReal();
        update();
    });
    for (int i = 0; i < 3; ++i) {
        m_labelAnimations[i] = new QVariantAnimation(this);
        m_labelAnimations[i]->setDuration(400);
        m_labelAnimations[i]->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_labelAnimations[i], &QVariantAnimation::valueChanged, this, [this, i](const QVariant &v) {
            m_labelOpacity[i] = v.toReal();
            update();
        });
    }

    if (m_options.showButtons) {
        const auto call = [this](std::function<void()> FlowerAnimationView::Options::*callback) {
            return [self = QPointer<FlowerAnimationView>(this), callback] {
                if (self && self->m_options.*callback)
                    (self->m_options.*callback)();
            };
        };
        m_canvasButton = new CircleButtonFlower(QStringLiteral("btn_canvas"), call(&Options::onCanvasTap), this);
        m_textButton = new CircleButtonFlower(QStringLiteral("btn_keyboard"), call(&Options::onTranscriptTap), this);
        for (CircleButtonFlower *b : {m_canvasButton, m_textButton}) {
            b->installEventFilter(this);
            b->setAttribute(Qt::WA_Hover, true);
        }
    }

    if (m_audio) {
        connect(m_audio, &AudioRecorderInterface::currentRecordingSourceChanged, this, [this](const QString &source) {
            if (source == m_options.recordingSource || source == QLatin1String("unknown")) {
                m_isFnKeyTriggered = false;
                m_isTapped = false;
            }
            updateAnimationState();
            refreshExpansion();
        });
        connect(m_audio, &AudioRecorderInterface::isRecordingChanged, this, [this] {
            updateAnimationState();
            refreshExpansion();
        });
        connect(m_audio, &AudioRecorderInterface::isTranscribingChanged, this, [this](bool transcribing) {
            m_discAnimation->stop();
            m_discAnimation->setStartValue(m_discScale);
            m_discAnimation->setEndValue(transcribing ? 0.7 : 1.0);
            Spring{0.5, 0.6}.apply(m_discAnimation);
            m_discAnimation->start();
        });
        m_discScale = m_audio->isTranscribing() ? 0.7 : 1.0;
    }

    m_expanded = shouldExpand();
    m_expansion = m_expanded ? 1.0 : 0.0;
    m_labelOpacity[0] = 0;
    m_labelOpacity[1] = m_options.isCompact && m_options.message.isEmpty() ? 0 : 1;
    m_labelOpacity[2] = 0;
    resize(sizeHint());
    placeButtons();
}

FlowerAnimationView::~FlowerAnimationView()
{
    stopTimer();
    removeNotificationObservers();
    cancelAudioLevelSubscription();
}

FlowerAnimationView::PetalGeometry FlowerAnimationView::makePetalGeometry()
{
    PetalGeometry g{};
    for (int layer = 0; layer < 2; ++layer) {
        for (int i = 0; i < 12; ++i) {
            const int k = 12 * layer + i;
            g.petalAngles[size_t(k)] = i * 360.0 / 12 + (layer == 0 ? 0 : 10);
            g.positionPhases[size_t(k)] = (i / 12.0) * kTwoPi;
            g.baseAngles[size_t(k)] = (i / 12.0) * kTwoPi;
        }
    }
    return g;
}

FlowerAnimationView::PetalTarget FlowerAnimationView::petalTarget(const PetalGeometry &g, int k, double t, double phase,
                                                                  double wave1, double wave2)
{
    const double e = g.positionPhases[size_t(k)];
    const double m = double(k % 12);
    const double a = g.baseAngles[size_t(k)];
    const double A = std::sin(1.2 * e + phase);
    const double B = std::cos(0.8 * e + 1.5 * phase);
    const double C = std::sin(0.25 * m + 1.5 * t);
    const double D = std::sin(0.1 * m + 0.3 * t);
    const double w = (0.3 * A + wave1 + 0.2 * B + wave2 + 0.7 * C) * 0.5;
    const double r = 3 * D + 3;
    if (k <= 11)
        return {0.7 + 0.3 * w, 0.8 + 0.2 * w, std::cos(a) * r * 0.7, std::sin(a) * r * 0.7};
    return {0.8 + 0.2 * w, 0.9 + 0.1 * w, std::cos(a) * r * 0.7 * 0.7, std::sin(a) * r * 0.7 * 0.7};
}

FlowerAnimationView::PetalTarget FlowerAnimationView::restState(int k)
{
    return k <= 11 ? PetalTarget{0.8, 0.85, 0, 0} : PetalTarget{0.9, 0.9, 0, 0};
}

bool FlowerAnimationView::isRecordingForOwnSource() const
{
    return m_audio && m_audio->isRecording() && m_audio->currentRecordingSource() == m_options.recordingSource;
}

bool FlowerAnimationView::shouldExpand() const
{
    return m_options.alwaysExpanded || m_isHovered || isRecordingForOwnSource() || m_isTapped;
}

QString FlowerAnimationView::labelText() const
{
    if (!m_options.message.isEmpty())
        return m_options.message;
    return isRecordingForOwnSource() ? QStringLiteral("Listening... Tap to Finish") : QStringLiteral("Talk to Tavo");
}

// ---- animation engine ----

void FlowerAnimationView::startAnimation()
{
    Scheduler &s = Scheduler::instance();
    if (m_timer)
        s.cancel(m_timer);
    if (m_resetTimer) {
        s.cancel(m_resetTimer);
        m_resetTimer = 0;
    }
    m_timer = s.repeating(tickMs, this, [this] { updatePetals(); });
}

void FlowerAnimationView::stopTimer()
{
    if (m_timer)
        Scheduler::instance().cancel(m_timer);
    m_timer = 0;
}

void FlowerAnimationView::updateAnimationState()
{
    if (shouldExpand()) {
        // The tick runs only while the control is on screen.
        if (isVisible())
            startAnimation();
        return;
    }
    stopTimer();
    resetPetals();
}

void FlowerAnimationView::updatePetals()
{
    const double t = Scheduler::instance().nowSecondsSince1970();
    const double step = (double(m_currentAudioLevel) * 25 + 0.2) * 0.03333333333333333;
    m_phaseAccumulator += step;
    const double phase = m_phaseAccumulator;
    const double wave1 = std::sin(2 * phase) * 0.5;
    const double wave2 = std::sin(0.5 * phase) * 0.4;
    for (int k = 0; k < petalCount; ++k) {
        const PetalTarget target = petalTarget(m_geometry, k, t, phase, wave1, wave2);
        m_petalScales[size_t(k)] = target.scale;
        m_petalOpacities[size_t(k)] = target.opacity;
        m_petalOffsets[size_t(k)] = QPointF(target.dx, target.dy);
    }
    update();
}

void FlowerAnimationView::resetPetals()
{
    // From wherever the petals are to the rest state over 0.3 s, easing in and out.
    Scheduler &s = Scheduler::instance();
    if (m_resetTimer)
        s.cancel(m_resetTimer);
    const auto fromScales = m_petalScales;
    const auto fromOpacities = m_petalOpacities;
    const auto fromOffsets = m_petalOffsets;
    const qint64 start = s.monotonicMs();
    const auto apply = [this, fromScales, fromOpacities, fromOffsets](qreal p) {
        const qreal e = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(p);
        for (int k = 0; k < petalCount; ++k) {
            const PetalTarget rest = restState(k);
            const size_t i = size_t(k);
            m_petalScales[i] = fromScales[i] + (rest.scale - fromScales[i]) * e;
            m_petalOpacities[i] = fromOpacities[i] + (rest.opacity - fromOpacities[i]) * e;
            m_petalOffsets[i] = fromOffsets[i] * (1 - e);
        }
        update();
    };
    m_resetTimer = s.repeating(16, this, [this, apply, start] {
        const qreal p = qreal(Scheduler::instance().monotonicMs() - start) / resetMs;
        if (p < 1.0) {
            apply(p);
            return;
        }
        apply(1.0);
        Scheduler::instance().cancel(m_resetTimer);
        m_resetTimer = 0;
    });
}

void FlowerAnimationView::subscribeToAudioLevel()
{
    cancelAudioLevelSubscription();
    if (m_audio)
        m_audioLevelSubscription = connect(m_audio, &AudioRecorderInterface::audioLevel, this, [this](float level) { m_currentAudioLevel = level; });
}

void FlowerAnimationView::cancelAudioLevelSubscription()
{
    if (m_audioLevelSubscription)
        disconnect(m_audioLevelSubscription);
    m_audioLevelSubscription = {};
    m_currentAudioLevel = 0;
}

// ---- interaction ----

void FlowerAnimationView::handleTap()
{
    m_isTapped = true;
    updateAnimationState();
    refreshExpansion();
    Scheduler::instance().singleShot(temporaryExpansionMs, this, [this] { endTemporaryExpansion(&FlowerAnimationView::m_isTapped); });
}

void FlowerAnimationView::handleFnKeyDoubleTap()
{
    m_isFnKeyTriggered = true;
    Scheduler::instance().singleShot(temporaryExpansionMs, this,
                                     [this] { endTemporaryExpansion(&FlowerAnimationView::m_isFnKeyTriggered); });
}

void FlowerAnimationView::endTemporaryExpansion(bool FlowerAnimationView::*flag)
{
    if (isRecordingForOwnSource())
        return;
    this->*flag = false;
    updateAnimationState();
    refreshExpansion();
}

void FlowerAnimationView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    updateAnimationState();
    refreshExpansion();
}

void FlowerAnimationView::setupNotificationObservers()
{
    removeNotificationObservers();
    NotificationCenter &nc = NotificationCenter::defaultCenter();
    m_notificationObservers = {
        nc.addObserver(QStringLiteral("FlowerViewWillAppear"), this, [this](const Notification &) { updateAnimationState(); }),
        nc.addObserver(QStringLiteral("FlowerViewDidDisappear"), this, [this](const Notification &) { stopTimer(); }),
        nc.addObserver(QStringLiteral("FlowerKeyDoubleTap"), this, [this](const Notification &) { handleFnKeyDoubleTap(); }),
    };
}

void FlowerAnimationView::removeNotificationObservers()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();
}

void FlowerAnimationView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setupNotificationObservers();
    subscribeToAudioLevel();
    updateAnimationState();
}

void FlowerAnimationView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopTimer();
    removeNotificationObservers();
    cancelAudioLevelSubscription();
}

void FlowerAnimationView::refreshExpansion()
{
    const bool expand = shouldExpand();
    if (expand != m_expanded) {
        m_expanded = expand;
        m_expansionAnimation->stop();
        m_expansionAnimation->setStartValue(m_expansion);
        m_expansionAnimation->setEndValue(expand ? 1.0 : 0.0);
        Spring{0.4, 0.8}.apply(m_expansionAnimation);
        m_expansionAnimation->start();
    }
    const bool labelShown = m_isFlowerHovered || !m_options.isCompact || !m_options.message.isEmpty();
    const qreal targets[3] = {m_isCanvasHovered ? 1.0 : 0.0, labelShown ? 1.0 : 0.0,
                              m_isTextModeHovered ? 1.0 : 0.0};
    for (int i = 0; i < 3; ++i)
        animateLabel(i, targets[i]);
    placeButtons();
    update();
}

void FlowerAnimationView::animateLabel(int which, qreal to)
{
    QVariantAnimation *a = m_labelAnimations[which];
    if (a->state() == QAbstractAnimation::Running ? qFuzzyCompare(a->endValue().toReal(), to) : qFuzzyCompare(m_labelOpacity[which], to))
        return;
    a->stop();
    a->setStartValue(m_labelOpacity[which]);
    a->setEndValue(to);
    a->start();
}

// ---- layout ----

FlowerAnimationView::Layout FlowerAnimationView::layout() const
{
    Layout l;
    const QPointF c = QRectF(rect()).center();
    l.pill = centredRect(c, 6 * 3 + 6 * 2 + 16, 6 + 16);

    const bool compact = m_options.isCompact;
    const qreal bs = compact ? 32 : 40;
    const qreal ds = compact ? 70 : 140;
    const qreal spacing = compact ? 4 : 8;
    const QFontMetricsF fm(labelFont());
    const qreal labelH = fm.height() + 2 * kLabelVPadding;
    const qreal flowerLabelW = fm.horizontalAdvance(labelText()) + 2 * kFlowerLabelHPadding;
    const bool labels = m_options.showLabels;
    const bool buttons = m_options.showButtons;

    const qreal sideW = buttons ? std::max(bs, labels ? kSideLabelWidth : 0.0) : 0.0;
    const qreal sideH = buttons ? bs + (labels ? kColumnSpacing + labelH : 0.0) : 0.0;
    const qreal flowerW = std::max(ds, labels ? flowerLabelW : 0.0);
    const qreal flowerH = ds + (labels ? kColumnSpacing + labelH : 0.0);
    const qreal rowW = (buttons ? 2 * sideW + 2 * spacing : 0.0) + flowerW + 2 * kRowPadding;
    const qreal rowH = std::max(sideH, flowerH);
    l.row = centredRect(c, rowW, rowH);

    qreal x = l.row.left() + kRowPadding;
    if (buttons) {
        l.canvasColumn = QRectF(x, c.y() - sideH / 2, sideW, sideH);
        x += sideW + spacing;
    }
    l.flowerColumn = QRectF(x, c.y() - flowerH / 2, flowerW, flowerH);
    x += flowerW + spacing;
    if (buttons)
        l.textColumn = QRectF(x, c.y() - sideH / 2, sideW, sideH);

    const auto stack = [&](const QRectF &column, qreal topSize, qreal labelW, QRectF &top, QRectF &label) {
        top = QRectF(column.center().x() - topSize / 2, column.top(), topSize, topSize);
        if (labels)
            label = QRectF(column.center().x() - labelW / 2, top.bottom() + kColumnSpacing, labelW, labelH);
    };
    if (buttons) {
        stack(l.canvasColumn, bs, kSideLabelWidth, l.canvasButton, l.canvasLabel);
        stack(l.textColumn, bs, kSideLabelWidth, l.textButton, l.textLabel);
    }
    stack(l.flowerColumn, ds, flowerLabelW, l.disc, l.flowerLabel);
    return l;
}

QTransform FlowerAnimationView::rootTransform() const
{
    const QPointF c = QRectF(rect()).center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.scale(m_options.scale, m_options.scale);
    t.translate(-c.x(), -c.y());
    return t;
}

QRectF FlowerAnimationView::discRect() const
{
    return rootTransform().mapRect(layout().disc);
}

QRectF FlowerAnimationView::flowerLabelRect() const
{
    return rootTransform().mapRect(layout().flowerLabel);
}

QRectF FlowerAnimationView::pillRect() const
{
    return rootTransform().mapRect(layout().pill);
}

void FlowerAnimationView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void FlowerAnimationView::placeButtons()
{
    if (!m_canvasButton)
        return;
    const Layout l = layout();
    const QTransform t = rootTransform();
    const qreal rowScale = 0.8 + 0.2 * m_expansion;
    const QPointF rowCentre = l.row.center();
    const auto place = [&](CircleButtonFlower *b, const QRectF &r) {
        // The button sits where the (scaled) row puts it; the row's entrance fades it in.
        const QPointF centre = t.map(rowCentre + (r.center() - rowCentre) * rowScale);
        const qreal side = r.width() * m_options.scale;
        b->setGeometry(centredRect(centre, side, side).toRect());
        b->setVisible(m_expansion > 0.01);
        ScaleEffect *effect = ScaleEffect::of(b);
        effect->setOpacity(kExpansionChannel, std::clamp(m_expansion, 0.0, 1.0));
        effect->setScale(kExpansionChannel, rowScale);
    };
    place(m_canvasButton, l.canvasButton);
    place(m_textButton, l.textButton);
}

// ---- pointer ----

void FlowerAnimationView::updateHoverAt(const QPointF &widgetPos)
{
    const QPointF pos = rootTransform().inverted().map(widgetPos);
    const Layout l = layout();
    const bool overControl = m_expanded ? l.row.contains(pos) : l.pill.contains(pos);
    const bool canvas = m_expanded && l.canvasColumn.contains(pos);
    const bool flower = m_expanded && l.flowerColumn.contains(pos);
    const bool text = m_expanded && l.textColumn.contains(pos);
    const bool columnsChanged = canvas != m_isCanvasHovered || flower != m_isFlowerHovered || text != m_isTextModeHovered;
    m_isCanvasHovered = canvas;
    m_isFlowerHovered = flower;
    m_isTextModeHovered = text;
    if (overControl != m_isHovered)
        setHovered(overControl);
    else if (columnsChanged)
        refreshExpansion();
}

bool FlowerAnimationView::eventFilter(QObject *watched, QEvent *event)
{
    auto *button = qobject_cast<QWidget *>(watched);
    if (button && (watched == m_canvasButton || watched == m_textButton)) {
        if (event->type() == QEvent::HoverMove || event->type() == QEvent::HoverEnter) {
            const auto *hover = static_cast<QHoverEvent *>(event);
            updateHoverAt(button->mapToParent(hover->position()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FlowerAnimationView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    // The pointer may have moved onto one of the buttons, which are part of the row.
    const QPoint inside = mapFromGlobal(QCursor::pos());
    if (childAt(inside))
        return;
    m_isCanvasHovered = m_isFlowerHovered = m_isTextModeHovered = false;
    if (m_isHovered)
        setHovered(false);
    else
        refreshExpansion();
}

void FlowerAnimationView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPointF pos = event->position();
    m_pressOnDisc = m_expanded && discRect().contains(pos);
    m_pressOnLabel = m_expanded && m_options.showLabels && flowerLabelRect().contains(pos);
    m_pressPos = pos;
    m_pressGlobal = event->globalPosition();
    m_pressWindowPos = window()->pos();
    m_isDragging = false;
}

void FlowerAnimationView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressOnDisc && (event->buttons() & Qt::LeftButton)) {
        if (!m_isDragging && QLineF(event->position(), m_pressPos).length() >= 3)
            m_isDragging = true;
        if (m_isDragging && m_movesWindow && window() != this)
            window()->move(m_pressWindowPos + (event->globalPosition() - m_pressGlobal).toPoint());
        return;
    }
    updateHoverAt(event->position());
}

void FlowerAnimationView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const bool tapDisc = m_pressOnDisc && !m_isDragging && discRect().contains(event->position());
    const bool tapLabel = m_pressOnLabel && flowerLabelRect().contains(event->position());
    m_pressOnDisc = m_pressOnLabel = false;
    m_isDragging = false;
    if (tapDisc || tapLabel) {
        QPointer<FlowerAnimationView> self(this);
        handleTap();
        if (self && m_options.onTap)
            m_options.onTap();
    }
}

// ---- painting ----

void FlowerAnimationView::paintPetals(QPainter &p, const QRectF &disc)
{
    const bool compact = m_options.isCompact;
    const double t = Scheduler::instance().nowSecondsSince1970();
    const QPointF c = disc.center();
    for (int k = 0; k < petalCount; ++k) {
        const int layer = k / 12;
        const int i = k % 12;
        const size_t ks = size_t(k);
        const qreal opacity = std::clamp(m_petalOpacities[ks], 0.0, 1.0);
        const qreal scale = m_petalScales[ks];
        if (opacity <= 0 || scale <= 0)
            continue;
        const qreal w = compact ? 27 - 3 * layer : 54 - 6 * layer;
        const qreal h = compact ? 65 - 8 * layer : 130 - 15 * layer;
        const double angle = m_geometry.petalAngles[ks] + 15 * std::sin(0.5 * i + 2 * t);
        p.save();
        p.translate(c);
        p.scale(scale, scale);
        p.translate(m_petalOffsets[ks]);
        p.rotate(angle);
        p.translate(-w / 2, -h / 2);
        p.setOpacity(opacity);
        const QPainterPath path = petalPath(w, h);
        if (m_options.showShadow)
            p.fillPath(path.translated(1, 1), QColor(0, 0, 0, 26));
        p.fillPath(path, Gradients::petalGradient(layer).in(QRectF(0, 0, w, h)));
        p.restore();
    }
}

void FlowerAnimationView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(rootTransform());
    const Layout l = layout();
    const qreal collapse = 1.0 - std::clamp(m_expansion, 0.0, 1.0);
    const qreal expand = std::clamp(m_expansion, 0.0, 1.0);

    if (collapse > 0.01) {
        p.save();
        p.setOpacity(collapse);
        const qreal s = 0.8 + 0.2 * collapse;
        p.translate(l.pill.center());
        p.scale(s, s);
        p.translate(-l.pill.center());
        QPainterPath capsule;
        capsule.addRoundedRect(l.pill, l.pill.height() / 2, l.pill.height() / 2);
        p.fillPath(capsule.translated(0, 4), QColor(0, 0, 0, 14));
        paintTranslucentSurface(p, capsule);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, int(0.9 * 255)));
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QRectF(l.pill.left() + 8 + i * 12, l.pill.center().y() - 3, 6, 6));
        p.restore();
    }

    if (expand > 0.01) {
        p.save();
        p.setOpacity(expand);
        const qreal s = 0.8 + 0.2 * expand;
        p.translate(l.row.center());
        p.scale(s, s);
        p.translate(-l.row.center());

        // The disc: background, petals clipped to the circle, shrunk while transcribing.
        p.save();
        p.translate(l.disc.center());
        p.scale(m_discScale, m_discScale);
        p.translate(-l.disc.center());
        QPainterPath circle;
        circle.addEllipse(l.disc);
        if (m_options.showShadow)
            p.fillPath(circle.translated(0, 8), QColor(0, 0, 0, 10));
        if (m_options.showBackground)
            paintTranslucentSurface(p, circle);
        p.setClipPath(circle, Qt::IntersectClip);
        paintPetals(p, l.disc);
        p.restore();

        if (m_options.showLabels) {
            p.setFont(labelFont());
            const auto drawLabel = [&](const QRectF &r, const QString &text, qreal opacity) {
                if (opacity <= 0.01 || r.isEmpty())
                    return;
                p.save();
                p.setOpacity(p.opacity() * opacity);
                QPainterPath bg;
                const qreal radius = std::min<qreal>(20, r.height() / 2);
                bg.addRoundedRect(r, radius, radius);
                paintTranslucentSurface(p, bg);
                p.setPen(Qt::white);
                p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap, text);
                p.restore();
            };
            if (m_options.showButtons) {
                drawLabel(l.canvasLabel, QStringLiteral("Canvas"), m_labelOpacity[0]);
                drawLabel(l.textLabel, QStringLiteral("Text"), m_labelOpacity[2]);
            }
            drawLabel(l.flowerLabel, labelText(), m_labelOpacity[1]);
        }
        p.restore();
    }
}
