#include "store/AppStoreSearchField.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "store/AppStoreSearchViewModel.h"
#include "store/StoreViewParts.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {
constexpr qreal kRadius = 20;
}

AppStoreSearchField::AppStoreSearchField(AppStoreSearchViewModel *searchViewModel, QWidget *parent)
    : QWidget(parent)
    , m_search(searchViewModel)
{
    setFixedWidth(fieldWidth);
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);

    m_edit = new QLineEdit(this);
    m_edit->setPlaceholderText(tr("Search apps..."));
    m_edit->setFrame(false);
    m_edit->setFont(Fonts::bodyFont());
    m_edit->setTextMargins(16, 12, 0, 12);
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette p = m_edit->palette();
    p.setColor(QPalette::Text, Color::textPrimary());
    p.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(p);
    m_edit->setText(searchViewModel->searchText());
    h->addWidget(m_edit, 1);

    m_clear = new QToolButton(this);
    m_clear->setAutoRaise(true);
    m_clear->setFocusPolicy(Qt::NoFocus);
    m_clear->setCursor(Qt::PointingHandCursor);
    m_clear->setAccessibleName(tr("Clear search"));
    m_clear->setIconSize(QSize(18, 18));
    m_clear->setIcon(Assets::icon(QStringLiteral("xmark.circle.fill")));
    m_clear->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    h->addWidget(m_clear);
    h->addSpacing(16);

    // The field writes every edit; a text set from outside (a clear) comes back without echo.
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_search)
            m_search->setSearchText(text);
    });
    connect(searchViewModel, &AppStoreSearchViewModel::searchTextChanged, this, [this] {
        if (m_search && m_edit->text() != m_search->searchText())
            m_edit->setText(m_search->searchText());
    });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (m_search)
            m_search->submitSearch();
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        if (m_search)
            m_search->clearSearch();
    });
}

bool AppStoreSearchField::isTextFieldFocused() const
{
    return m_edit->hasFocus();
}

void AppStoreSearchField::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Scheduler::instance().singleShot(focusDelayMs, this, [this] { m_edit->setFocus(Qt::OtherFocusReason); });
}

void AppStoreSearchField::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    p.fillPath(path, Color::cardFill());
    p.setPen(QPen(Color::glassBorder(), 1));
    p.drawPath(path);
}
