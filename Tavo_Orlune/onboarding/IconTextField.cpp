#include "onboarding/IconTextField.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 296;
constexpr int kHeight = 60;
constexpr int kIconSize = 20;

QString colorCss(const QColor &c)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}
}

IconTextField::IconTextField(const QString &iconName, const QString &placeholder, QWidget *parent)
    : QWidget(parent), m_iconName(iconName), m_placeholder(placeholder)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_TranslucentBackground);

    m_icon = new QLabel(this);
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setScaledContents(true);
    m_icon->setPixmap(Assets::pixmap(iconName, QSize(kIconSize, kIconSize), devicePixelRatioF()));

    QColor labelColor = Color::textPrimary();
    labelColor.setAlphaF(labelColor.alphaF() * 0.4);
    m_label = new QLabel(placeholder, this);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(Fonts::smallFont());
    m_label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colorCss(labelColor)));

    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->setFont(Fonts::fieldLabelFont());
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: transparent; border: none; padding: 0; }")
                              .arg(colorCss(Color::textPrimary())));
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_edit->installEventFilter(this);
    setFocusProxy(m_edit);

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 16, 0);
    column->setSpacing(2);
    column->addStretch();
    column->addWidget(m_label);
    column->addWidget(m_edit);
    column->addStretch();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addLayout(column, 1);

    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        refresh();
        Q_EMIT textChanged(text);
        if (m_onTextChange)
            m_onTextChange(text);
    });
    refresh();
}

QString IconTextField::text() const
{
    return m_edit->text();
}

void IconTextField::setText(const QString &text)
{
    // QLineEdit announces only real changes, so a caller echoing our own signal back is harmless.
    m_edit->setText(text);
}

void IconTextField::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_edit->setEnabled(!readOnly);
    if (readOnly && m_edit->hasFocus())
        m_edit->clearFocus();
    refresh();
}

bool IconTextField::isLabelVisible() const
{
    return m_focused || !m_edit->text().isEmpty();
}

QSize IconTextField::sizeHint() const
{
    return {kWidth, kHeight};
}

bool IconTextField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn)
            setFocused(true);
        else if (event->type() == QEvent::FocusOut)
            setFocused(false);
    }
    return QWidget::eventFilter(watched, event);
}

void IconTextField::setFocused(bool focused)
{
    if (m_focused == focused)
        return;
    m_focused = focused;
    refresh();
    Q_EMIT focusChanged(focused);
    if (focused && m_onFocus)
        m_onFocus();
}

void IconTextField::refresh()
{
    m_label->setVisible(isLabelVisible());
    // While focused the hint has moved up into the label.
    m_edit->setPlaceholderText(m_focused ? QString() : m_placeholder);
}

void IconTextField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    LoginInputFieldBackgroundModifier::paint(painter, QRectF(rect()));
}

void IconTextField::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_autoFocus)
        return;
    QPointer<QLineEdit> edit = m_edit;
    MainQueue::post(this, [edit] {
        // The focus flag itself follows the focus-in event (at once, or when the window
        // becomes active).
        if (edit && edit->isEnabled() && edit->isVisible())
            edit->setFocus(Qt::OtherFocusReason);
    });
}
