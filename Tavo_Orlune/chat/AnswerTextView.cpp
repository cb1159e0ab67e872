#include "chat/AnswerTextView.h"

#include "Platform/UrlOpener.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

AnswerTextView::AnswerTextView(QWidget *parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::IBeamCursor);
}

AnswerTextView::~AnswerTextView() = default;

void AnswerTextView::setMarkdown(const QString &markdown)
{
    const int before = m_segments.count();
    if (m_segments.update(markdown) == 0 && before == m_segments.count())
        return;
    // A selection that reached past what changed keeps only what still exists.
    const int n = m_segments.count();
    if (m_anchor.segment >= n || m_active.segment >= n)
        clearSelection();
    m_topsValid = false;
    updateGeometry();
    update();
}

int AnswerTextView::heightAt(int index, int width) const
{
    return m_segments.isMeasured(index, width) ? const_cast<AnswerSegments &>(m_segments).height(index, width)
                                               : m_segments.knownHeight(index, width);
}

void AnswerTextView::recomputeTops() const
{
    const int w = std::max(1, width());
    if (m_topsValid && m_topsWidth == w && m_tops.size() == size_t(m_segments.count()) + 1)
        return;
    m_tops.resize(size_t(m_segments.count()) + 1);
    int y = 0;
    for (int i = 0; i < m_segments.count(); ++i) {
        m_tops[size_t(i)] = y;
        y += heightAt(i, w);
    }
    m_tops.back() = y;
    m_topsWidth = w;
    m_topsValid = true;
}

int AnswerTextView::segmentTop(int index) const
{
    recomputeTops();
    return m_tops[size_t(std::clamp(index, 0, m_segments.count()))];
}

int AnswerTextView::heightForWidth(int width) const
{
    if (m_segments.count() == 0)
        return 0;
    if (width == std::max(1, this->width())) {
        recomputeTops();
        return m_tops.back();
    }
    int h = 0;
    for (int i = 0; i < m_segments.count(); ++i)
        h += heightAt(i, width);
    return h;
}

QSize AnswerTextView::sizeHint() const
{
    const int w = width() > 0 ? width() : 312;
    return {w, heightForWidth(w)};
}

int AnswerTextView::layOutVisible(int top, int bottom)
{
    const int w = std::max(1, width());
    recomputeTops();
    // Segments are measured in order; a guess corrected above the band moves the band with it.
    int above = 0;
    bool changed = false;
    const auto first = std::upper_bound(m_tops.begin(), m_tops.end() - 1, top);
    const int firstIndex = std::max(0, int(first - m_tops.begin()) - 1);
    // The first segment of the band already laid out was on screen before: segments that come
    // into view above it (scrolling up) are corrected without moving it.
    int anchor = -1;
    for (int i = firstIndex; i < m_segments.count() && m_tops[size_t(i)] < bottom; ++i) {
        if (m_segments.isMeasured(i, w)) {
            anchor = i;
            break;
        }
    }
    for (int i = firstIndex; i < m_segments.count(); ++i) {
        const int y = m_tops[size_t(i)]; // already moved by what changed above it
        if (y >= bottom + above)
            break;
        if (m_segments.isMeasured(i, w))
            continue;
        const int guessed = m_segments.knownHeight(i, w);
        const int h = m_segments.height(i, w);
        if (h == guessed)
            continue;
        changed = true;
        if (y < top + above || i < anchor)
            above += h - guessed;
        // Heights after this one move; positions are taken again below.
        for (size_t k = size_t(i) + 1; k < m_tops.size(); ++k)
            m_tops[k] += h - guessed;
    }
    if (changed) {
        m_topsValid = false;
        updateGeometry();
    }
    return above;
}

int AnswerTextView::segmentAt(int y) const
{
    recomputeTops();
    if (m_segments.count() == 0)
        return -1;
    const auto it = std::upper_bound(m_tops.begin(), m_tops.end() - 1, y);
    return std::clamp(int(it - m_tops.begin()) - 1, 0, m_segments.count() - 1);
}

AnswerTextView::Place AnswerTextView::placeAt(const QPoint &point)
{
    const int i = segmentAt(point.y());
    if (i < 0)
        return {};
    const int w = std::max(1, width());
    m_segments.height(i, w);
    QTextDocument *doc = m_segments.document(i);
    const QPointF local(point.x(), point.y() - segmentTop(i));
    int pos = doc->documentLayout()->hitTest(local, Qt::FuzzyHit);
    if (pos < 0)
        pos = local.y() < 0 ? 0 : doc->characterCount() - 1;
    return {i, pos};
}

QString AnswerTextView::anchorAt(const QPoint &point)
{
    const int i = segmentAt(point.y());
    if (i < 0 || !m_segments.isMeasured(i, std::max(1, width())))
        return QString();
    return m_segments.document(i)->documentLayout()->anchorAt(QPointF(point.x(), point.y() - segmentTop(i)));
}

bool AnswerTextView::hasSelection() const { return m_anchor.segment >= 0 && !(m_anchor == m_active); }

void AnswerTextView::clearSelection()
{
    m_anchor = m_active = Place();
    update();
}

void AnswerTextView::selectAll()
{
    if (m_segments.count() == 0)
        return;
    m_anchor = {0, 0};
    const int last = m_segments.count() - 1;
    m_active = {last, m_segments.document(last)->characterCount() - 1};
    update();
}

bool AnswerTextView::selectionIn(int index, int &from, int &to)
{
    if (!hasSelection())
        return false;
    const Place a = std::min(m_anchor, m_active);
    const Place b = std::max(m_anchor, m_active);
    if (index < a.segment || index > b.segment)
        return false;
    QTextDocument *doc = m_segments.document(index);
    const int end = doc->characterCount() - 1;
    from = index == a.segment ? std::min(a.position, end) : 0;
    to = index == b.segment ? std::min(b.position, end) : end;
    return to > from;
}

QString AnswerTextView::selectedText()
{
    QStringList parts;
    for (int i = std::min(m_anchor, m_active).segment; i >= 0 && i <= std::max(m_anchor, m_active).segment; ++i) {
        int from = 0;
        int to = 0;
        if (!selectionIn(i, from, to))
            continue;
        QTextCursor c(m_segments.document(i));
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        parts << c.selection().toPlainText();
    }
    return parts.join(QLatin1Char('\n'));
}

QMimeData *AnswerTextView::selectionMimeData()
{
    if (!hasSelection())
        return nullptr;
    QString html;
    for (int i = std::min(m_anchor, m_active).segment; i <= std::max(m_anchor, m_active).segment; ++i) {
        int from = 0;
        int to = 0;
        if (!selectionIn(i, from, to))
            continue;
        QTextCursor c(m_segments.document(i));
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        html += c.selection().toHtml();
    }
    auto *data = new QMimeData;
    data->setText(selectedText());
    data->setHtml(html);
    return data;
}

void AnswerTextView::copy()
{
    if (QMimeData *data = selectionMimeData())
        QGuiApplication::clipboard()->setMimeData(data);
}

QString AnswerTextView::toPlainText()
{
    QStringList parts;
    for (int i = 0; i < m_segments.count(); ++i)
        parts << m_segments.document(i)->toPlainText();
    return parts.join(QLatin1Char('\n'));
}

void AnswerTextView::paintEvent(QPaintEvent *event)
{
    if (m_segments.count() == 0)
        return;
    const int w = std::max(1, width());
    const QRect clip = event->rect();
    QPainter p(this);
    recomputeTops();
    const auto first = std::upper_bound(m_tops.begin(), m_tops.end() - 1, clip.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    for (int i = std::max(0, int(first - m_tops.begin()) - 1); i < m_segments.count(); ++i) {
        const int y = m_tops[size_t(i)];
        if (y > clip.bottom())
            break;
        // A segment that comes into view without the list having laid it out (a paint of a band
        // the list did not announce) is drawn as laid out now; its height settles at the next
        // layout.
        if (!m_segments.isMeasured(i, w) && m_segments.height(i, w) != m_tops[size_t(i) + 1] - y) {
            m_topsValid = false;
            updateGeometry();
        }
        QTextDocument *doc = m_segments.document(i);
        p.save();
        p.translate(0, y);
        context.clip = QRectF(clip.translated(0, -y));
        context.selections.clear();
        int from = 0;
        int to = 0;
        if (selectionIn(i, from, to)) {
            QAbstractTextDocumentLayout::Selection s;
            s.cursor = QTextCursor(doc);
            s.cursor.setPosition(from);
            s.cursor.setPosition(to, QTextCursor::KeepAnchor);
            s.format = selected;
            context.selections << s;
        }
        p.setClipRect(context.clip);
        doc->documentLayout()->draw(&p, context);
        p.restore();
    }
}

void AnswerTextView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_topsValid = false;
}

void AnswerTextView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressPoint = event->position().toPoint();
    m_pressedLink = anchorAt(m_pressPoint);
    const Place at = placeAt(m_pressPoint);
    if (event->modifiers() & Qt::ShiftModifier && m_anchor.segment >= 0) {
        m_active = at;
    } else {
        m_anchor = at;
        m_active = at;
    }
    m_selecting = true;
    update();
}

void AnswerTextView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (m_selecting && (event->buttons() & Qt::LeftButton)) {
        m_active = placeAt(point);
        update();
        return;
    }
    setCursor(anchorAt(point).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
}

void AnswerTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_selecting = false;
    const QPoint point = event->position().toPoint();
    const bool click = (point - m_pressPoint).manhattanLength() < QApplication::startDragDistance();
    if (click && !m_pressedLink.isEmpty() && anchorAt(point) == m_pressedLink) {
        clearSelection();
        UrlOpener::open(QUrl(m_pressedLink)); // refuses every scheme but http, https and mailto
    }
    m_pressedLink.clear();
}

void AnswerTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click selects the word under the pointer.
    const Place at = placeAt(event->position().toPoint());
    if (at.segment < 0)
        return;
    QTextCursor c(m_segments.document(at.segment));
    c.setPosition(at.position);
    c.select(QTextCursor::WordUnderCursor);
    m_anchor = {at.segment, c.selectionStart()};
    m_active = {at.segment, c.selectionEnd()};
    m_selecting = false;
    update();
}

void AnswerTextView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AnswerTextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("Copy"), this, &AnswerTextView::copy);
    copyAction->setEnabled(hasSelection());
    menu.addAction(tr("Select All"), this, &AnswerTextView::selectAll);
    menu.exec(event->globalPos());
}
