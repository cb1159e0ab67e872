#include "categories/CategoryCreationPopupView.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Scheduler.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kReservedMessage = QStringLiteral("'All Tasks' is a reserved name");

QString buttonStyle(const QColor &fill, const QColor &text, const QColor &edge)
{
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 22px; }"
                          "QPushButton:hover { background: %1; }")
        .arg(fill.name(QColor::HexArgb), text.name(QColor::HexArgb), edge.name(QColor::HexArgb));
}

QPushButton *makeButton(const QString &title, const QColor &fill, const QColor &text, const QColor &edge, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFixedSize(144, 44);
    button->setFont(Fonts::captionBoldFont());
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(buttonStyle(fill, text, edge));
    return button;
}
}

CategoryCreationPopupView::CategoryCreationPopupView(ConfirmAction onConfirm, CancelAction onCancel, const QPointF &position, QWidget *parent)
    : QWidget(parent)
    , m_onConfirm(std::move(onConfirm))
    , m_onCancel(std::move(onCancel))
    , m_position(position)
    , m_card(new QWidget(this))
{
    setObjectName(QStringLiteral("categoryCreationPopup"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_card->setFixedSize(popupWidth, popupHeight);

    auto *input = new QWidget(m_card);
    input->setObjectName(QStringLiteral("categoryCreationInputPanel"));
    input->setFixedSize(292, 128);
    input->setStyleSheet(QStringLiteral("#categoryCreationInputPanel { background: rgba(255, 252, 250, 153); border: 1px solid white;"
                                        " border-radius: 24px; }"));
    auto *inputStack = new QVBoxLayout(input);
    inputStack->setContentsMargins(16, 16, 16, 16);
    inputStack->setSpacing(12);
    auto *title = new QLabel(QStringLiteral("Create Category"), input);
    title->setTextFormat(Qt::PlainText);
    title->setFont(Fonts::popupTitleFont());
    title->setStyleSheet(QStringLiteral("color: %1; background: transparent; border: none;").arg(Color::textPrimary().name()));
    inputStack->addWidget(title);

    m_nameField = new QLineEdit(input);
    m_nameField->setPlaceholderText(QStringLiteral("Enter category name"));
    m_nameField->setFont(Fonts::fieldFont());
    m_nameField->setFixedSize(260, 48);
    inputStack->addWidget(m_nameField);
    m_reservedMessage = new QLabel(kReservedMessage, input);
    m_reservedMessage->setTextFormat(Qt::PlainText);
    m_reservedMessage->setFont(Fonts::smallFont());
    m_reservedMessage->setStyleSheet(QStringLiteral("color: red; background: transparent; border: none; padding-left: 4px;"));
    m_reservedMessage->hide();
    inputStack->addWidget(m_reservedMessage);
    inputStack->addStretch(1);

    auto *separator = new QWidget(m_card);
    separator->setFixedSize(popupWidth, 1);
    separator->setStyleSheet(QStringLiteral("background: white;"));

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->setSpacing(12);
    m_cancelButton = makeButton(QStringLiteral("Cancel"), Qt::white, Color::textPrimary(), QColor(0, 0, 0, 13), m_card);
    m_saveButton = makeButton(QStringLiteral("Save"), Qt::black, Qt::white, Qt::black, m_card);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_saveButton);

    auto *stack = new QVBoxLayout(m_card);
    stack->setContentsMargins(0, 16, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(input, 0, Qt::AlignHCenter);
    stack->addSpacing(16);
    stack->addWidget(separator, 0, Qt::AlignHCenter);
    stack->addSpacing(12);
    stack->addLayout(buttons);
    stack->addStretch(1);

    connect(m_nameField, &QLineEdit::textChanged, this, &CategoryCreationPopupView::nameChanged);
    connect(m_nameField, &QLineEdit::returnPressed, this, &CategoryCreationPopupView::confirmName);
    connect(m_saveButton, &QPushButton::clicked, this, &CategoryCreationPopupView::confirmName);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        if (m_onCancel)
            m_onCancel();
    });
    nameChanged();
    placeCard();
}

CategoryCreationPopupView::~CategoryCreationPopupView()
{
    removeKeyMonitor();
}

bool CategoryCreationPopupView::isReservedName(const QString &name)
{
    return name.trimmed().toLower() == QLatin1String("all tasks");
}

bool CategoryCreationPopupView::isReservedName() const
{
    return isReservedName(categoryName());
}

QString CategoryCreationPopupView::categoryName() const
{
    return m_nameField->text();
}

QRect CategoryCreationPopupView::cardRect() const
{
    return QRectF(m_position.x() - popupWidth / 2.0, m_position.y() - popupHeight / 2.0, popupWidth, popupHeight).toRect();
}

void CategoryCreationPopupView::placeCard()
{
    m_card->move(cardRect().topLeft());
}

void CategoryCreationPopupView::nameChanged()
{
    const bool reserved = isReservedName();
    const QColor text = reserved ? QColor(Qt::red) : Color::textPrimary();
    m_nameField->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: rgba(255, 252, 250, 204); border: 1px solid white;"
                                              " border-radius: 16px; padding: 0 16px; }")
                                   .arg(text.name()));
    m_reservedMessage->setVisible(reserved);
    m_saveButton->setEnabled(!categoryName().trimmed().isEmpty() && !reserved);
}

void CategoryCreationPopupView::confirmName()
{
    const QString trimmed = categoryName().trimmed();
    if (trimmed.isEmpty())
        return;
    if (isReservedName(trimmed)) {
        m_nameField->clear();
        return;
    }
    if (m_onConfirm)
        m_onConfirm(trimmed);
}

bool CategoryCreationPopupView::handleKeyDown(QKeyEvent &event)
{
    // Only the presses of the window the popup is shown in are the popup's.
    if (!isVisible() || !window()->isActiveWindow())
        return false;
    if (LocalKeyMonitor::isEscape(event)) {
        if (m_onCancel)
            m_onCancel();
        return true;
    }
    if (LocalKeyMonitor::isReturn(event) && !categoryName().trimmed().isEmpty()) {
        confirmName();
        return true;
    }
    return false;
}

void CategoryCreationPopupView::installKeyMonitor()
{
    if (m_keyMonitor)
        return;
    QPointer<CategoryCreationPopupView> self(this);
    m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &event) { return self && self->handleKeyDown(event); }, this);
}

void CategoryCreationPopupView::removeKeyMonitor()
{
    if (!m_keyMonitor)
        return;
    m_keyMonitor->remove();
    m_keyMonitor->deleteLater();
    m_keyMonitor = nullptr;
}

void CategoryCreationPopupView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installKeyMonitor();
    QPointer<CategoryCreationPopupView> self(this);
    Scheduler::instance().singleShot(focusDelayMs, this, [self] {
        if (self)
            self->m_nameField->setFocus(Qt::OtherFocusReason);
    });
}

void CategoryCreationPopupView::hideEvent(QHideEvent *event)
{
    removeKeyMonitor();
    QWidget::hideEvent(event);
}

void CategoryCreationPopupView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCard();
}

void CategoryCreationPopupView::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (!cardRect().contains(event->position().toPoint()) && m_onCancel)
        m_onCancel();
}

void CategoryCreationPopupView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, 26));
    const QRectF card = QRectF(cardRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(card, 36, 36);
    // A soft shadow under the card, painted: no graphics effects over the canvas.
    for (int i = 1; i <= 5; ++i) {
        QPainterPath ring;
        ring.addRoundedRect(card.translated(0, 4).adjusted(-2 * i, -2 * i, 2 * i, 2 * i), 36 + 2 * i, 36 + 2 * i);
        painter.fillPath(ring, QColor(0, 0, 0, 5));
    }
    painter.fillPath(shape, QColor::fromRgbF(0.86, 0.85, 0.82));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPath(shape);
}
