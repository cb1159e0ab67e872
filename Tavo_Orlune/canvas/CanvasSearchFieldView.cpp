#include "canvas/CanvasSearchFieldView.h"
#include "canvas/FlipRotationModifier.h"
#include "widgets/SearchViewModel.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "Platform/Scheduler.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextLayout>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr qreal kCornerRadius = 16;
constexpr int kHorizontalPadding = 8;
constexpr int kVerticalPadding = 8;
constexpr int kTopExtra = 2;
constexpr int kFlipMs = 600;
}

// Draws the placeholder over the editor while the text is empty: the new text swings up from
// its bottom edge while the old one swings away and fades.
class CanvasSearchFieldView::PlaceholderLayer : public QWidget {
public:
    explicit PlaceholderLayer(QWidget *parent)
        : QWidget(parent)
        , m_flip(new QVariantAnimation(this))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        m_flip->setDuration(kFlipMs);
        m_flip->setStartValue(0.0);
        m_flip->setEndValue(1.0);
        m_flip->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_flip, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            m_progress = v.toReal();
            update();
        });
    }
    void setText(const QString &text, bool animated)
    {
        if (text == m_current)
            return;
        m_previous = m_current;
        m_current = text;
        m_flip->stop();
        m_progress = animated && !m_previous.isEmpty() ? 0.0 : 1.0;
        if (m_progress < 1.0)
            m_flip->start();
        update();
    }
    QString text() const { return m_current; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(Fonts::bodyFont());
        const QRectF line = QRectF(rect()).adjusted(16, 8, -16, 0);
        const QRectF textRect(line.topLeft(), QSizeF(line.width(), p.fontMetrics().height()));
        auto draw = [&](const QString &text, qreal angle, qreal opacity) {
            p.save();
            p.setTransform(FlipRotationModifier(angle).transform(textRect), true);
            p.setOpacity(opacity);
            QColor colour = Color::textPrimary();
            colour.setAlphaF(colour.alphaF() * 0.3);
            p.setPen(colour);
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, p.fontMetrics().elidedText(text, Qt::ElideRight, int(textRect.width())));
            p.restore();
        };
        if (m_progress < 1.0 && !m_previous.isEmpty())
            draw(m_previous, 90 * m_progress, 1.0 - m_progress);
        draw(m_current, -90 * (1.0 - m_progress), 1.0);
    }

private:
    QVariantAnimation *m_flip;
    QString m_previous;
    QString m_current;
    qreal m_progress = 1.0;
};

CanvasSearchFieldView::CanvasSearchFieldView(SearchViewModel *viewModel, const QStringList &placeholderOptions, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_placeholderOptions(placeholderOptions.isEmpty() ? QStringList{QString()} : placeholderOptions)
    , m_editor(new QPlainTextEdit(this))
    , m_placeholder(new PlaceholderLayer(this))
{
    setObjectName(QStringLiteral("canvasSearchField"));
    m_editor->setObjectName(QStringLiteral("canvasSearchEditor"));
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(Fonts::bodyFont());
    m_editor->setTabChangesFocus(true);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Color::textPrimary());
    m_editor->setPalette(palette);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->installEventFilter(this);
    setFixedHeight(int(minHeight));

    if (m_viewModel) {
        m_editor->setPlainText(m_viewModel->searchText());
        connect(m_viewModel, &SearchViewModel::searchTextChanged, this, &CanvasSearchFieldView::syncFromModel);
    }
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_editor->toPlainText();
        if (m_viewModel && m_viewModel->searchText() != text)
            m_viewModel->setSearchText(text);
        updateHeight(text, availableWidth());
        m_placeholder->setVisible(isPlaceholderShown());
    });
    m_placeholder->setText(placeholderText(), false);
    m_placeholder->setVisible(isPlaceholderShown());
}

CanvasSearchFieldView::~CanvasSearchFieldView()
{
    stopRotation();
}

qreal CanvasSearchFieldView::measureTextHeight(const QString &text, qreal width)
{
    if (text.isEmpty())
        return minHeight;
    // Measured a size larger than the editor draws (14 against 13), with 4 between lines.
    const QFont font = Fonts::system(14, QFont::Medium);
    const qreal lineSpacing = 4;
    const qreal boxWidth = std::max<qreal>(1, width - 8);
    qreal height = 0;
    int lines = 0;
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(boxWidth);
            height += line.height() + line.leading();
            ++lines;
        }
        layout.endLayout();
    }
    if (lines > 1)
        height += lineSpacing * (lines - 1);
    return std::clamp(std::ceil(height) + 8 + 4, minHeight, maxHeight);
}

void CanvasSearchFieldView::setTargetCategory(const QString &title)
{
    if (title == m_targetCategory)
        return;
    m_targetCategory = title;
    placeholderKeyChanged();
}

QString CanvasSearchFieldView::placeholderText() const
{
    if (m_targetCategory == kAllTasks)
        return m_placeholderOptions.at(m_placeholderIndex);
    return QStringLiteral("Add task to ") + m_targetCategory;
}

QString CanvasSearchFieldView::placeholderKey() const
{
    return m_targetCategory == kAllTasks ? QString::number(m_placeholderIndex) : m_targetCategory;
}

bool CanvasSearchFieldView::isPlaceholderShown() const
{
    return !m_viewModel || m_viewModel->searchText().isEmpty();
}

bool CanvasSearchFieldView::handleKeyPress(const QKeyEvent &event)
{
    if (event.key() != Qt::Key_Return || event.modifiers().testFlag(Qt::ShiftModifier))
        return false;
    if (m_viewModel)
        m_viewModel->submitSearch();
    return true;
}

void CanvasSearchFieldView::updateHeight(const QString &text, qreal width)
{
    setTextEditorHeight(measureTextHeight(text, width));
}

void CanvasSearchFieldView::handleAppear(qreal width)
{
    setTextEditorHeight(measureTextHeight(m_viewModel ? m_viewModel->searchText() : QString(), width));
    requestFocus();
    if (m_targetCategory == kAllTasks)
        startRotation();
}

void CanvasSearchFieldView::advancePlaceholder()
{
    m_placeholderIndex = (m_placeholderIndex + 1) % int(m_placeholderOptions.size());
    placeholderKeyChanged();
}

void CanvasSearchFieldView::requestFocus()
{
    m_editor->setFocus(Qt::OtherFocusReason);
}

QSize CanvasSearchFieldView::sizeHint() const
{
    return QSize(200, int(m_textEditorHeight));
}

void CanvasSearchFieldView::startRotation()
{
    // One rotation per shown editor: a second appearance keeps the one already running.
    if (m_rotation)
        return;
    QPointer<CanvasSearchFieldView> self(this);
    m_rotation = Scheduler::instance().repeating(rotationIntervalMs, this, [self] {
        if (self && self->m_viewModel && self->m_viewModel->searchText().isEmpty())
            self->advancePlaceholder();
    });
}

void CanvasSearchFieldView::stopRotation()
{
    if (m_rotation)
        Scheduler::instance().cancel(m_rotation);
    m_rotation = 0;
}

void CanvasSearchFieldView::setTextEditorHeight(qreal height)
{
    if (height == m_textEditorHeight)
        return;
    m_textEditorHeight = height;
    setFixedHeight(int(std::ceil(height)));
    updateGeometry();
    Q_EMIT textEditorHeightChanged(height);
}

void CanvasSearchFieldView::syncFromModel(const QString &text)
{
    if (m_editor->toPlainText() != text) {
        m_editor->setPlainText(text);
        m_editor->moveCursor(QTextCursor::End);
    }
    m_placeholder->setVisible(isPlaceholderShown());
}

void CanvasSearchFieldView::placeholderKeyChanged()
{
    m_placeholder->setText(placeholderText(), isVisible());
}

qreal CanvasSearchFieldView::availableWidth() const
{
    return width();
}

bool CanvasSearchFieldView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (handleKeyPress(*static_cast<QKeyEvent *>(event)))
                return true;
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            const bool focused = event->type() == QEvent::FocusIn;
            if (focused != m_isTextFieldFocused) {
                m_isTextFieldFocused = focused;
                update();
                Q_EMIT searchFocusChanged(focused);
            }
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CanvasSearchFieldView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    handleAppear(availableWidth());
}

void CanvasSearchFieldView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopRotation();
}

void CanvasSearchFieldView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QRect inner = rect().adjusted(kHorizontalPadding, kVerticalPadding + kTopExtra, -kHorizontalPadding, -kVerticalPadding);
    m_editor->setGeometry(inner);
    m_placeholder->setGeometry(rect());
    m_placeholder->raise();
    if (event->size().width() != event->oldSize().width())
        updateHeight(m_editor->toPlainText(), availableWidth());
}

void CanvasSearchFieldView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal borderWidth = m_isTextFieldFocused ? 2 : 1;
    const QRectF r = QRectF(rect()).adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    QPainterPath path;
    path.addRoundedRect(r, kCornerRadius, kCornerRadius);
    p.fillPath(path, Color::promptBarFill());
    p.setPen(QPen(Color::glassBorder(), borderWidth));
    p.drawPath(path);
}
