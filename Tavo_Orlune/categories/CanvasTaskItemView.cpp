#include "categories/CanvasTaskItemView.h"

#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "categories/AppIconRow.h"
#include "categories/BlurredIconCache.h"
#include "categories/CardShadow.h"
#include "categories/PaintedAnimation.h"
#include "categories/ScaleTransition.h"
#include "categories/StreamProgressBar.h"
#include "categories/TaskThumbnailView.h"
#include "categories/ViewSummaryButton.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "theme/TemplateImage.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kSideInset = 12;
constexpr int kPadLeading = 8;
constexpr int kPadTrailing = 12;
constexpr int kPadTop = 8;
constexpr int kPadBottom = 8;
constexpr int kRowSpacing = 12;
constexpr int kColumnSpacing = 16;
constexpr int kDeleteEdge = 16;
constexpr int kDeleteHitMargin = 8;
constexpr QSize kThumbnail(int(Sizes::thumbnailWidth), int(Sizes::thumbnailHeight));
constexpr qreal kThumbnailRadius = Sizes::thumbnailCornerRadius;
constexpr int kPlaceholderEdge = 40;
constexpr qreal kPlaceholderRadius = 12;
constexpr int kHoverMs = 200;
constexpr int kAppearMs = 300;
constexpr int kAppsMs = 300;
const Spring kStatusSpring{0.5, 0.8};
const Spring kControlHoverSpring{0.4, 1.0};

QPainterPath rounded(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}
} // namespace

CanvasTaskItemView::CanvasTaskItemView(TaskData *task, int gradientIndex, bool isPanelCollapsed, ModelContext *modelContext, QWidget *parent)
    : QWidget(parent)
    , m_behaviours(new TaskCardBehaviours(task, modelContext, {QStringLiteral("TaskItemView"), QStringLiteral("TaskCardView"), true, true}, this))
    , m_gradientIndex(gradientIndex)
    , m_isPanelCollapsed(isPanelCollapsed)
    , m_thumbnailGradient(Gradients::taskCardGradient(gradientIndex))
    , m_iconRow(new AppIconRow(AppIconRow::Sizing::ByCount, 0, this, AppIconRow::Presentation::Painted))
    , m_appear(new PaintedAnimation(0.0, this))
    , m_hover(new PaintedAnimation(1.0, this))
    , m_thumbnailHover(new PaintedAnimation(1.0, this))
    , m_summaryHover(new PaintedAnimation(1.0, this))
    , m_deleteHover(new PaintedAnimation(1.0, this))
    , m_statusEntrance(new PaintedAnimation(1.0, this))
    , m_appsFade(new PaintedAnimation(1.0, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover, true);
    setMouseTracking(true);
    for (PaintedAnimation *a : {m_appear, m_hover, m_thumbnailHover, m_summaryHover, m_deleteHover, m_statusEntrance, m_appsFade})
        connect(a, &PaintedAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_iconRow, &AppIconRow::repaintNeeded, this, qOverload<>(&QWidget::update));
    connect(m_behaviours, &TaskCardBehaviours::changed, this, &CanvasTaskItemView::refreshDisplay);
    refreshDisplay();
    resize(sizeHint());
}

CanvasTaskItemView::~CanvasTaskItemView()
{
    if (m_ticker)
        Scheduler::instance().cancel(m_ticker);
}

QSize CanvasTaskItemView::sizeHint() const
{
    return cardSize + QSize(2 * margin, 2 * margin);
}

void CanvasTaskItemView::setCardGeometry(const QRect &frame)
{
    setGeometry(frame.adjusted(-margin, -margin, margin, margin));
}

QRect CanvasTaskItemView::cardRect() const
{
    return QRect(QPoint((width() - cardSize.width()) / 2, (height() - cardSize.height()) / 2), cardSize);
}

QRect CanvasTaskItemView::fillRect() const
{
    return cardRect().adjusted(kSideInset, 0, -kSideInset, 0);
}

QRect CanvasTaskItemView::thumbnailRect() const
{
    const QRect content = fillRect().adjusted(kPadLeading, kPadTop, -kPadTrailing, -kPadBottom);
    return QRect(QPoint(content.left(), content.center().y() - kThumbnail.height() / 2 + 1), kThumbnail);
}

QRect CanvasTaskItemView::deleteButtonRect() const
{
    const QRect content = fillRect().adjusted(kPadLeading, kPadTop, -kPadTrailing, -kPadBottom);
    return QRect(content.right() + 1 - kDeleteEdge, content.center().y() - kDeleteEdge / 2 + 1, kDeleteEdge, kDeleteEdge);
}

QRect CanvasTaskItemView::deleteHitRect() const
{
    return deleteButtonRect().adjusted(-kDeleteHitMargin, -kDeleteHitMargin, kDeleteHitMargin, kDeleteHitMargin);
}

QRect CanvasTaskItemView::titleRect() const
{
    // The text column fills what the thumbnail and the delete button leave, centred vertically.
    const QRect content = fillRect().adjusted(kPadLeading, kPadTop, -kPadTrailing, -kPadBottom);
    const int left = thumbnailRect().right() + 1 + kRowSpacing;
    const int right = showsDeleteButton() ? deleteButtonRect().left() - kRowSpacing : content.right() + 1;
    const int titleHeight = QFontMetrics(Fonts::emphasisFont()).height();
    const int statusHeight = showsProgressBar() ? StreamProgressBar::barHeight : ViewSummaryButton::pillSize.height();
    const int columnHeight = titleHeight + kColumnSpacing + statusHeight;
    return QRect(left, content.center().y() + 1 - columnHeight / 2, std::max(0, right - left), titleHeight);
}

QRect CanvasTaskItemView::progressBarRect() const
{
    const QRect title = titleRect();
    return QRect(title.left(), title.bottom() + 1 + kColumnSpacing, title.width(), StreamProgressBar::barHeight);
}

QRect CanvasTaskItemView::summaryPillRect() const
{
    const QRect title = titleRect();
    return QRect(QPoint(title.left(), title.bottom() + 1 + kColumnSpacing), ViewSummaryButton::pillSize);
}

QRect CanvasTaskItemView::summaryHitRect() const
{
    const int m = ViewSummaryButton::hitMargin;
    return summaryPillRect().adjusted(-m, -m, m, m);
}

QString CanvasTaskItemView::titleText() const
{
    const TaskData *current = currentTask();
    const QString title = current ? current->title() : QString();
    // One line: breaks are drawn as spaces and the end is cut with "…" when it does not fit.
    QString flat = title;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QFontMetrics(Fonts::emphasisFont()).elidedText(flat, Qt::ElideRight, titleRect().width());
}

bool CanvasTaskItemView::showsPlaceholder() const
{
    return m_iconRow->apps().isEmpty();
}

QString CanvasTaskItemView::thumbnailBackdropIconName() const
{
    const QList<AppIconData *> apps = m_iconRow->apps();
    return apps.isEmpty() || !apps.last() ? QString() : apps.last()->iconName();
}

bool CanvasTaskItemView::showsProgressBar() const
{
    return m_behaviours->isStreaming();
}

qreal CanvasTaskItemView::currentScale() const
{
    return m_hover->value() * (0.95 + 0.05 * m_appear->value());
}

qreal CanvasTaskItemView::currentOpacity() const
{
    return m_appear->value();
}

void CanvasTaskItemView::refreshDisplay()
{
    const QList<AppIconData *> apps = m_behaviours->displayedApps();
    m_iconRow->setApps(apps);
    QStringList iconNames;
    for (const AppIconData *a : apps)
        iconNames.append(a ? a->iconName() : QString());
    if (iconNames != m_shownIconNames && isVisible()) {
        // New icons: the backdrops fade in over 0.3 s.
        m_appsFade->setValue(0.0);
        m_appsFade->animateTo(1.0, kAppsMs, QEasingCurve::InOutQuad);
    }
    m_shownIconNames = iconNames;
    const QString status = rawValue(currentStreamStatus());
    if (!m_shownStatus.isEmpty() && status != m_shownStatus && isVisible()) {
        // The status element springs in anew.
        m_statusEntrance->setValue(0.0);
        m_statusEntrance->animateTo(1.0, kStatusSpring);
    }
    m_shownStatus = status;
    if (!showsDeleteButton() && m_hoveredControl == Control::Delete)
        setHoveredControl(Control::None);
    updateTicking();
    update();
}

void CanvasTaskItemView::updateTicking()
{
    const bool tick = showsProgressBar() && isVisible();
    if (tick && !m_ticker) {
        m_ticker = Scheduler::instance().repeating(StreamProgressBar::frameMs, this, [this] { update(progressBarRect()); });
    } else if (!tick && m_ticker) {
        Scheduler::instance().cancel(m_ticker);
        m_ticker = 0;
    }
}

void CanvasTaskItemView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTicking();
    if (m_appearScheduled)
        return;
    m_appearScheduled = true;
    // The appear work runs on the next turn, after this pass has drawn.
    QPointer<CanvasTaskItemView> self(this);
    MainQueue::post(this, [self] {
        if (!self)
            return;
        self->m_appearScheduled = false;
        self->appear();
    });
}

void CanvasTaskItemView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_isItemVisible = false;
    updateTicking();
}

void CanvasTaskItemView::appear()
{
    m_isAnimating = true;
    m_isItemVisible = true;
    m_appear->animateTo(1.0, kAppearMs, QEasingCurve::OutQuad);
    m_behaviours->appear();
}

void CanvasTaskItemView::requestDelete()
{
    m_behaviours->requestDelete(window());
}

void CanvasTaskItemView::setHovering(bool hovering)
{
    hovering = hovering && !m_isPanelCollapsed;
    if (hovering == m_isHovering)
        return;
    m_isHovering = hovering;
    m_hover->animateTo(hoverScaleTarget(), kHoverMs, QEasingCurve::InOutQuad);
}

void CanvasTaskItemView::setHoveredControl(Control control)
{
    if (control == m_hoveredControl)
        return;
    m_hoveredControl = control;
    // Each control's own hover lift, whatever the card's.
    m_thumbnailHover->animateTo(control == Control::Thumbnail ? 1.1 : 1.0, kControlHoverSpring);
    m_summaryHover->animateTo(control == Control::Summary ? 1.05 : 1.0, kControlHoverSpring);
    m_deleteHover->animateTo(control == Control::Delete ? 1.1 : 1.0, kControlHoverSpring);
    setCursor(control == Control::Card || control == Control::None ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

QPointF CanvasTaskItemView::toCard(const QPointF &point) const
{
    const QPointF c = QRectF(cardRect()).center();
    return c + (point - c) / currentScale();
}

CanvasTaskItemView::Control CanvasTaskItemView::controlAt(const QPointF &widgetPoint) const
{
    const QPointF p = toCard(widgetPoint);
    if (showsDeleteButton() && QRectF(deleteHitRect()).contains(p))
        return Control::Delete;
    if (showsSummaryButton() && QRectF(summaryHitRect()).contains(p))
        return Control::Summary;
    if (!rounded(cardRect(), cornerRadius).contains(p))
        return Control::None;
    if (QRectF(thumbnailRect()).contains(p))
        return Control::Thumbnail;
    return Control::Card;
}

bool CanvasTaskItemView::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove: {
        const QPointF pos = static_cast<QHoverEvent *>(event)->position();
        const Control c = controlAt(pos);
        setHovering(c != Control::None);
        setHoveredControl(c);
        break;
    }
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovering(false);
        setHoveredControl(Control::None);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void CanvasTaskItemView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? controlAt(event->position()) : Control::None;
    if (m_pressed == Control::None) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void CanvasTaskItemView::mouseReleaseEvent(QMouseEvent *event)
{
    const Control pressed = m_pressed;
    m_pressed = Control::None;
    if (event->button() != Qt::LeftButton || pressed == Control::None || controlAt(event->position()) != pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    switch (pressed) {
    case Control::Thumbnail:
        // Without a handler the thumbnail swallows the tap: it never opens the task.
        if (m_onThumbnailTap)
            m_onThumbnailTap();
        break;
    case Control::Summary:
        summaryTap();
        break;
    case Control::Delete:
        requestDelete();
        break;
    case Control::Card:
        Q_EMIT tapped();
        break;
    case Control::None:
        break;
    }
}

void CanvasTaskItemView::scaleAbout(QPainter &p, const QPointF &centre, qreal scale)
{
    if (scale == 1.0)
        return;
    p.translate(centre);
    p.scale(scale, scale);
    p.translate(-centre);
}

void CanvasTaskItemView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(m_appear->value());
    if (p.opacity() <= 0)
        return;
    const QRectF card = cardRect();
    scaleAbout(p, card.center(), currentScale());

    CardShadow::paint(p, card, cornerRadius, QColor(0, 0, 0, 8), 6, QPointF(0, 6));
    const QPainterPath shape = rounded(card, cornerRadius);
    p.save();
    p.setClipPath(shape, Qt::IntersectClip);

    // Backdrop: the blurred last icon over the whole card, then the inset fill and its edge.
    const QList<AppIconData *> apps = m_iconRow->apps();
    const QImage backdrop = m_behaviours->blurredBackground(apps, cardSize, BlurredIconCache::Edges::FadeOut, devicePixelRatioF());
    if (!backdrop.isNull()) {
        p.save();
        p.setOpacity(p.opacity() * m_appsFade->value());
        p.drawImage(card.topLeft(), backdrop);
        p.restore();
    }
    const QPainterPath fill = rounded(fillRect(), cornerRadius);
    p.fillPath(fill, Color::canvasCardBorder());
    QPen edge(Color::cardOutline(), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    edge.setMiterLimit(10);
    p.strokePath(fill, edge);

    paintThumbnail(p);
    paintTextColumn(p);

    if (showsDeleteButton()) {
        p.save();
        const QRectF button = deleteButtonRect();
        scaleAbout(p, button.center(), m_deleteHover->value());
        TemplateImage::draw(p, QStringLiteral("btn_delete"), button, Color::hex(u"#FDFEFF", 0.4));
        p.restore();
    }
    p.restore();
}

void CanvasTaskItemView::paintThumbnail(QPainter &p)
{
    const QRectF r = thumbnailRect();
    p.save();
    scaleAbout(p, r.center(), m_thumbnailHover->value());
    CardShadow::paint(p, r, kThumbnailRadius, QColor(0, 0, 0, 26), 4, QPointF(0, 4));
    const QPainterPath clip = rounded(r, kThumbnailRadius);
    p.setClipPath(clip, Qt::IntersectClip);
    const QList<AppIconData *> apps = m_iconRow->apps();
    if (!apps.isEmpty()) {
        const QImage backdrop = BlurredIconCache::image(thumbnailBackdropIconName(), kThumbnail, TaskThumbnailView::blurRadius,
                                                        devicePixelRatioF());
        if (!backdrop.isNull()) {
            p.save();
            p.setOpacity(p.opacity() * m_appsFade->value());
            p.drawImage(r.topLeft(), backdrop);
            p.restore();
        }
        m_iconRow->paint(p, r);
    } else {
        p.fillPath(clip, m_thumbnailGradient.in(r));
        const QRectF placeholder(r.center() - QPointF(kPlaceholderEdge / 2.0, kPlaceholderEdge / 2.0), QSizeF(kPlaceholderEdge, kPlaceholderEdge));
        p.save();
        p.setClipPath(rounded(placeholder, kPlaceholderRadius), Qt::IntersectClip);
        const QPixmap picture = Assets::pixmap(TaskCardBehaviours::placeholderIconName, placeholder.size().toSize(), devicePixelRatioF());
        if (!picture.isNull())
            p.drawPixmap(placeholder.topLeft(), picture);
        p.restore();
    }
    QPen border(QColor(255, 255, 255, 204), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    border.setMiterLimit(10);
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawPath(rounded(r.adjusted(0.5, 0.5, -0.5, -0.5), kThumbnailRadius));
    p.restore();
}

void CanvasTaskItemView::paintTextColumn(QPainter &p)
{
    p.save();
    p.setFont(Fonts::emphasisFont());
    p.setPen(Color::textPrimary());
    p.drawText(titleRect(), Qt::AlignLeft | Qt::AlignVCenter, titleText());

    const qreal t = std::clamp(m_statusEntrance->value(), 0.0, 1.0);
    if (t > 0) {
        p.setOpacity(p.opacity() * t);
        if (showsProgressBar()) {
            StreamProgressBar::paint(p, progressBarRect(), Scheduler::instance().monotonicMs());
        } else {
            const QRectF pill = summaryPillRect();
            scaleAbout(p, pill.center(), std::max(ScaleTransition::nearlyZero, t) * m_summaryHover->value());
            CardShadow::paint(p, pill, Sizes::cornerRadiusSmall, QColor(0, 0, 0, 13), 4, QPointF(0, 4));
            ViewSummaryButton::paintPill(p, pill, QStringLiteral("View Summary"));
        }
    }
    p.restore();
}
