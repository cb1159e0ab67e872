#include "onboarding/ProfileDisplayField.h"
#include "onboarding/ProfileEntrance.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "Platform/Assets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 20;

class Icon : public QWidget {
public:
    Icon(const QString &name, QWidget *parent)
        : QWidget(parent)
        , m_name(name)
    {
        setFixedSize(iconSize, iconSize);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), Assets::pixmap(m_name, size(), devicePixelRatioF()));
    }

private:
    QString m_name;
};

QLabel *plainLabel(const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}
}

ProfileDisplayField::ProfileDisplayField(const QString &iconName, const QString &label, const QString &value,
                                         const QString &placeholder, bool showCard, double animationDelay, QWidget *parent)
    : QWidget(parent)
    , m_iconName(iconName)
    , m_label(label)
    , m_value(value)
    , m_placeholder(placeholder)
    , m_animationDelay(animationDelay)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(rowSize);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(int(Sizes::spacingL), 0, int(Sizes::spacingL), 0);
    row->setSpacing(int(Sizes::spacingM));
    m_icon = new Icon(iconName, this);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto *column = new QVBoxLayout;
    column->setSpacing(int(Sizes::spacingXS));
    column->setContentsMargins(0, 0, 0, 0);
    m_caption = plainLabel(Fonts::smallFont(), withAlpha(Color::textPrimary(), 0.4), this);
    m_caption->setText(label);
    const QFont valueFont = Fonts::system(13, QFont::DemiBold);
    m_valueLabel = plainLabel(valueFont, showsPlaceholder() ? withAlpha(Color::textPrimary(), 0.5) : Color::textPrimary(), this);
    m_valueLabel->setText(shownText());
    m_valueLabel->setWordWrap(true);
    m_valueLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_valueLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    column->addStretch(1);
    column->addWidget(m_caption);
    column->addWidget(m_valueLabel);
    column->addStretch(1);
    row->addLayout(column, 1);
    // Built hidden it waits for showCard; built shown it is there at once.
    m_showCard = showCard;
    if (!showCard) {
        ProfileEntrance::hide(this, 0.95, 0.0);
        ProfileEntrance::hide(m_caption, 1.0, 0.0);
        ProfileEntrance::hide(m_icon, 0.5, 0.0);
        ProfileEntrance::hide(m_valueLabel, 1.0, 0.0);
    }
}

QString ProfileDisplayField::shownText() const
{
    return m_value.isEmpty() ? m_placeholder : m_value;
}

void ProfileDisplayField::setShowCard(bool showCard)
{
    if (m_showCard == showCard)
        return;
    m_showCard = showCard;
    const int d = int(m_animationDelay * 1000);
    if (!showCard) {
        ProfileEntrance::hide(this, 0.95, 0.0);
        ProfileEntrance::hide(m_caption, 1.0, 0.0);
        ProfileEntrance::hide(m_icon, 0.5, 0.0);
        ProfileEntrance::hide(m_valueLabel, 1.0, 0.0);
        return;
    }
    ProfileEntrance::show(this, d, Spring{0.6, 0.8}, 0.95, 0.0);
    ProfileEntrance::show(m_caption, d + 50, Spring{0.5, 0.8}, 1.0, 0.0);
    ProfileEntrance::show(m_icon, d + 100, Spring{0.4, 0.8}, 0.5, 0.0);
    ProfileEntrance::show(m_valueLabel, d + 150, Spring{0.6, 0.8}, 1.0, 0.0);
}

void ProfileDisplayField::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    LoginInputFieldBackgroundModifier::paint(p, QRectF(rect()));
}
