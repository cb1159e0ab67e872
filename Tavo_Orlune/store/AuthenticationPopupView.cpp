#include "store/AuthenticationPopupView.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "integrations/AppStoreModel.h"
#include "model/AppStoreData.h"
#include "store/AppIconViewForPopup.h"
#include "store/AuthenticationPopupButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ImageBlur.h"
#include "theme/Materials.h"
#include "theme/TemplateImage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr qreal kBackdropOpacity = 0.3;
constexpr qreal kBorderOpacity = 0.8;
constexpr int kPlaceholderSymbol = 64;
// The platform's default padding around the placeholder symbol and beside the explanation.
constexpr int kDefaultPadding = 16;

QColor withOpacity(QColor c, qreal opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}

QColor black(qreal opacity)
{
    return withOpacity(Color::workspaceShade(), opacity);
}

// A soft shadow of a rounded rectangle, drawn under it.
void drawShadow(QPainter &p, const QRectF &shape, qreal radius, qreal blur, QPointF offset, qreal opacity)
{
    const qreal margin = blur * 2;
    const QRectF area = shape.adjusted(-margin, -margin, margin, margin);
    QImage image(area.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter s(&image);
    s.setRenderHint(QPainter::Antialiasing);
    s.setPen(Qt::NoPen);
    s.setBrush(black(opacity));
    s.drawRoundedRect(QRectF(QPointF(margin, margin), shape.size()), radius, radius);
    s.end();
    p.drawImage(area.topLeft() + offset, ImageBlur::blurred(image, blur / 2));
}

QLabel *centredLine(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(parent);
    // The app's name comes from the catalog: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}
} // namespace

AuthenticationPopupView::AuthenticationPopupView(AppStoreModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    if (!viewModel)
        qFatal("AuthenticationPopupView needs the store model");
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
    connect(viewModel, &AppStoreModel::showAuthPopupChanged, this, &AuthenticationPopupView::sync);
    // A new pending app while the popup shows gets a new card, one turn later: a model that
    // clears the app just before it hides the popup then never shows an empty card.
    connect(viewModel, &AppStoreModel::appPendingAuthChanged, this, [this] {
        QPointer<AuthenticationPopupView> guard(this);
        MainQueue::post(this, [guard] {
            if (guard && !guard->isHidden() && guard->m_viewModel && guard->m_viewModel->showAuthPopup()
                && guard->m_viewModel->appPendingAuth() != guard->m_cardApp)
                guard->buildCard();
        });
    });
    setVisible(false);
    sync();
}

void AuthenticationPopupView::sync()
{
    const bool shown = m_viewModel && m_viewModel->showAuthPopup();
    if (shown == !isHidden())
        return;
    if (shown) {
        buildCard();
        raise();
        show();
    } else {
        hide();
        // The next showing starts from a new card: hover flags and the icon's state included.
        dropCard();
    }
}

void AuthenticationPopupView::dropCard()
{
    // Later, not now: the change that drops the card may come from a click on its own button.
    if (m_card) {
        m_card->hide();
        m_card->deleteLater();
    }
    m_card = nullptr;
    m_later = m_authenticate = nullptr;
    m_iconView = nullptr;
    m_cardApp = nullptr;
    m_lines.clear();
}

void AuthenticationPopupView::buildCard()
{
    dropCard();
    AppStoreData *app = m_viewModel ? m_viewModel->appPendingAuth() : nullptr;
    m_cardApp = app;
    Log::line(QStringLiteral("DEBUG: Auth popup appeared. appPendingAuth is: ") + (app ? app->name() : QStringLiteral("nil")));

    m_card = new QWidget(this);
    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(16, 24, 16, 16);
    column->setSpacing(16);

    // The icon, 12 above the text.
    auto *iconRow = new QVBoxLayout;
    iconRow->setContentsMargins(0, 0, 0, 12);
    if (app) {
        m_iconView = new AppIconViewForPopup(app, m_card);
        iconRow->addWidget(m_iconView, 0, Qt::AlignHCenter);
    } else {
        auto *placeholder = new QLabel(m_card);
        const qreal dpr = devicePixelRatioF();
        QPixmap symbol = QPixmap::fromImage(TemplateImage::tinted(QStringLiteral("app.fill"), QSizeF(kPlaceholderSymbol, kPlaceholderSymbol),
                                                                  Color::textPrimary(), dpr));
        placeholder->setPixmap(symbol);
        placeholder->setContentsMargins(kDefaultPadding, kDefaultPadding, kDefaultPadding, kDefaultPadding);
        placeholder->setAutoFillBackground(false);
        placeholder->setObjectName(QStringLiteral("placeholderTile"));
        const QColor fill = Color::cardFill();
        placeholder->setStyleSheet(QStringLiteral("QLabel#placeholderTile { background: rgba(%1,%2,%3,%4); border-radius: 16px; }")
                                       .arg(fill.red()).arg(fill.green()).arg(fill.blue()).arg(fill.alphaF()));
        iconRow->addWidget(placeholder, 0, Qt::AlignHCenter);
    }
    column->addLayout(iconRow);

    auto *textBlock = new QVBoxLayout;
    textBlock->setSpacing(12);
    if (app)
        m_lines << centredLine(app->name(), Fonts::sectionTitleFont(), Color::textPrimary(), m_card);
    m_lines << centredLine(QStringLiteral("Authorize the App"), Fonts::emphasisFont(), Color::textPrimary(), m_card);
    QLabel *explanation = centredLine(QStringLiteral("You need to authenticate your account to access and use all features of this app"),
                                      Fonts::bodyFont(), withOpacity(Color::textPrimary(), 0.8), m_card);
    explanation->setContentsMargins(kDefaultPadding, 0, kDefaultPadding, 0);
    m_lines << explanation;
    for (QLabel *line : m_lines)
        textBlock->addWidget(line);
    column->addLayout(textBlock);

    auto *divider = new QWidget(m_card);
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette pal = divider->palette();
    pal.setColor(QPalette::Window, Color::glassBorder());
    divider->setPalette(pal);
    column->addWidget(divider);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    m_later = new AuthenticationPopupButton(QStringLiteral("Later"), 0.7, m_card);
    m_authenticate = new AuthenticationPopupButton(QStringLiteral("Authenticate"), 1.0, m_card);
    buttons->addWidget(m_later, 1);
    buttons->addWidget(m_authenticate, 1);
    column->addLayout(buttons);

    connect(m_later, &QAbstractButton::clicked, this, [this] {
        if (m_viewModel)
            m_viewModel->cancelAuthentication();
    });
    connect(m_authenticate, &QAbstractButton::clicked, this, [this] {
        // Started on the next turn and not awaited: the model closes the popup itself, and
        // the work goes on whatever becomes of this view.
        QPointer<AppStoreModel> model = m_viewModel;
        if (model)
            MainQueue::post(model, [model] {
                if (model)
                    model->authenticatePendingApp();
            });
    });
    m_card->show();
    placeCard();
}

QStringList AuthenticationPopupView::texts() const
{
    QStringList out;
    for (QLabel *line : m_lines)
        out << line->text();
    return out;
}

void AuthenticationPopupView::placeCard()
{
    if (!m_card)
        return;
    const int w = qMin(maxCardWidth, width());
    m_card->layout()->activate();
    const int h = m_card->hasHeightForWidth() ? m_card->heightForWidth(w) : m_card->sizeHint().height();
    m_card->setGeometry((width() - w) / 2, (height() - h) / 2, w, h);
    update();
}

void AuthenticationPopupView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeCard();
}

bool AuthenticationPopupView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget *>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}

void AuthenticationPopupView::mousePressEvent(QMouseEvent *event)
{
    // Presses on the card (its text, its icon) land here too and do nothing.
    m_pressOnBackdrop = event->button() == Qt::LeftButton && m_card && !m_card->geometry().contains(event->position().toPoint());
    event->accept();
}

void AuthenticationPopupView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressOnBackdrop && m_card && !m_card->geometry().contains(event->position().toPoint());
    m_pressOnBackdrop = false;
    event->accept();
    if (click && m_viewModel)
        m_viewModel->cancelAuthentication();
}

void AuthenticationPopupView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), black(kBackdropOpacity));
    if (!m_card)
        return;
    const QRectF card = m_card->geometry();
    drawShadow(p, card, cardCornerRadius, 20, QPointF(0, 10), 0.1);
    QPainterPath shape;
    shape.addRoundedRect(card, cardCornerRadius, cardCornerRadius);
    p.fillPath(shape, Materials::regular());
    p.strokePath(shape, QPen(withOpacity(Color::cardBorder(), kBorderOpacity), 1));
    if (m_iconView) {
        const QRectF icon(m_iconView->mapTo(this, QPoint(0, 0)), m_iconView->size());
        drawShadow(p, icon, AppIconViewForPopup::cornerRadius, 8, QPointF(0, 4), 0.1);
    }
}
