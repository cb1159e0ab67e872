#include "categories/TaskCardView.h"

#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "categories/AppIconRow.h"
#include "categories/AppIconView.h"
#include "categories/BlurredIconCache.h"
#include "categories/CardShadow.h"
#include "categories/PaintedAnimation.h"
#include "categories/ScaleTransition.h"
#include "categories/StreamProgressBar.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/TemplateImage.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace {
constexpr int kRowPaddingV = 24;
constexpr int kRowPaddingH = 20;
constexpr int kTextPadding = 16;
constexpr int kTitleLineSpacing = 3;
constexpr int kTitleMaxLines = 2;
constexpr int kTextSpacing = 8;
constexpr int kPanelHeight = 56;
constexpr int kPanelRadius = 24;
constexpr int kPanelInset = 12;
constexpr int kStatusPadding = 12;
constexpr int kDeleteEdge = 16;
constexpr int kDeletePadding = 12;
constexpr int kControlsInset = 4;
constexpr int kSummaryIconEdge = 16;
constexpr int kSummaryGap = 4;
constexpr int kHoverMs = 200;
constexpr int kFadeMs = 300;
const Spring kStatusSpring{0.5, 0.8};

QPainterPath rounded(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QList<QUuid> idsOf(const QList<AppIconData *> &apps)
{
    QList<QUuid> ids;
    for (const AppIconData *a : apps)
        ids.append(a ? a->id() : QUuid());
    return ids;
}
} // namespace

TaskCardView::TaskCardView(TaskData *task, ModelContext *modelContext, QWidget *parent)
    : QWidget(parent)
    , m_behaviours(new TaskCardBehaviours(task, modelContext,
                                          {QStringLiteral("TaskCardView"), QStringLiteral("TaskCardView"), false, false}, this))
    , m_iconRow(new AppIconRow(AppIconRow::Sizing::Standard, iconSpacing, this, AppIconRow::Presentation::Painted))
    , m_fade(new PaintedAnimation(0.0, this))
    , m_hover(new PaintedAnimation(1.0, this))
    , m_hoverControls(new PaintedAnimation(0.0, this))
    , m_statusEntrance(new PaintedAnimation(1.0, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover, true);
    setMouseTracking(true);
    for (PaintedAnimation *a : {m_fade, m_hover, m_hoverControls, m_statusEntrance})
        connect(a, &PaintedAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_iconRow, &AppIconRow::repaintNeeded, this, qOverload<>(&QWidget::update));
    connect(m_behaviours, &TaskCardBehaviours::changed, this, &TaskCardView::refreshDisplay);
    refreshDisplay();
    resize(sizeHint());
}

TaskCardView::~TaskCardView()
{
    if (m_ticker)
        Scheduler::instance().cancel(m_ticker);
}

QSize TaskCardView::sizeHint() const
{
    return cardSize + QSize(2 * margin, 2 * margin);
}

void TaskCardView::setCardGeometry(const QRect &frame)
{
    setGeometry(frame.adjusted(-margin, -margin, margin, margin));
}

QRect TaskCardView::cardRect() const
{
    return QRect(QPoint((width() - cardSize.width()) / 2, (height() - cardSize.height()) / 2), cardSize);
}

QRect TaskCardView::iconRowRect() const
{
    // The icons' padded row: as tall as the tallest icon, 24 above and below, 20 at the sides.
    int tallest = 0;
    for (const QRect &f : m_iconRow->iconFrames(QSize(0, 0)))
        tallest = std::max(tallest, f.height());
    const QRect card = cardRect();
    return QRect(card.left(), card.top(), card.width(), tallest + 2 * kRowPaddingV);
}

QRect TaskCardView::bottomPanelRect() const
{
    const QRect card = cardRect();
    return QRect(card.left() + kPanelInset, card.bottom() + 1 - kPanelInset - kPanelHeight, card.width() - 2 * kPanelInset, kPanelHeight);
}

QRect TaskCardView::progressBarRect() const
{
    const QRect panel = bottomPanelRect();
    return QRect(panel.left() + kStatusPadding, panel.center().y() - StreamProgressBar::barHeight / 2 + 1,
                 panel.width() - 2 * kStatusPadding, StreamProgressBar::barHeight);
}

QRect TaskCardView::summaryButtonRect() const
{
    // The label (16 high) with 12 all round, filling the panel's width.
    const QRect panel = bottomPanelRect();
    const int h = kSummaryIconEdge + 2 * kStatusPadding;
    return QRect(panel.left(), panel.center().y() - h / 2 + 1, panel.width(), h);
}

QRect TaskCardView::deleteButtonRect() const
{
    const QRect card = cardRect();
    return QRect(card.right() + 1 - kControlsInset - kDeletePadding - kDeleteEdge, card.top() + kControlsInset + kDeletePadding, kDeleteEdge,
                 kDeleteEdge);
}

QList<AppIconData *> TaskCardView::cachedAppIcons() const
{
    QList<AppIconData *> out;
    for (const QPointer<AppIconData> &a : m_cachedAppIcons)
        if (a)
            out.append(a.data());
    return out;
}

QList<AppIconData *> TaskCardView::displayedApps()
{
    const TaskData *current = currentTask();
    const QList<AppIconData *> apps = current ? current->apps() : QList<AppIconData *>{};
    if (apps.isEmpty())
        return cachedAppIcons();
    if (idsOf(apps) != idsOf(cachedAppIcons())) {
        // Kept on a later turn, never while the card draws.
        QPointer<TaskCardView> self(this);
        QList<QPointer<AppIconData>> keep(apps.begin(), apps.end());
        MainQueue::post(this, [self, keep] {
            if (!self)
                return;
            self->m_cachedAppIcons = keep;
            self->refreshDisplay();
        });
    }
    return apps;
}

QString TaskCardView::savedTimeText(const std::optional<QString> &timeRemaining)
{
    return QStringLiteral("You Saved ") + timeRemaining.value_or(QStringLiteral("00:00:00"));
}

QString TaskCardView::savedTime() const
{
    const TaskData *current = currentTask();
    return savedTimeText(current ? current->timeRemaining() : std::nullopt);
}

QStringList TaskCardView::wrapTitle(const QString &title, const QFont &font, qreal width, int maxLines)
{
    QTextLayout layout(title, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line takes the rest of the title, cut with "…" when it does not fit.
            const QString rest = title.mid(line.textStart()).simplified();
            lines.append(QFontMetricsF(font).elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(title.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

QStringList TaskCardView::titleLines() const
{
    const TaskData *current = currentTask();
    return wrapTitle(current ? current->title() : QString(), Fonts::emphasisFont(), cardSize.width() - 2 * kTextPadding, kTitleMaxLines);
}

bool TaskCardView::showsProgressBar() const
{
    return m_behaviours->isStreaming();
}

bool TaskCardView::showsDeleteButton() const
{
    return m_isHovered && !m_behaviours->isStreaming();
}

qreal TaskCardView::currentHoverScale() const
{
    return m_hover->value();
}

qreal TaskCardView::currentOpacity() const
{
    return m_fade->value();
}

void TaskCardView::refreshDisplay()
{
    m_iconRow->setApps(displayedApps());
    const QString status = rawValue(currentStreamStatus());
    if (!m_shownStatus.isEmpty() && status != m_shownStatus && isVisible()) {
        // The bottom panel's content springs in anew.
        m_statusEntrance->setValue(0.0);
        m_statusEntrance->animateTo(1.0, kStatusSpring);
    }
    m_shownStatus = status;
    m_hoverControls->animateTo(showsDeleteButton() ? 1.0 : 0.0, kHoverMs, QEasingCurve::InOutQuad);
    updateTicking();
    update();
}

void TaskCardView::updateTicking()
{
    const bool tick = showsProgressBar() && isVisible();
    if (tick && !m_ticker) {
        m_ticker = Scheduler::instance().repeating(StreamProgressBar::frameMs, this, [this] { update(progressBarRect()); });
    } else if (!tick && m_ticker) {
        Scheduler::instance().cancel(m_ticker);
        m_ticker = 0;
    }
}

void TaskCardView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTicking();
    if (m_appearScheduled)
        return;
    m_appearScheduled = true;
    // The appear work runs on the next turn, after this pass has drawn.
    QPointer<TaskCardView> self(this);
    MainQueue::post(this, [self] {
        if (!self)
            return;
        self->m_appearScheduled = false;
        self->appear();
    });
}

void TaskCardView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTicking();
}

void TaskCardView::appear()
{
    if (!m_hasAppeared) {
        m_hasAppeared = true;
        m_fade->animateTo(1.0, kFadeMs, QEasingCurve::InQuad);
    }
    m_behaviours->appear([this] {
        // The handed-over task's apps are the first list the card keeps.
        if (TaskData *given = task(); given && !given->apps().isEmpty()) {
            const QList<AppIconData *> apps = given->apps();
            m_cachedAppIcons = QList<QPointer<AppIconData>>(apps.begin(), apps.end());
        }
    });
    refreshDisplay();
}

void TaskCardView::requestDelete()
{
    m_behaviours->requestDelete(window());
}

void TaskCardView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_hover->animateTo(hovered ? hoverScale : 1.0, kHoverMs, QEasingCurve::InOutQuad);
    m_hoverControls->animateTo(showsDeleteButton() ? 1.0 : 0.0, kHoverMs, QEasingCurve::InOutQuad);
}

QPointF TaskCardView::toCard(const QPointF &point) const
{
    // Undo the painted lift about the card's centre.
    const QPointF c = QRectF(cardRect()).center();
    const qreal s = m_hover->value();
    return c + (point - c) / s;
}

TaskCardView::Control TaskCardView::controlAt(const QPointF &widgetPoint) const
{
    const QPointF p = toCard(widgetPoint);
    if (!QRectF(cardRect()).contains(p))
        return Control::None;
    if (showsDeleteButton() && QRectF(deleteButtonRect()).contains(p))
        return Control::Delete;
    if (showsSummaryButton() && QRectF(summaryButtonRect()).contains(p))
        return Control::Summary;
    return Control::Card;
}

bool TaskCardView::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove: {
        const QPointF pos = static_cast<QHoverEvent *>(event)->position();
        setHovered(QRectF(cardRect()).contains(toCard(pos)));
        const Control c = controlAt(pos);
        setCursor(c == Control::Delete || c == Control::Summary ? Qt::PointingHandCursor : Qt::ArrowCursor);
        break;
    }
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovered(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TaskCardView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? controlAt(event->position()) : Control::None;
    if (m_pressed == Control::None) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void TaskCardView::mouseReleaseEvent(QMouseEvent *event)
{
    const Control pressed = m_pressed;
    m_pressed = Control::None;
    if (event->button() != Qt::LeftButton || pressed == Control::None || controlAt(event->position()) != pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    switch (pressed) {
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

void TaskCardView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(m_fade->value());
    if (p.opacity() <= 0)
        return;
    const QPointF c = QRectF(cardRect()).center();
    const qreal s = m_hover->value();
    p.translate(c);
    p.scale(s, s);
    p.translate(-c);
    paintCard(p);
}

void TaskCardView::paintCard(QPainter &p)
{
    const QRectF card = cardRect();
    CardShadow::paint(p, card, cornerRadius, QColor(0, 0, 0, 5), 10, QPointF(0, 8));
    const QPainterPath shape = rounded(card, cornerRadius);
    p.save();
    p.setClipPath(shape, Qt::IntersectClip);

    // Back layer: the blurred last icon under the translucent fill and its edge.
    const QList<AppIconData *> apps = m_iconRow->apps();
    const QImage backdrop = m_behaviours->blurredBackground(apps, cardSize, BlurredIconCache::Edges::Extend, devicePixelRatioF());
    if (!backdrop.isNull())
        p.drawImage(card.topLeft(), backdrop);
    QColor fill = Color::cardHighlight();
    fill.setAlphaF(fill.alphaF() * 0.98f);
    p.fillPath(shape, fill);
    p.setPen(QPen(Color::cardOutline(), 2));
    p.drawPath(shape);
    p.setPen(Qt::NoPen);

    // The icon row.
    const QRect row = iconRowRect();
    m_iconRow->paint(p, QRectF(row).adjusted(kRowPaddingH, kRowPaddingV, -kRowPaddingH, -kRowPaddingV));

    // Title and saved time.
    const QFont &titleFont = Fonts::emphasisFont();
    const QFontMetricsF titleMetrics(titleFont);
    const qreal textLeft = card.left() + kTextPadding;
    const qreal textWidth = card.width() - 2 * kTextPadding;
    qreal y = row.bottom() + 1;
    p.setPen(Color::textPrimary());
    p.setFont(titleFont);
    const QStringList lines = titleLines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        p.drawText(QRectF(textLeft, y, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
        y += titleMetrics.height() + (i + 1 < lines.size() ? kTitleLineSpacing : 0);
    }
    y += kTextSpacing;
    const QFont &timeFont = Fonts::captionFont();
    QColor timeColour = Color::textPrimary();
    timeColour.setAlphaF(timeColour.alphaF() * 0.6f);
    p.setPen(timeColour);
    p.setFont(timeFont);
    p.drawText(QRectF(textLeft, y, textWidth, QFontMetricsF(timeFont).height()), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(timeFont).elidedText(savedTime(), Qt::ElideRight, textWidth));

    paintBottomPanel(p);

    // Hover controls: the delete button in the top trailing corner.
    if (m_hoverControls->value() > 0 && !m_behaviours->isStreaming()) {
        p.save();
        p.setOpacity(p.opacity() * m_hoverControls->value());
        // The image as it is: only the panel row and the expanded card tint it.
        const QRect button = deleteButtonRect();
        const QPixmap image = Assets::pixmap(QStringLiteral("btn_delete"), button.size(), devicePixelRatioF());
        if (!image.isNull())
            p.drawPixmap(button.topLeft(), image);
        p.restore();
    }
    p.restore();
}

void TaskCardView::paintBottomPanel(QPainter &p)
{
    const QRectF panel = bottomPanelRect();
    CardShadow::paint(p, panel, kPanelRadius, QColor(0, 0, 0, 15), 8, QPointF(0, 8));
    p.fillPath(rounded(panel, kPanelRadius), Color::cardSurface());

    const qreal t = m_statusEntrance->value();
    if (t <= 0)
        return;
    p.save();
    p.setOpacity(p.opacity() * std::clamp(t, 0.0, 1.0));
    if (showsProgressBar()) {
        StreamProgressBar::paint(p, progressBarRect(), Scheduler::instance().monotonicMs());
    } else {
        const QRectF button = summaryButtonRect();
        if (t < 1) {
            // Grows from nothing about its centre.
            const qreal s = std::max(ScaleTransition::nearlyZero, t);
            p.translate(button.center());
            p.scale(s, s);
            p.translate(-button.center());
        }
        const QFont &font = Fonts::captionBoldFont();
        const QString text = QStringLiteral("View Summary");
        const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
        const qreal total = kSummaryIconEdge + kSummaryGap + textWidth;
        const qreal x = button.center().x() - total / 2;
        TemplateImage::draw(p, QStringLiteral("ic_summary"),
                            QRectF(x, button.center().y() - kSummaryIconEdge / 2.0, kSummaryIconEdge, kSummaryIconEdge), Color::textPrimary());
        p.setFont(font);
        p.setPen(Color::textPrimary());
        p.drawText(QRectF(x + kSummaryIconEdge + kSummaryGap, button.top(), textWidth + 1, button.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
    }
    p.restore();
}
