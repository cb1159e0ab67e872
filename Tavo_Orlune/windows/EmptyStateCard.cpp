#include "windows/EmptyStateCard.h"

#include "theme/BackgroundModifiers.h"
#include "theme/BlurredGradientBackground.h"
#include "theme/Color.h"
#include "windows/EmptyStateButton.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "theme/TemplateImage.h"
#include "analytics/AnalyticsService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr qreal kCornerRadius = Sizes::cornerRadiusLarge;
constexpr int kIconCircle = 44;
constexpr int kIconGlyph = 20;

QVariantMap screenProperties()
{
    return {{QStringLiteral("screen_name"), QStringLiteral("floating_panel")}};
}

QLabel *makeLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

// The round icon above the texts.
class NoTasksIcon : public QWidget {
public:
    explicit NoTasksIcon(QWidget *parent)
        : QWidget(parent)
    {
        setFixedSize(kIconCircle, kIconCircle);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Color::controlFill());
        p.drawEllipse(QRectF(rect()));
        const QRectF glyph(QRectF(rect()).center() - QPointF(kIconGlyph / 2.0, kIconGlyph / 2.0), QSizeF(kIconGlyph, kIconGlyph));
        TemplateImage::draw(p, QStringLiteral("ic_noTasks"), glyph, Color::controlForeground());
    }
};
} // namespace

EmptyStateCard::EmptyStateCard(ChatCoordinator *mainViewModel, std::function<void()> onAddTask, std::function<void()> onOpenCanvas,
                               QWidget *parent)
    : QWidget(parent)
    , m_mainViewModel(mainViewModel)
    , m_onAddTask(std::move(onAddTask))
    , m_onOpenCanvas(std::move(onOpenCanvas))
    , m_gradient(new BlurredGradientBackground(0, 68, 0.3, this))
    , m_title(makeLabel(QStringLiteral("No Working Tasks"), Fonts::sectionTitleFont(), Color::textPrimary(), this))
    , m_subtitle(makeLabel(QStringLiteral("Tap + to start a new task"), Fonts::bodyFont(), Color::textSecondary(), this))
    , m_addTask(new EmptyStateButton(QStringLiteral("Add Task"), EmptyStateButton::Glyph::Plus, this))
    , m_openCanvas(new EmptyStateButton(QStringLiteral("Open Canvas"), EmptyStateButton::Glyph::Canvas, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    // The gradient is painted by the card itself, between its fill and its hairline.
    m_gradient->hide();

    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);

    auto *head = new QVBoxLayout;
    head->setSpacing(20);
    head->setContentsMargins(0, 0, 0, 0);
    head->addWidget(new NoTasksIcon(this), 0, Qt::AlignHCenter);
    head->addLayout(texts);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(m_addTask);
    buttons->addWidget(m_openCanvas);
    buttons->addStretch();

    auto *content = new QVBoxLayout(this);
    content->setSpacing(24);
    content->setContentsMargins(padding, padding, padding, padding);
    content->addStretch();
    content->addLayout(head);
    content->addLayout(buttons);
    content->addStretch();

    // The usage event is recorded before the host's action runs.
    connect(m_addTask, &QAbstractButton::clicked, this, [this] {
        AnalyticsService::shared().trackButtonTap(QStringLiteral("add_task_empty_state"), screenProperties());
        if (m_onAddTask)
            m_onAddTask();
    });
    connect(m_openCanvas, &QAbstractButton::clicked, this, [this] {
        AnalyticsService::shared().trackButtonTap(QStringLiteral("canvas_empty_state"), screenProperties());
        if (m_onOpenCanvas)
            m_onOpenCanvas();
    });
}

QSize EmptyStateCard::sizeHint() const
{
    return contentSize + QSize(2 * padding, 2 * padding);
}

void EmptyStateCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QPainterPath shape;
    shape.addRoundedRect(r, kCornerRadius, kCornerRadius);
    p.setClipPath(shape);
    const RoundedBackground card{kCornerRadius, Color::cardFill(), Qt::transparent, 0, 0};
    card.paint(p, r);
    m_gradient->paintBackground(p, r);
    // The card's hairline over the gradient.
    p.setPen(QPen(Color::cardBorder(), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.25, 1.25, -1.25, -1.25), kCornerRadius - 1.25, kCornerRadius - 1.25);
}
