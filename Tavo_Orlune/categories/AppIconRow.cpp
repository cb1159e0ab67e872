#include "categories/AppIconRow.h"

#include "categories/AppIconView.h"
#include "categories/PaintedAnimation.h"
#include "categories/ScaleTransition.h"
#include "categories/TaskCardBehaviours.h"

#include <QPainter>
#include <QVariantAnimation>

namespace {
const QString kTransition = QStringLiteral("transition");
}

AppIconRow::AppIconRow(Sizing sizing, int standardSpacing, QWidget *parent, Presentation presentation)
    : QWidget(parent)
    , m_sizing(sizing)
    , m_standardSpacing(standardSpacing)
    , m_presentation(presentation)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (m_presentation == Presentation::Painted)
        hide();
}

void AppIconRow::setApps(const QList<AppIconData *> &apps)
{
    bool same = apps.size() == m_apps.size();
    for (qsizetype i = 0; same && i < apps.size(); ++i)
        same = apps[i] == m_apps[i];
    if (same)
        return;
    const int n = int(apps.size());
    const int main = TaskCardBehaviours::mainIconIndex(n);
    const bool wasEmpty = m_icons.isEmpty();
    QList<AppIconView *> icons;
    for (int i = 0; i < n; ++i) {
        AppIconView *icon = i < m_icons.size() ? m_icons[i] : nullptr;
        if (icon && icon->app() == apps[i]) {
            icons.append(icon);
            continue;
        }
        if (icon) {
            icon->hide();
            icon->deleteLater();
        }
        icon = new AppIconView(apps[i], i == main, std::nullopt, this);
        icons.append(icon);
        if (m_presentation == Presentation::Painted) {
            // A hidden icon is never shown, so it looks for its asset now.
            icon->hide();
            connect(icon, &AppIconView::imageExistsChanged, this, &AppIconRow::repaintNeeded);
            icon->checkImageExists();
            if (!wasEmpty || m_hasPainted)
                animateIn(icon);
        } else if (!wasEmpty || isVisible()) {
            animateIn(icon);
        }
    }
    for (qsizetype i = n; i < m_icons.size(); ++i) {
        m_icons[i]->hide();
        m_icons[i]->deleteLater();
    }
    m_icons = icons;
    m_apps.clear();
    for (AppIconData *a : apps)
        m_apps.append(a);
    for (int i = 0; i < n; ++i)
        m_icons[i]->setIsMain(i == main);
    layoutIcons();
    restack();
    if (m_presentation == Presentation::Widgets) {
        for (AppIconView *icon : std::as_const(m_icons))
            icon->show();
    }
    updateGeometry();
    Q_EMIT repaintNeeded();
}

QList<AppIconData *> AppIconRow::apps() const
{
    QList<AppIconData *> out;
    for (const QPointer<AppIconData> &a : m_apps)
        out.append(a.data());
    return out;
}

QList<AppIconView *> AppIconRow::icons() const
{
    return m_icons;
}

int AppIconRow::mainIndex() const
{
    return TaskCardBehaviours::mainIconIndex(int(m_icons.size()));
}

int AppIconRow::spacing() const
{
    return m_sizing == Sizing::ByCount ? TaskCardBehaviours::iconMetrics(int(m_icons.size())).spacing : m_standardSpacing;
}

std::optional<int> AppIconRow::edge() const
{
    if (m_sizing != Sizing::ByCount)
        return std::nullopt;
    return TaskCardBehaviours::iconMetrics(int(m_icons.size())).edge;
}

QList<QRect> AppIconRow::iconFrames() const
{
    return iconFrames(size());
}

QList<QRect> AppIconRow::iconFrames(const QSize &area) const
{
    QList<QSize> sizes;
    int total = 0;
    const std::optional<int> e = edge();
    for (const AppIconView *icon : m_icons) {
        const QSize s = e ? QSize(*e, *e) : icon->iconSize();
        sizes.append(s);
        total += s.width();
    }
    if (!sizes.isEmpty())
        total += spacing() * int(sizes.size() - 1);
    QList<QRect> frames;
    int x = (area.width() - total) / 2;
    for (const QSize &s : sizes) {
        frames.append(QRect(QPoint(x, (area.height() - s.height()) / 2), s));
        x += s.width() + spacing();
    }
    return frames;
}

QList<AppIconView *> AppIconRow::stackingOrder() const
{
    QList<AppIconView *> order;
    for (QObject *child : children())
        if (auto *icon = qobject_cast<AppIconView *>(child); icon && m_icons.contains(icon))
            order.append(icon);
    return order;
}

QSize AppIconRow::sizeHint() const
{
    int w = 0, h = 0;
    const std::optional<int> e = edge();
    for (const AppIconView *icon : m_icons) {
        const QSize s = e ? QSize(*e, *e) : icon->iconSize();
        w += s.width();
        h = std::max(h, s.height());
    }
    if (!m_icons.isEmpty())
        w += spacing() * int(m_icons.size() - 1);
    return QSize(std::max(w, 0), h);
}

void AppIconRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutIcons();
}

void AppIconRow::layoutIcons()
{
    const std::optional<int> e = edge();
    const QList<QRect> frames = iconFrames();
    for (qsizetype i = 0; i < m_icons.size(); ++i) {
        m_icons[i]->setCustomSize(e ? std::optional<QSize>(QSize(*e, *e)) : std::nullopt);
        m_icons[i]->setIconGeometry(frames[i]);
    }
}

void AppIconRow::restack()
{
    // Later icons first, so earlier ones lie over them; the main icon last, on top.
    const int main = mainIndex();
    for (int i = int(m_icons.size()) - 1; i >= 0; --i)
        if (i != main)
            m_icons[i]->raise();
    if (main >= 0 && main < m_icons.size())
        m_icons[main]->raise();
}

void AppIconRow::animateIn(AppIconView *icon)
{
    if (m_presentation == Presentation::Widgets) {
        ScaleTransition::enter(icon, kTransition, ScaleTransition::nearlyZero, Spring{0.5, 0.8});
        return;
    }
    auto *entrance = new PaintedAnimation(0.0, icon);
    connect(entrance, &PaintedAnimation::valueChanged, this, &AppIconRow::repaintNeeded);
    entrance->animateTo(1.0, Spring{0.5, 0.8});
}

qreal AppIconRow::entranceProgress(const AppIconView *icon) const
{
    const PaintedAnimation *entrance = icon ? icon->findChild<PaintedAnimation *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return entrance ? std::clamp(entrance->value(), 0.0, 1.0) : 1.0;
}

void AppIconRow::paint(QPainter &p, const QRectF &area)
{
    m_hasPainted = true;
    const QList<QRect> frames = iconFrames(area.size().toSize());
    for (AppIconView *icon : stackingOrder()) {
        const qsizetype i = m_icons.indexOf(icon);
        if (i < 0)
            continue;
        const QRectF frame = QRectF(frames[i]).translated(area.topLeft());
        const qreal t = entranceProgress(icon);
        if (t <= 0)
            continue;
        p.save();
        if (t < 1) {
            // Grows from nothing about its centre while it fades in.
            const qreal s = std::max(ScaleTransition::nearlyZero, t);
            p.translate(frame.center());
            p.scale(s, s);
            p.translate(-frame.center());
            p.setOpacity(p.opacity() * t);
        }
        icon->paintIcon(p, frame);
        p.restore();
    }
}
