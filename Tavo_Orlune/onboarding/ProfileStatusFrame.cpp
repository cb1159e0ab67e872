#include "onboarding/ProfileStatusFrame.h"
#include "onboarding/ProfileEntrance.h"
#include "theme/Sizes.h"

#include <QLabel>
#include <QVBoxLayout>

ProfileStatusFrame::ProfileStatusFrame(bool showCard, QWidget *parent)
    : QWidget(parent)
    , m_showCard(showCard)
    , m_column(new QVBoxLayout(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_column->setContentsMargins(0, int(Sizes::spacingL), 0, int(Sizes::spacingL));
    m_column->setSpacing(int(Sizes::spacingM));
    m_column->setAlignment(Qt::AlignHCenter);
    if (!showCard)
        ProfileEntrance::hide(this, 0.8, 0.0);
}

void ProfileStatusFrame::reveal()
{
    if (m_showCard)
        return;
    m_showCard = true;
    ProfileEntrance::show(this, 300, Spring{0.5, 0.8}, 0.8, 0.0);
}

QWidget *ProfileStatusFrame::addText(const QString &text, const QFont &font, const QColor &color)
{
    auto *label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    m_column->addWidget(label, 0, Qt::AlignHCenter);
    return label;
}
