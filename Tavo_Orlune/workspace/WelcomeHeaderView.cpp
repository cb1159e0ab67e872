#include "workspace/WelcomeHeaderView.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
QLabel *titleLabel(const QString &text, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Color::textPrimary());
    label->setPalette(palette);
    return label;
}
}

WelcomeHeaderView::WelcomeHeaderView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Sizes::spacingS));
    m_greeting = titleLabel(tr("Welcome to"), Fonts::headlineFont(), this);
    m_productName = titleLabel(tr("Tavo Orlune"), Fonts::displayFont(), this);
    column->addWidget(m_greeting, 0, Qt::AlignHCenter);
    column->addWidget(m_productName, 0, Qt::AlignHCenter);
}
