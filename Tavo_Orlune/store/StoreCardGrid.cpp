#include "store/StoreCardGrid.h"
#include "Platform/Scheduler.h"
#include "Platform/UuidText.h"
#include "store/AppCardView.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>
#include <QSet>

namespace {
const QString kIconMask = QStringLiteral("app_icon_mask");
}

StoreCardGrid::StoreCardGrid(AppStoreModel *viewModel, AppCardSize size, bool isFeatured, Columns columns,
                             int rowSpacing, Flow flow, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_size(size)
    , m_isFeatured(isFeatured)
    , m_columns(columns)
    , m_rowSpacing(rowSpacing)
    , m_flow(flow)
    , m_cell(AppCardMetrics::cardSize(size))
{
    QSizePolicy policy(QSizePolicy::Preferred, flow == Flow::Grid ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    policy.setHeightForWidth(flow == Flow::Grid);
    setSizePolicy(policy);
}

QString StoreCardGrid::identityKey(const QString &prefix, const AppStoreData &app)
{
    return prefix + UuidText::toText(app.id());
}

int StoreCardGrid::columnCount(const Columns &columns, int width)
{
    return qMax(1, (width + columns.spacing) / (columns.minimum + columns.spacing));
}

int StoreCardGrid::columnWidth(int columns) const
{
    if (m_flow == Flow::Row)
        return m_cell.width();
    const int available = (width() - (columns - 1) * m_columns.spacing) / columns;
    return qBound(m_columns.minimum, available, m_columns.maximum);
}

QRect StoreCardGrid::cellRect(int index, int columns, int colWidth) const
{
    if (m_flow == Flow::Row)
        return QRect(index * (m_cell.width() + m_columns.spacing), 0, m_cell.width(), m_cell.height());
    const int row = index / columns, col = index % columns;
    // The card keeps its own size and sits centred in its cell.
    const int x = col * (colWidth + m_columns.spacing) + (colWidth - m_cell.width()) / 2;
    return QRect(x, row * (m_cell.height() + m_rowSpacing), m_cell.width(), m_cell.height());
}

int StoreCardGrid::heightForWidth(int width) const
{
    if (m_entries.isEmpty())
        return 0;
    if (m_flow == Flow::Row)
        return m_cell.height();
    const int rows = int((m_entries.size() + columnCount(m_columns, width) - 1) / columnCount(m_columns, width));
    return rows * m_cell.height() + (rows - 1) * m_rowSpacing;
}

QSize StoreCardGrid::sizeHint() const
{
    if (m_flow == Flow::Row) {
        const int n = int(m_entries.size());
        return QSize(n ? n * m_cell.width() + (n - 1) * m_columns.spacing : 0, n ? m_cell.height() : 0);
    }
    const int w = qMax(width(), m_columns.minimum);
    return QSize(m_columns.minimum, heightForWidth(w));
}

void StoreCardGrid::setApps(const QList<AppStoreData *> &apps, const QString &keyPrefix)
{
    QList<Entry> entries;
    entries.reserve(apps.size());
    QSet<QString> keys;
    keys.reserve(apps.size());
    for (AppStoreData *app : apps) {
        if (!app)
            continue;
        Entry e{identityKey(keyPrefix, *app), app};
        // A key shows once; a second row with the same id would fight over one card.
        if (keys.contains(e.key))
            continue;
        keys.insert(e.key);
        entries.append(e);
    }
    // A card leaves when its key leaves, or when its key now names another row object.
    QHash<QString, AppStoreData *> appOf;
    appOf.reserve(entries.size());
    for (const Entry &e : entries)
        appOf.insert(e.key, e.app.data());
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        if (appOf.value(it.key()) != it.value()->app()) {
            it.value()->hide();
            it.value()->deleteLater();
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    m_entries = entries;
    if (m_flow == Flow::Row)
        setFixedSize(sizeHint());
    updateGeometry();
    realize();
}

void StoreCardGrid::watch(QAbstractScrollArea *area)
{
    if (m_area)
        m_area->viewport()->removeEventFilter(this);
    m_area = area;
    if (!area)
        return;
    area->viewport()->installEventFilter(this);
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, &StoreCardGrid::scheduleRealize);
    connect(area->horizontalScrollBar(), &QScrollBar::valueChanged, this, &StoreCardGrid::scheduleRealize);
}

QStringList StoreCardGrid::keys() const
{
    QStringList out;
    out.reserve(m_entries.size());
    for (const Entry &e : m_entries)
        out.append(e.key);
    return out;
}

QList<AppCardView *> StoreCardGrid::builtCards() const
{
    QList<AppCardView *> out;
    for (const Entry &e : m_entries)
        if (AppCardView *c = m_cards.value(e.key))
            out.append(c);
    return out;
}

void StoreCardGrid::scheduleRealize()
{
    // Scrolling delivers many values per frame; one pass per turn builds what came into view.
    if (m_realizeScheduled)
        return;
    m_realizeScheduled = true;
    MainQueue::post(this, [this] {
        m_realizeScheduled = false;
        realize();
    });
}

void StoreCardGrid::realize()
{
    if (!m_viewModel)
        return;
    const int columns = m_flow == Flow::Row ? 1 : columnCount(m_columns, width());
    const int colWidth = columnWidth(columns);
    // The band of the grid that is on screen, one row either side; everything without a
    // watched area (rows, tests) is built at once.
    QRect band(0, 0, qMax(width(), 1), qMax(height(), heightForWidth(width())));
    if (m_area) {
        const QWidget *viewport = m_area->viewport();
        const QPoint origin = mapFrom(viewport, QPoint(0, 0));
        const int margin = m_cell.height() + m_rowSpacing;
        band = QRect(origin.x() - m_cell.width(), origin.y() - margin, viewport->width() + 2 * m_cell.width(),
                     viewport->height() + 2 * margin);
    }
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        const QRect r = cellRect(int(i), columns, colWidth);
        AppCardView *c = m_cards.value(e.key);
        if (!c) {
            if (!r.intersects(band) || !e.app)
                continue;
            c = new AppCardView(e.app, m_isFeatured, m_size, kIconMask, m_viewModel, this);
            m_cards.insert(e.key, c);
            c->setGeometry(r);
            c->show();
        } else if (c->geometry() != r) {
            c->setGeometry(r);
        }
    }
}

void StoreCardGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    realize();
}

void StoreCardGrid::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleRealize();
}

bool StoreCardGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (m_area && watched == m_area->viewport() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        scheduleRealize();
    return QWidget::eventFilter(watched, event);
}
