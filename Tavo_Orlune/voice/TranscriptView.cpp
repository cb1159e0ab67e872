#include "voice/TranscriptView.h"

#include "voice/TranscriptCoordinator.h"

#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/SpringEasing.h"
#include "theme/Animations.h"
#include "theme/BackgroundModifiers.h"
#include "theme/CircleButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Materials.h"
#include "theme/ScaleEffect.h"
#include "theme/Sizes.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
constexpr qreal kMeasureWidth = Sizes::panelContentWidth - 4 * Sizes::spacingL; // 312
constexpr qreal kLineSpacing = 4;

void paintRounded(QWidget *w, qreal radius, const QColor &fill)
{
    QPainter p(w);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(w->rect()), radius, radius);
    p.fillPath(path, fill);
}
}

TranscriptView::TranscriptView(TranscriptCoordinator *mainViewModel, std::function<bool()> isVisible,
                               std::function<void(const QString &)> onClose, QWidget *parent)
    : QWidget(parent)
    , m_mainViewModel(mainViewModel)
    , m_isVisible(std::move(isVisible))
    , m_onClose(std::move(onClose))
{
    setAttribute(Qt::WA_TranslucentBackground);

    m_card = new QWidget(this);
    m_card->installEventFilter(this);
    auto *cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(Sizes::spacingL, Sizes::spacingL, Sizes::spacingL, Sizes::spacingL);
    cardLayout->setSpacing(Sizes::spacingM);
    cardLayout->setSizeConstraint(QLayout::SetNoConstraint);

    // Editor row: the editor in its rounded field, or the start-up placeholder.
    m_field = new QWidget(m_card);
    m_field->installEventFilter(this);
    auto *fieldLayout = new QVBoxLayout(m_field);
    fieldLayout->setContentsMargins(12, 14, 12, 14);
    m_editor = new QPlainTextEdit(m_field);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setBackgroundVisible(false);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->document()->setDocumentMargin(0);
    m_editor->setFont(Fonts::bodyFont());
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Color::textSecondary());
    m_editor->setPalette(palette);
    m_editor->installEventFilter(this);
    fieldLayout->addWidget(m_editor);

    m_placeholder = new QLabel(QStringLiteral("Initializing\u2026"), m_card);
    m_placeholder->setTextFormat(Qt::PlainText);
    m_placeholder->setFont(Fonts::bodyFont());
    m_placeholder->setContentsMargins(Sizes::spacingL, 14, Sizes::spacingL, 14);
    m_placeholder->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    QPalette placeholderPalette = m_placeholder->palette();
    placeholderPalette.setColor(QPalette::WindowText, Color::textSecondary());
    m_placeholder->setPalette(placeholderPalette);
    m_placeholder->installEventFilter(this);

    cardLayout->addWidget(m_field);
    cardLayout->addWidget(m_placeholder);

    // Button row: close, then send, at the trailing end.
    auto *buttons = new QWidget(m_card);
    auto *buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(6, 0, 6, 6);
    buttonLayout->setSpacing(Sizes::spacingS);
    buttonLayout->addStretch(1);
    m_closeButton = new CircleButton(QStringLiteral("btn_close"), nullptr, std::nullopt, std::nullopt, [this] { close(); }, buttons);
    QPointer<TranscriptView> self(this);
    m_sendButton = new CircleButton(QStringLiteral("btn_send"), nullptr, std::nullopt, std::nullopt, [self] {
        if (self)
            self->send();
    }, buttons);
    buttonLayout->addWidget(m_closeButton);
    buttonLayout->addWidget(m_sendButton);
    cardLayout->addWidget(buttons);

    setCardOpacity(m_animationOpacity);

    m_heightAnimation = new QVariantAnimation(this);
    m_heightAnimation->setDuration(300);
    m_heightAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_heightAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) { setFieldHeight(v.toReal()); });

    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        if (m_updatingEditor || !m_mainViewModel)
            return;
        m_mainViewModel->setTranscriptInput(m_editor->toPlainText());
    });
    if (m_mainViewModel) {
        connect(m_mainViewModel, &TranscriptCoordinator::transcriptInputChanged, this, &TranscriptView::onTranscriptInputChanged);
        connect(m_mainViewModel, &TranscriptCoordinator::isInitializingChanged, this, [this] { updateEditorRow(); });
    }
    updateEditorRow();
}

TranscriptView::~TranscriptView() = default;

qreal TranscriptView::measureTextHeight(const QString &text)
{
    if (text.isEmpty())
        return Sizes::inputMinHeight;
    // Laid out as a text view lays it out: lines break at word boundaries, and a word longer
    // than the width breaks anywhere.
    const QFont font = Fonts::system(16, QFont::Normal);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal textHeight = 0;
    for (const QString &paragraph : text.split(u'\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(kMeasureWidth);
            textHeight += line.height();
            if (textHeight > kMaxEditorHeight)
                break; // capped anyway
        }
        layout.endLayout();
        if (textHeight > kMaxEditorHeight)
            break;
    }
    const qreal height = textHeight + 28;
    if (height <= Sizes::inputMinHeight)
        return Sizes::inputMinHeight;
    return std::min(height, kMaxEditorHeight);
}

void TranscriptView::updateEditorRow()
{
    const bool initializing = !m_mainViewModel || m_mainViewModel->isInitializing();
    m_placeholder->setVisible(initializing);
    m_field->setVisible(!initializing);
    m_sendButton->setEnabled(!initializing);
    const bool wasShown = m_editorShown;
    m_editorShown = !initializing;
    if (m_editorShown && !wasShown) {
        // Coming on screen: the current text and its height, without animation or notice.
        m_updatingEditor = true;
        m_editor->setPlainText(m_mainViewModel->transcriptInput());
        m_editor->moveCursor(QTextCursor::End);
        applyLineSpacing();
        m_updatingEditor = false;
        m_heightAnimation->stop();
        m_textEditorHeight = measureTextHeight(m_mainViewModel->transcriptInput());
        setFieldHeight(m_textEditorHeight);
        if (isVisible())
            m_editor->setFocus();
    }
    placeCard();
}

void TranscriptView::onTranscriptInputChanged(const QString &text)
{
    if (!m_editorShown)
        return;
    if (m_editor->toPlainText() != text) {
        m_updatingEditor = true;
        m_editor->setPlainText(text);
        m_editor->moveCursor(QTextCursor::End);
        applyLineSpacing();
        m_updatingEditor = false;
    }
    const qreal from = m_field->height();
    m_textEditorHeight = measureTextHeight(text);
    m_heightAnimation->stop();
    m_heightAnimation->setStartValue(from);
    m_heightAnimation->setEndValue(m_textEditorHeight);
    m_heightAnimation->start();
    NotificationCenter::defaultCenter().post(kHeightChanged);
}

void TranscriptView::applyLineSpacing()
{
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(m_editor->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
    // New lines typed later take the same spacing.
    QTextCursor current = m_editor->textCursor();
    current.mergeBlockFormat(format);
    m_editor->setTextCursor(current);
}

void TranscriptView::setFieldHeight(qreal height)
{
    m_field->setFixedHeight(qRound(height));
    placeCard();
}

void TranscriptView::placeCard()
{
    if (QLayout *layout = m_card->layout()) {
        layout->invalidate();
        layout->activate();
    }
    const QRectF content = QRectF(rect()).adjusted(Sizes::spacingL, Sizes::spacingL, -Sizes::spacingL, -Sizes::spacingL);
    const qreal cardHeight = m_card->layout() ? m_card->layout()->sizeHint().height() : m_card->sizeHint().height();
    QRectF card(content.left(), content.bottom() - cardHeight, content.width(), cardHeight);
    // The entrance scales the whole view about its centre.
    const QPointF centre = QRectF(rect()).center();
    card = QRectF(centre + (card.topLeft() - centre) * m_animationScale, card.size() * m_animationScale);
    m_card->setGeometry(card.toAlignedRect());
}

void TranscriptView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCard();
}

void TranscriptView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_editorShown)
        m_editor->setFocus();
    if (!m_entranceStarted)
        runEntranceAnimation();
}

void TranscriptView::setCardOpacity(qreal opacity)
{
    // At rest the card draws without an effect: its buttons' hover effects then paint directly.
    ScaleEffect::of(m_card)->setOpacity(QStringLiteral("transcriptEntrance"), opacity);
    ScaleEffect::releaseIfIdle(m_card);
}

void TranscriptView::runEntranceAnimation()
{
    m_entranceStarted = true;
    m_animationScale = 0.8;
    m_animationOpacity = 0.0;
    setCardOpacity(0.0);
    placeCard();
    QPointer<TranscriptView> self(this);
    Scheduler::instance().singleShot(100, this, [self] {
        if (!self)
            return;
        self->m_entrance = new QVariantAnimation(self);
        self->m_entrance->setStartValue(0.0);
        self->m_entrance->setEndValue(1.0);
        Spring{0.5, 0.7}.apply(self->m_entrance);
        connect(self->m_entrance, &QVariantAnimation::valueChanged, self, [self](const QVariant &v) {
            const qreal p = v.toReal();
            self->m_animationScale = 0.8 + 0.2 * p;
            self->m_animationOpacity = std::clamp(p, 0.0, 1.0);
            self->setCardOpacity(self->m_animationOpacity);
            self->placeCard();
        });
        connect(self->m_entrance, &QVariantAnimation::finished, self, [self] {
            self->m_animationScale = 1.0;
            self->m_animationOpacity = 1.0;
            self->setCardOpacity(1.0);
            self->placeCard();
        });
        self->m_entrance->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void TranscriptView::detach()
{
    if (m_mainViewModel)
        m_mainViewModel->disconnect(this);
    m_mainViewModel = nullptr;
    m_onClose = nullptr;
}

void TranscriptView::send()
{
    if (!m_mainViewModel || m_mainViewModel->isInitializing())
        return;
    // The coordinator reads its own text; the view only asks.
    m_mainViewModel->submitTranscript(kSendCategory, m_onClose);
}

void TranscriptView::close()
{
    Log::line(QStringLiteral("Close button tapped in TranscriptView - Triggering window close"));
    if (m_onClose)
        m_onClose(QStringLiteral("transcript"));
}

bool TranscriptView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        if (watched == m_card) {
            const QRectF r = m_card->rect();
            QPainter p(m_card);
            p.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(r, Sizes::cornerRadiusLarge, Sizes::cornerRadiusLarge);
            p.fillPath(path, Materials::ultraThin());
            PanelBackgroundModifier::paint(p, r);
        } else if (watched == m_field || watched == m_placeholder) {
            paintRounded(static_cast<QWidget *>(watched), kEditorCornerRadius, Color::bubbleFill());
        }
        return false;
    }
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return)
            return false;
        if (key->modifiers() & Qt::ShiftModifier) {
            m_editor->textCursor().insertText(QStringLiteral("\n"));
            m_editor->ensureCursorVisible();
            return true;
        }
        send();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
