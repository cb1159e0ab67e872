#include "chat/ChatMessageList.h"

#include "chat/MessageBubbleView.h"
#include "chat/MessageBubbleViewModel.h"
#include "Platform/Scheduler.h"
#include "model/ChatMessageData.h"

#include <QHash>
#include <QKeyEvent>
#include <QScrollBar>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr int kScrollMs = 300;
}

ChatMessageList::ChatMessageList(TaskAppAssociationService *associationService, QWidget *parent)
    : QAbstractScrollArea(parent), m_associationService(associationService)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QAbstractScrollArea { background: transparent; border: none; }"));
    verticalScrollBar()->setSingleStep(20);
    m_scrollAnimation = new QVariantAnimation(this);
    m_scrollAnimation->setStartValue(0.0);
    m_scrollAnimation->setEndValue(1.0);
    m_scrollAnimation->setDuration(kScrollMs);
    m_scrollAnimation->setEasingCurve(QEasingCurve::OutQuad);
    connect(m_scrollAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        if (m_scrollAnimation->state() != QAbstractAnimation::Running)
            return;
        // The bottom may move while the list scrolls: the motion follows it.
        const double t = v.toDouble();
        setOffset(m_scrollStart + int(std::lround((maxOffset() - m_scrollStart) * t)));
    });
    connect(m_scrollAnimation, &QVariantAnimation::finished, this, &ChatMessageList::finishScroll);
}

ChatMessageList::~ChatMessageList()
{
    m_scrollAnimation->stop();
    for (Row &row : m_rows) {
        delete row.widget;
        delete row.viewModel;
    }
}

void ChatMessageList::setMessages(const QList<ChatMessageData *> &messages)
{
    QHash<ChatMessageData *, int> old;
    for (int i = 0; i < int(m_rows.size()); ++i)
        old.insert(m_rows[size_t(i)].message, i);
    std::vector<Row> rows;
    rows.reserve(size_t(messages.size()));
    std::vector<bool> kept(m_rows.size(), false);
    for (ChatMessageData *message : messages) {
        const auto it = old.constFind(message);
        if (it != old.constEnd() && !kept[size_t(*it)]) {
            kept[size_t(*it)] = true;
            rows.push_back(m_rows[size_t(*it)]);
            continue;
        }
        Row row;
        row.message = message;
        const RowFields fields = m_fields ? m_fields(message) : RowFields();
        row.viewModel = new MessageBubbleViewModel(message, fields.messageNumber, fields.isLoading, m_associationService);
        row.height = estimateHeight(row);
        row.estimated = true;
        rows.push_back(row);
    }
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!kept[i]) {
            releaseWidget(m_rows[i]);
            delete m_rows[i].viewModel;
        }
    }
    m_rows = std::move(rows);
    relayout();
}

void ChatMessageList::messageChanged(int index)
{
    if (index < 0 || index >= rowCount())
        return;
    Row &row = m_rows[size_t(index)];
    if (row.widget) {
        row.widget->refresh();
    } else {
        // Off screen: measured again when it comes into view.
        if (row.estimated)
            row.height = estimateHeight(row);
        row.estimated = true;
    }
    row.measuredWidth = -1;
    relayout();
}

void ChatMessageList::refreshRowFields()
{
    for (Row &row : m_rows) {
        if (row.widget && m_fields) {
            const RowFields f = m_fields(row.message);
            if (row.widget->setRowFields(f.messageNumber, f.isLoading))
                row.measuredWidth = -1;
        }
    }
    relayout();
}

void ChatMessageList::setBottomSpacerHeight(int height)
{
    if (height == m_spacerHeight)
        return;
    m_spacerHeight = height;
    relayout();
}

void ChatMessageList::setBottomPadding(int padding)
{
    if (padding == m_bottomPadding)
        return;
    m_bottomPadding = padding;
    relayout();
}

MessageBubbleView *ChatMessageList::rowWidget(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].widget : nullptr;
}

MessageBubbleViewModel *ChatMessageList::rowViewModel(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows[size_t(row)].viewModel : nullptr;
}

int ChatMessageList::laidOutRowCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row &r) { return r.widget != nullptr; }));
}

QRect ChatMessageList::rowRect(int row) const
{
    if (row < 0 || row >= rowCount() || size_t(row) >= m_tops.size())
        return {};
    return QRect(kSidePadding, m_tops[size_t(row)], rowWidth(), m_rows[size_t(row)].height);
}

int ChatMessageList::offset() const { return verticalScrollBar()->value(); }

int ChatMessageList::maxOffset() const { return std::max(0, m_contentHeight - viewport()->height()); }

void ChatMessageList::setOffset(int offset) { verticalScrollBar()->setValue(std::clamp(offset, 0, maxOffset())); }

int ChatMessageList::rowWidth() const { return std::max(1, viewport()->width() - 2 * kSidePadding); }

int ChatMessageList::estimateHeight(const Row &row) const
{
    const ChatMessageData *m = row.message;
    if (!m)
        return 0;
    qsizetype chars = 0;
    switch (m->messageType()) {
    case MessageType::User: chars = m->userTextMessage().value_or(QString()).size(); break;
    case MessageType::Ai: chars = m->aiFinalReplyText().value_or(QString()).size(); break;
    case MessageType::ToolResponse: return 40; // only the status line
    case MessageType::Html: chars = 40; break;
    }
    const int perLine = std::max(10, rowWidth() / 7);
    const int lines = int(chars / perLine) + 1;
    return 24 + 40 + lines * 20;
}

void ChatMessageList::measure(Row &row)
{
    if (!row.widget)
        return;
    const int w = rowWidth();
    row.height = row.widget->heightForWidth(w);
    row.measuredWidth = w;
    row.estimated = false;
}

void ChatMessageList::releaseWidget(Row &row)
{
    if (!row.widget)
        return;
    row.widget->hide();
    row.widget->deleteLater();
    row.widget = nullptr;
}

void ChatMessageList::computePositions()
{
    m_tops.resize(m_rows.size());
    int y = kTopPadding;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        m_tops[i] = y;
        y += m_rows[i].height + kSpacing;
    }
    // y is now the anchor's top.
    m_contentHeight = y + m_spacerHeight + m_bottomPadding;
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(std::max(1, viewport()->height()));
    bar->setRange(0, maxOffset());
}

void ChatMessageList::relayout()
{
    if (m_inRelayout)
        return;
    m_inRelayout = true;
    // Rows first, then the text inside the rows on screen; text laid out for the first time moves
    // the rows again, a few rounds settle it.
    for (int round = 0; round < 4; ++round) {
        measureVisibleRows();
        placeRows();
        if (!layOutVisibleText())
            break;
    }
    placeRows();
    m_inRelayout = false;
    updateAnchor(!m_scrollInFlight);
}

bool ChatMessageList::layOutVisibleText()
{
    const int w = rowWidth();
    const int off = offset();
    const int height = viewport()->height();
    int above = 0;
    bool changed = false;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        if (!row.widget)
            continue;
        const int top = m_tops[i];
        above += row.widget->layOutVisible(off - top, off + height - top);
        const int h = row.widget->heightForWidth(w);
        if (h != row.height) {
            row.height = h;
            row.measuredWidth = w;
            row.estimated = false;
            changed = true;
        }
    }
    if (!changed)
        return false;
    computePositions();
    // Text above the top of the view that came out taller or shorter than guessed leaves what is
    // on screen where it was.
    if (above != 0)
        setOffset(off + above);
    return true;
}

void ChatMessageList::measureVisibleRows()
{
    const int w = rowWidth();
    // Rows measured on the way move the rows after them; a row that reaches above the top keeps
    // what is on screen where it was. A few passes settle rows that come into view that way.
    for (int pass = 0; pass < 8; ++pass) {
        computePositions();
        const int off = offset();
        const int top = off;
        const int bottom = off + viewport()->height();
        int shift = 0;
        int aboveTop = 0;
        bool changed = false;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            Row &row = m_rows[i];
            const int y = m_tops[i] + shift;
            const bool visible = y < bottom && y + std::max(row.height, 1) > top;
            if (!visible) {
                releaseWidget(row);
                continue;
            }
            if (!row.widget) {
                const RowFields f = m_fields ? m_fields(row.message) : RowFields();
                row.widget = new MessageBubbleView(row.message, f.messageNumber, f.isLoading, row.viewModel, viewport());
                row.measuredWidth = -1;
            }
            if (row.measuredWidth != w) {
                const int before = row.height;
                const bool guessed = row.estimated;
                measure(row);
                const int delta = row.height - before;
                if (delta != 0) {
                    changed = true;
                    // A guess corrected on a row entering from the top keeps the screen still; a
                    // row that grew (a streamed answer) grows downwards.
                    if (y < top && guessed)
                        aboveTop += delta;
                    else
                        shift += delta;
                }
            }
        }
        if (aboveTop != 0) {
            computePositions();
            setOffset(off + aboveTop);
        }
        if (!changed)
            break;
    }
}

void ChatMessageList::placeRows()
{
    const int w = rowWidth();
    computePositions();
    const int off = offset();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        if (!row.widget)
            continue;
        row.widget->setGeometry(kSidePadding, m_tops[i] - off, w, row.height);
        if (!row.widget->isVisible())
            row.widget->show();
    }
}

void ChatMessageList::updateAnchor(bool report)
{
    if (!report || !isVisible())
        return;
    const int anchorTop = m_contentHeight - m_spacerHeight - m_bottomPadding;
    const int off = offset();
    const bool visible = anchorTop < off + viewport()->height() && anchorTop + m_spacerHeight > off;
    if (visible == m_anchorVisible)
        return;
    m_anchorVisible = visible;
    if (visible)
        Q_EMIT anchorAppeared();
    else
        Q_EMIT anchorDisappeared();
}

void ChatMessageList::requestScrollToBottom(bool animated)
{
    m_scrollInFlight = true;
    MainQueue::post(this, [this, animated] {
        m_scrollAnimation->stop();
        if (!animated) {
            setOffset(maxOffset());
            finishScroll();
            return;
        }
        m_scrollStart = offset();
        m_scrollAnimation->start();
    });
}

void ChatMessageList::finishScroll()
{
    if (m_scrollInFlight && m_scrollAnimation->state() != QAbstractAnimation::Running)
        setOffset(maxOffset());
    m_scrollInFlight = false;
    updateAnchor(true);
}

void ChatMessageList::userScrolled()
{
    // The user's hand wins over a running scroll to the bottom.
    if (m_scrollInFlight || m_scrollAnimation->state() == QAbstractAnimation::Running) {
        m_scrollAnimation->stop();
        m_scrollInFlight = false;
    }
}

void ChatMessageList::scrollContentsBy(int, int)
{
    relayout();
}

void ChatMessageList::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void ChatMessageList::wheelEvent(QWheelEvent *event)
{
    userScrolled();
    QAbstractScrollArea::wheelEvent(event);
    updateAnchor(true);
}

void ChatMessageList::keyPressEvent(QKeyEvent *event)
{
    userScrolled();
    QAbstractScrollArea::keyPressEvent(event);
    updateAnchor(true);
}

bool ChatMessageList::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Show)
        relayout();
    if (event->type() == QEvent::LayoutRequest) {
        // A row's content changed its size hint (a status text, a row first laid out): the rows
        // on screen are measured again.
        for (Row &row : m_rows) {
            if (row.widget)
                row.measuredWidth = -1;
        }
        relayout();
    }
    return QAbstractScrollArea::viewportEvent(event);
}
