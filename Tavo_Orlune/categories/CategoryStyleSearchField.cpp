#include "categories/CategoryStyleSearchField.h"

#include "Platform/Assets.h"
#include "theme/Appearance.h"
#include "theme/Color.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kIconLeading = 16;
constexpr int kIconSize = 20;
constexpr int kInputMargin = 12;
constexpr int kClearSize = 16;
constexpr int kClearTrailing = 16;

// The clear symbol: a filled circle with a cross cut out, in the primary text colour at 60 %.
class ClearButton : public QAbstractButton {
public:
    explicit ClearButton(QWidget *parent) : QAbstractButton(parent) { setCursor(Qt::PointingHandCursor); }
    QSize sizeHint() const override { return QSize(kClearSize, kClearSize); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor c = Color::textPrimary();
        c.setAlphaF(c.alphaF() * 0.6);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        QPainterPath circle;
        circle.addEllipse(r);
        QPainterPath cross;
        const QPointF m = r.center();
        const qreal d = r.width() * 0.18;
        QPainterPathStroker stroker;
        stroker.setWidth(r.width() * 0.11);
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath lines;
        lines.moveTo(m + QPointF(-d, -d));
        lines.lineTo(m + QPointF(d, d));
        lines.moveTo(m + QPointF(d, -d));
        lines.lineTo(m + QPointF(-d, d));
        p.fillPath(circle.subtracted(stroker.createStroke(lines)), c);
    }
};

QFont fieldFont()
{
    QFont f;
    f.setPixelSize(13);
    f.setWeight(Appearance::isDark() ? QFont::Normal : QFont::Medium);
    return f;
}
}

CategoryStyleSearchField::CategoryStyleSearchField(QWidget *parent)
    : QWidget(parent)
    , m_input(new QLineEdit(this))
    , m_clear(new ClearButton(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(height);
    m_input->setPlaceholderText(tr("Search tasks..."));
    m_input->setFrame(false);
    m_input->setFont(fieldFont());
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Color::textPrimary());
    QColor placeholder = Color::textPrimary();
    placeholder.setAlphaF(placeholder.alphaF() * 0.5);
    palette.setColor(QPalette::PlaceholderText, placeholder);
    m_input->setPalette(palette);
    m_input->installEventFilter(this);
    m_clear->hide();
    connect(m_input, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        place();
        Q_EMIT searchTextChanged(text);
    });
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_input->setText(QString()); });
}

QString CategoryStyleSearchField::searchText() const
{
    return m_input->text();
}

void CategoryStyleSearchField::setSearchText(const QString &text)
{
    if (m_input->text() != text)
        m_input->setText(text);
}

bool CategoryStyleSearchField::isSearchFocused() const
{
    return m_focused;
}

void CategoryStyleSearchField::setSearchFocused(bool focused)
{
    if (focused)
        m_input->setFocus(Qt::OtherFocusReason);
    else if (m_input->hasFocus())
        m_input->clearFocus();
    if (m_focused != focused) {
        // Offscreen windows that are not active never report the focus change themselves.
        m_focused = focused;
        Q_EMIT searchFocusChanged(focused);
    }
}

bool CategoryStyleSearchField::showsClearButton() const
{
    return !m_input->text().isEmpty();
}

bool CategoryStyleSearchField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_input && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const bool focused = event->type() == QEvent::FocusIn;
        if (m_focused != focused) {
            m_focused = focused;
            Q_EMIT searchFocusChanged(focused);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CategoryStyleSearchField::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void CategoryStyleSearchField::place()
{
    const int inputLeft = kIconLeading + kIconSize + kInputMargin;
    int right = width() - kInputMargin;
    if (m_clear->isVisible()) {
        const QRect clear(width() - kClearTrailing - kClearSize, (height - kClearSize) / 2, kClearSize, kClearSize);
        m_clear->setGeometry(clear);
        right = clear.left() - kInputMargin;
    }
    m_input->setGeometry(inputLeft, kInputMargin, std::max(0, right - inputLeft), height - 2 * kInputMargin);
}

void CategoryStyleSearchField::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(100, capsule.height() / 2);
    QPainterPath path;
    path.addRoundedRect(capsule, radius, radius);
    // White in either appearance; only the border and the text follow the colour pairs.
    p.fillPath(path, Qt::white);
    p.setPen(QPen(Color::glassBorder(), 1));
    p.drawPath(path);
    const QRect icon(kIconLeading, (height - kIconSize) / 2, kIconSize, kIconSize);
    p.setOpacity(0.6);
    p.drawPixmap(icon, Assets::pixmap(QStringLiteral("ic_search_category"), icon.size(), devicePixelRatioF()));
}
