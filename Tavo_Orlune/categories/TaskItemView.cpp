#include "categories/TaskItemView.h"

#include "categories/AppIconRow.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/ScaleEffect.h"
#include "Platform/Scheduler.h"
#include "theme/Sizes.h"
#include "categories/ScaleTransition.h"
#include "categories/StreamProgressBar.h"
#include "categories/TaskThumbnailView.h"
#include "categories/TintedImageButton.h"
#include "categories/ViewSummaryButton.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QVariantAnimation>

namespace {
const QString kAppear = QStringLiteral("appear");
const QString kRowHover = QStringLiteral("rowHover");
const QString kTransition = QStringLiteral("transition");
constexpr int kDeleteEdge = 16;
constexpr int kDeleteHitMargin = 8;
constexpr int kColumnSpacing = 12;
constexpr int kContentSpacing = 12;

// The card: the theme's card background clipped to the row's corner radius.
class RowCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        RoundedBackground bg = CardBackgroundModifier::background();
        bg.cornerRadius = Sizes::cornerRadiusMedium;
        bg.paint(p, QRectF(rect()));
        if (QWidget *thumb = findChild<TaskThumbnailView *>()) {
            // The thumbnail's soft shadow, below it.
            QPainterPath shadow;
            shadow.addRoundedRect(QRectF(thumb->geometry()).translated(0, 4), Sizes::thumbnailCornerRadius, Sizes::thumbnailCornerRadius);
            p.fillPath(shadow, QColor(0, 0, 0, 20));
        }
    }
};
} // namespace

TaskItemView::TaskItemView(TaskData *task, int gradientIndex, bool isPanelCollapsed, ModelContext *modelContext, QWidget *parent)
    : QWidget(parent)
    , m_behaviours(new TaskCardBehaviours(task, modelContext, {QStringLiteral("TaskItemView"), QStringLiteral("TaskItemView"), true}, this))
    , m_gradientIndex(gradientIndex)
    , m_isPanelCollapsed(isPanelCollapsed)
    , m_thumbnailGradient(Gradients::taskCardGradient(gradientIndex))
    , m_card(new RowCard(this))
    , m_thumbnail(new TaskThumbnailView(m_thumbnailGradient, m_card))
    , m_title(new QLabel(m_card))
    , m_progress(new StreamProgressBar(m_card))
    , m_summary(new ViewSummaryButton(m_card))
    , m_delete(new TintedImageButton(QStringLiteral("btn_delete"), kDeleteEdge, Color::hex(u"#FDFEFF", 0.4), kDeleteHitMargin, m_card))
    , m_hoverAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover, true);
    m_card->setAttribute(Qt::WA_TranslucentBackground);

    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Fonts::bodyFont());
    QPalette pal = m_title->palette();
    pal.setColor(QPalette::WindowText, Color::textPrimary());
    m_title->setPalette(pal);
    m_title->setAttribute(Qt::WA_TransparentForMouseEvents);

    HoverScaleEffectModifier::apply(m_summary, 1.05);
    HoverScaleEffectModifier::apply(m_delete, 1.1);
    connect(m_summary, &QAbstractButton::clicked, this, [this] { m_behaviours->summaryAction(); });
    connect(m_delete, &QAbstractButton::clicked, this, &TaskItemView::requestDelete);
    m_thumbnail->setOnTap([this] {
        if (m_onThumbnailTap)
            m_onThumbnailTap();
    });

    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_hoverScale = v.toReal();
        ScaleEffect::of(m_card)->setScale(kRowHover, m_hoverScale);
    });

    // Invisible until the row appears.
    ScaleTransition::reset(this, kAppear, 0.8);

    connect(m_behaviours, &TaskCardBehaviours::changed, this, &TaskItemView::refreshDisplay);
    refreshDisplay();
    resize(sizeHint());
}

TaskItemView::~TaskItemView() = default;

void TaskItemView::setIsPanelCollapsed(bool collapsed)
{
    if (collapsed == m_isPanelCollapsed)
        return;
    m_isPanelCollapsed = collapsed;
    if (collapsed)
        m_isHovering = false;
    animateHover();
}

void TaskItemView::setOnThumbnailTap(std::function<void()> callback)
{
    m_onThumbnailTap = std::move(callback);
}

void TaskItemView::requestDelete()
{
    m_behaviours->requestDelete(window());
}

QSize TaskItemView::sizeHint() const
{
    return QSize(maxContentWidth + 20 + 2 * outerPadding, rowHeight);
}

QSize TaskItemView::minimumSizeHint() const
{
    return QSize(int(Sizes::thumbnailWidth) + 20 + 2 * outerPadding, rowHeight);
}

QRect TaskItemView::cardRect() const
{
    // Content at most 376 wide with 8 / 12 inner margins, centred between the outer padding.
    const int available = std::max(0, width() - 2 * outerPadding);
    const int w = std::min(available, maxContentWidth + 20);
    return QRect(outerPadding + (available - w) / 2, 0, w, rowHeight);
}

void TaskItemView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

void TaskItemView::layoutContent()
{
    m_card->setGeometry(cardRect());
    const QRect content = QRect(QPoint(0, 0), m_card->size()).adjusted(8, 8, -12, -8);
    const int cy = content.center().y();
    const QRect thumb(content.left(), cy - int(Sizes::thumbnailHeight) / 2, int(Sizes::thumbnailWidth), int(Sizes::thumbnailHeight));
    m_thumbnail->setGeometry(thumb);

    int columnRight = content.right();
    const bool streaming = m_behaviours->isStreaming();
    if (!streaming) {
        const QRect image(content.right() - kDeleteEdge + 1, cy - kDeleteEdge / 2, kDeleteEdge, kDeleteEdge);
        m_delete->setImageGeometry(image);
        columnRight = image.left() - kContentSpacing - 1;
    }
    const int columnLeft = thumb.right() + 1 + kContentSpacing;
    const int columnWidth = std::max(0, columnRight - columnLeft + 1);
    const int titleHeight = QFontMetrics(m_title->font()).height();
    const int statusHeight = streaming ? StreamProgressBar::barHeight : ViewSummaryButton::pillSize.height();
    const int columnHeight = titleHeight + kColumnSpacing + statusHeight;
    const int top = cy - columnHeight / 2;
    m_title->setGeometry(columnLeft, top, columnWidth, titleHeight);
    m_title->setText(QFontMetrics(m_title->font()).elidedText(currentTask() ? currentTask()->title() : QString(), Qt::ElideRight, columnWidth));
    const int statusTop = top + titleHeight + kColumnSpacing;
    m_progress->setGeometry(columnLeft, statusTop, columnWidth, StreamProgressBar::barHeight);
    m_summary->setPillGeometry(QRect(QPoint(columnLeft, statusTop), ViewSummaryButton::pillSize));
    m_card->update();
}

void TaskItemView::refreshDisplay()
{
    const bool streaming = m_behaviours->isStreaming();
    const QString status = rawValue(m_behaviours->currentStreamStatus());
    const bool statusChanged = !m_shownStatus.isEmpty() && status != m_shownStatus;
    m_shownStatus = status;

    const QList<AppIconData *> apps = m_behaviours->displayedApps();
    m_shownApps = apps;
    m_thumbnail->setApps(apps);

    m_progress->setVisible(streaming);
    m_summary->setVisible(!streaming);
    m_delete->setVisible(!streaming);
    if (statusChanged && !streaming && isVisible()) {
        transitionIn(m_summary);
        transitionIn(m_delete);
    }
    layoutContent();
    update();
}

void TaskItemView::transitionIn(QWidget *widget)
{
    // Grows from nothing and fades in with the status spring.
    ScaleTransition::enter(widget, kTransition, ScaleTransition::nearlyZero, Spring{0.5, 0.8});
}

void TaskItemView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appearScheduled)
        return;
    m_appearScheduled = true;
    // The appear work runs on the next turn, after this pass has drawn.
    MainQueue::post(this, [this] {
        m_appearScheduled = false;
        appear();
    });
}

void TaskItemView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_isItemVisible = false;
}

void TaskItemView::appear()
{
    const bool first = !m_isAnimating;
    m_isAnimating = true;
    m_isItemVisible = true;
    m_behaviours->appear();
    if (first)
        startAppearAnimation();
}

void TaskItemView::startAppearAnimation()
{
    m_appearDelay = QRandomGenerator::global()->bounded(0.2) + 0.1;
    Scheduler::instance().singleShot(qint64(m_appearDelay * 1000), this,
                                     [this] { ScaleTransition::enter(this, kAppear, 0.8, Spring{0.5, 0.7}); });
}

bool TaskItemView::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::Enter:
        setHovering(!m_isPanelCollapsed);
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovering(false);
        break;
    case QEvent::HoverMove:
        if (m_isPanelCollapsed)
            setHovering(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TaskItemView::setHovering(bool hovering)
{
    if (hovering == m_isHovering)
        return;
    m_isHovering = hovering;
    animateHover();
}

void TaskItemView::animateHover()
{
    const qreal target = hoverScaleTarget();
    if (qFuzzyCompare(target, m_hoverScale) && m_hoverAnimation->state() != QAbstractAnimation::Running)
        return;
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_hoverScale);
    m_hoverAnimation->setEndValue(target);
    Spring{0.4, 0.6}.apply(m_hoverAnimation);
    m_hoverAnimation->start();
}

void TaskItemView::paintEvent(QPaintEvent *)
{
    // Everything is drawn by the card and its parts.
}
