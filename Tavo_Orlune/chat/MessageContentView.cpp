#include "chat/MessageContentView.h"

#include "Platform/Assets.h"
#include "chat/AnswerTextView.h"
#include "chat/MessageBubbleViewModel.h"
#include "chat/StreamingTextView.h"
#include "chat/TextProcessingService.h"
#include "model/ChatMessageData.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

constexpr qreal kCardRadius = Sizes::bubbleCornerRadius;
constexpr int kTextPadding = 12;

QColor withOpacity(QColor c, double opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}

QPainterPath cardPath(const QRectF &r) { return [&] { QPainterPath p; p.addRoundedRect(r, kCardRadius, kCardRadius); return p; }(); }

// The card's hairline, drawn over the card's children.
class CardBorder : public QWidget {
public:
    explicit CardBorder(QWidget *card) : QWidget(card)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        card->installEventFilter(this);
        setGeometry(card->rect());
        raise();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(Color::bubbleBorder(), 0.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(cardPath(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25)));
    }
};

void paintCard(QWidget *card, const QColor &fill)
{
    QPainter p(card);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(cardPath(card->rect()), fill);
}

// A template glyph tinted with one colour.
QPixmap tinted(const QString &name, int size, const QColor &tint, qreal dpr)
{
    QPixmap pm = Assets::pixmap(name, QSize(size, size), dpr);
    if (!pm.isNull()) {
        QPainter p(&pm);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(pm.rect(), tint);
    }
    return pm;
}

class PlainButton : public QAbstractButton {
public:
    explicit PlainButton(QWidget *parent) : QAbstractButton(parent) { setCursor(Qt::PointingHandCursor); }
    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(); }

protected:
    void paintEvent(QPaintEvent *) override {}
};

}

// --- Copy row -------------------------------------------------------------------------------

CopyButtonView::CopyButtonView(MessageBubbleViewModel *viewModel, QWidget *parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(12, 8, 0, 8);
    outer->setSpacing(0);
    m_button = new PlainButton(this);
    auto *inner = new QHBoxLayout(m_button);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->setSpacing(4);
    m_icon = new QLabel(m_button);
    m_icon->setFixedSize(int(Sizes::messageIconSize), int(Sizes::messageIconSize));
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label = new QLabel(m_button);
    m_label->setFont(Fonts::system(11, QFont::Medium));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    inner->addWidget(m_icon);
    inner->addWidget(m_label);
    outer->addWidget(m_button);
    outer->addStretch(1);
    connect(m_button, &QAbstractButton::clicked, m_viewModel, &MessageBubbleViewModel::copyToClipboard);
    connect(m_viewModel, &MessageBubbleViewModel::showCopyFeedbackChanged, this, &CopyButtonView::refresh);
    refresh();
}

QString CopyButtonView::label() const
{
    return m_viewModel->showCopyFeedback() ? QStringLiteral("Copied") : QStringLiteral("Copy");
}

QString CopyButtonView::imageName() const
{
    return m_viewModel->showCopyFeedback() ? QStringLiteral("btn_copy-success") : QStringLiteral("btn_copy");
}

QColor CopyButtonView::tint() const
{
    // The system green while the feedback shows; the copy-row colour otherwise.
    return m_viewModel->showCopyFeedback() ? QColor(0x34, 0xC7, 0x59) : withOpacity(Color::messageText(), 0.8);
}

void CopyButtonView::refresh()
{
    const QColor c = tint();
    m_icon->setPixmap(tinted(imageName(), int(Sizes::messageIconSize), c, devicePixelRatioF()));
    m_label->setText(label());
    QPalette pal = m_label->palette();
    pal.setColor(QPalette::WindowText, c);
    m_label->setPalette(pal);
    m_button->setAccessibleName(label());
}

void CopyButtonView::paintEvent(QPaintEvent *)
{
    // The card clips its bottom corners; the row sits at the card's bottom edge.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.topRight());
    path.lineTo(r.right(), r.bottom() - kCardRadius);
    path.arcTo(QRectF(r.right() - 2 * kCardRadius, r.bottom() - 2 * kCardRadius, 2 * kCardRadius, 2 * kCardRadius), 0, -90);
    path.lineTo(r.left() + kCardRadius, r.bottom());
    path.arcTo(QRectF(r.left(), r.bottom() - 2 * kCardRadius, 2 * kCardRadius, 2 * kCardRadius), -90, -90);
    path.closeSubpath();
    p.fillPath(path, withOpacity(Color::bubbleFill(), 0.9));
}

// --- User card ------------------------------------------------------------------------------

UserMessageContentView::UserMessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(kTextPadding, kTextPadding, kTextPadding, kTextPadding);
    stack->setSpacing(0);
    m_text = new StreamingTextView(this);
    stack->addWidget(m_text);
    new CardBorder(this);
    refresh();
}

void UserMessageContentView::refresh()
{
    m_text->setContent(m_viewModel->displayText(), false, false);
}

int UserMessageContentView::preferredWidth(int width) const
{
    // The widest line unwrapped, in the font the text is drawn in.
    const QFontMetricsF metrics(Fonts::bodyFont());
    qreal widest = 0;
    for (const QString &line : m_text->finalText().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const int natural = int(std::ceil(widest)) + 2 * kTextPadding + 4;
    return std::clamp(natural, std::min(width, 2 * kTextPadding + 8), width);
}

bool UserMessageContentView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        updateGeometry(); // the text's height changed: the row measures again
    return handled;
}

void UserMessageContentView::paintEvent(QPaintEvent *)
{
    paintCard(this, withOpacity(Color::bubbleFill(), 0.8));
}

// --- Answer card ----------------------------------------------------------------------------

AIMessageContentView::AIMessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    m_textBox = new QWidget(this);
    auto *textLayout = new QVBoxLayout(m_textBox);
    textLayout->setContentsMargins(kTextPadding, kTextPadding, kTextPadding, kTextPadding);
    m_text = new AnswerTextView(m_textBox);
    textLayout->addWidget(m_text);
    m_copy = new CopyButtonView(m_viewModel, this);
    stack->addWidget(m_textBox);
    stack->addWidget(m_copy);
    new CardBorder(this);
    refresh();
}

void AIMessageContentView::refresh()
{
    // A thinking message shows no text and no copy row: the card has no content and no size.
    const bool thinking = m_viewModel->isThinkingMessage();
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->setVisible(!thinking);
    if (!thinking) {
        m_text->setMarkdown(m_formatter.format(m_viewModel->displayText()));
        invalidateLayouts();
    }
}

void AIMessageContentView::invalidateLayouts()
{
    // The list measures the row again at once: the cached heights of the card's layouts go now,
    // not when the posted layout request arrives.
    m_textBox->layout()->invalidate();
    layout()->invalidate();
}

int AIMessageContentView::layOutVisible(int top, int bottom)
{
    if (m_viewModel->isThinkingMessage())
        return 0;
    layout()->activate(); // the text's width is the card's, not a default
    m_textBox->layout()->activate();
    const int dy = m_text->mapTo(this, QPoint(0, 0)).y();
    const int before = m_text->heightForWidth(m_text->width());
    const int above = m_text->layOutVisible(top - dy, bottom - dy);
    if (m_text->heightForWidth(m_text->width()) != before)
        invalidateLayouts();
    return above;
}

bool AIMessageContentView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        updateGeometry(); // the text's height changed: the row measures again
    return handled;
}

void AIMessageContentView::paintEvent(QPaintEvent *)
{
    if (!m_viewModel->isThinkingMessage())
        paintCard(this, Color::bubbleFill());
}

// --- Body -----------------------------------------------------------------------------------

MessageContentView::MessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent)
    : QWidget(parent), m_viewModel(viewModel)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    refresh();
}

void MessageContentView::refresh()
{
    ChatMessageData *message = m_viewModel->message();
    m_userSide = message && message->sender() == QLatin1String("user");
    Body body = Body::None;
    if (message && m_viewModel->hasVisibleContent()) {
        switch (message->messageType()) {
        case MessageType::User: body = Body::User; break;
        case MessageType::Ai:
        case MessageType::Html: body = Body::AI; break;
        case MessageType::ToolResponse: body = Body::None; break;
        }
    }
    if (body != m_body) {
        delete m_user;
        delete m_ai;
        m_user = nullptr;
        m_ai = nullptr;
        m_body = body;
        if (body == Body::User)
            m_user = new UserMessageContentView(m_viewModel, this);
        else if (body == Body::AI)
            m_ai = new AIMessageContentView(m_viewModel, this);
        if (QWidget *w = m_user ? static_cast<QWidget *>(m_user) : m_ai)
            w->show();
    } else if (m_user) {
        m_user->refresh();
    } else if (m_ai) {
        m_ai->refresh();
    }
    place();
    updateGeometry();
}

int MessageContentView::heightForWidth(int width) const
{
    if (m_user)
        return m_user->heightForWidth(m_user->preferredWidth(width));
    if (m_ai)
        return m_viewModel->isThinkingMessage() ? 0 : m_ai->heightForWidth(width);
    return 0;
}

QSize MessageContentView::sizeHint() const
{
    const int w = width() > 0 ? width() : int(Sizes::panelContentWidth) - 40;
    return {w, heightForWidth(w)};
}

void MessageContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

bool MessageContentView::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        place();
        updateGeometry();
        return true;
    }
    return QWidget::event(event);
}

int MessageContentView::layOutVisible(int top, int bottom)
{
    if (!m_ai)
        return 0;
    const int dy = m_ai->y();
    return m_ai->layOutVisible(top - dy, bottom - dy);
}

void MessageContentView::place()
{
    const int w = width();
    if (m_user) {
        const int cw = m_user->preferredWidth(w);
        // The side follows the sender; the body follows the message type.
        const int x = m_userSide ? w - cw : 0;
        m_user->setGeometry(x, 0, cw, m_user->heightForWidth(cw));
    } else if (m_ai) {
        m_ai->setGeometry(0, 0, w, heightForWidth(w));
    }
}
