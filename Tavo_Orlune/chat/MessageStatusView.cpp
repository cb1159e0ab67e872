#include "chat/MessageStatusView.h"

#include "Platform/Assets.h"
#include "widgets/LoadingCheckmark.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {
QFont statusFont() { return Fonts::system(13, QFont::Medium); }
}

// A symbol and a text on a capsule of the bubble fill.
class MessageStatusView::Capsule : public QWidget {
public:
    explicit Capsule(QWidget *parent) : QWidget(parent)
    {
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(10, 8, 10, 8);
        row->setSpacing(8);
        m_icon = new QLabel(this);
        m_icon->setFixedSize(14, 14);
        m_text = new QLabel(this);
        m_text->setTextFormat(Qt::PlainText);
        m_text->setFont(statusFont());
        QPalette pal = m_text->palette();
        pal.setColor(QPalette::WindowText, Color::messageStatusText());
        m_text->setPalette(pal);
        row->addWidget(m_icon);
        row->addWidget(m_text);
    }

    void set(const QString &iconName, const QString &text, int trailingTextPadding)
    {
        m_iconName = iconName;
        m_icon->setVisible(!iconName.isEmpty());
        if (!iconName.isEmpty()) {
            QPixmap pm = Assets::pixmap(iconName, QSize(14, 14), devicePixelRatioF());
            if (!pm.isNull()) {
                // Symbols are templates: tinted with the status colour.
                QPainter p(&pm);
                p.setCompositionMode(QPainter::CompositionMode_SourceIn);
                p.fillRect(pm.rect(), Color::messageStatusText());
            }
            m_icon->setPixmap(pm);
        }
        m_text->setText(text);
        m_text->setVisible(!text.isEmpty());
        m_text->setContentsMargins(0, 0, trailingTextPadding, 0);
    }

    QString text() const { return m_text->isVisibleTo(this) ? m_text->text() : QString(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Color::bubbleFill();
        fill.setAlphaF(fill.alphaF() * 0.8);
        QPainterPath path;
        const QRectF r = rect();
        path.addRoundedRect(r, r.height() / 2, r.height() / 2);
        p.fillPath(path, fill);
    }

private:
    QLabel *m_icon;
    QLabel *m_text;
    QString m_iconName;
};

MessageStatusView::MessageStatusView(MessageType messageType, std::optional<int> messageNumber,
                                     bool isLoading, std::optional<QString> toolStatusText,
                                     std::optional<QString> toolStatusIcon, bool isThinkingMessage,
                                     QWidget *parent)
    : QWidget(parent)
{
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    m_answerRow = new QWidget(this);
    auto *answer = new QHBoxLayout(m_answerRow);
    answer->setContentsMargins(0, 0, 0, 0);
    answer->setSpacing(8);
    m_answerCapsule = new Capsule(m_answerRow);
    m_answerRing = new LoadingCheckmark(false, 0, m_answerRow);
    answer->addWidget(m_answerCapsule);
    answer->addWidget(m_answerRing);
    answer->addStretch(1);

    m_toolRow = new QWidget(this);
    auto *tool = new QHBoxLayout(m_toolRow);
    tool->setContentsMargins(0, 0, 0, 0);
    tool->setSpacing(8);
    m_toolCapsule = new Capsule(m_toolRow);
    m_toolRing = new LoadingCheckmark(false, 0, m_toolRow);
    tool->addWidget(m_toolCapsule);
    tool->addWidget(m_toolRing);
    tool->addStretch(1);

    stack->addWidget(m_answerRow);
    stack->addWidget(m_toolRow);
    setFields(messageType, messageNumber, isLoading, std::move(toolStatusText),
              std::move(toolStatusIcon), isThinkingMessage);
}

QString MessageStatusView::answerTitle(bool isThinkingMessage, bool isLoading,
                                       std::optional<int> messageNumber)
{
    if (isThinkingMessage)
        return isLoading ? QStringLiteral("Thinking") : QStringLiteral("Thinking Completed");
    if (messageNumber)
        return QStringLiteral("Step ") + QString::number(*messageNumber);
    return {};
}

void MessageStatusView::setFields(MessageType messageType, std::optional<int> messageNumber,
                                  bool isLoading, std::optional<QString> toolStatusText,
                                  std::optional<QString> toolStatusIcon, bool isThinkingMessage)
{
    const bool answerRow = messageType == MessageType::Ai && (messageNumber || isThinkingMessage);
    m_answerRow->setVisible(answerRow);
    if (answerRow) {
        m_answerCapsule->set(QStringLiteral("brain.filled.head.profile"),
                             answerTitle(isThinkingMessage, isLoading, messageNumber), 0);
        m_answerRing->setLoading(isLoading);
    }
    const bool toolRow = messageType == MessageType::ToolResponse;
    m_toolRow->setVisible(toolRow);
    m_toolIcon = toolRow ? toolStatusIcon.value_or(QString()) : QString();
    if (toolRow) {
        m_toolCapsule->set(m_toolIcon, toolStatusText.value_or(QString()), 2);
        m_toolRing->setLoading(isLoading);
    }
    // A user message or an HTML document has no status line at all.
    if (!(answerRow || toolRow))
        hide();
    else if (isHidden() && parentWidget())
        show();
}

bool MessageStatusView::hasAnswerRow() const { return m_answerRow->isVisibleTo(this); }
bool MessageStatusView::hasToolRow() const { return m_toolRow->isVisibleTo(this); }
QString MessageStatusView::answerText() const { return hasAnswerRow() ? m_answerCapsule->text() : QString(); }
QString MessageStatusView::toolText() const { return hasToolRow() ? m_toolCapsule->text() : QString(); }

bool MessageStatusView::ringVisible() const
{
    return (hasAnswerRow() && m_answerRing->isVisibleTo(this))
        || (hasToolRow() && m_toolRing->isVisibleTo(this));
}
