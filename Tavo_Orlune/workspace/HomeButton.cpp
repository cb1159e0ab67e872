#include "workspace/HomeButton.h"

#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/HoverScaleEffectModifier.h"
#include "workspace/DockTile.h"

#include <QPainter>
#include <QVariantAnimation>

HomeButton::HomeButton(std::function<void()> action, bool isSelected, QWidget *parent)
    : QAbstractButton(parent)
    , m_action(std::move(action))
    , m_isSelected(isSelected)
    , m_indicatorOpacity(isSelected ? 1.0 : 0.0)
    , m_indicator(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    m_indicator->setDuration(200);
    m_indicator->setEasingCurve(Animations::easeInOut());
    connect(m_indicator, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_indicatorOpacity = v.toReal();
        update();
    });
    // The button's own click is the one way in: a second handler for the same click would
    // run the action twice.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
    HoverScaleEffectModifier::apply(this, 1.1);
}

void HomeButton::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    m_indicator->stop();
    m_indicator->setStartValue(m_indicatorOpacity);
    m_indicator->setEndValue(indicatorTargetOpacity());
    m_indicator->start();
}

QSize HomeButton::sizeHint() const
{
    return DockTile::buttonSize();
}

void HomeButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    DockTile::paintTile(p, QStringLiteral("btn_canvas_home"), Color::hex(u"#E3E2DB"), 20, devicePixelRatioF());
    DockTile::paintIndicator(p, m_indicatorOpacity);
}
