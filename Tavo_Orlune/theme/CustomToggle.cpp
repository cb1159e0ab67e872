#include "theme/CustomToggle.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "Platform/SpringEasing.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {
QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}
}

class CustomToggle::Switch : public QWidget {
public:
    explicit Switch(CustomToggle *owner)
        : QWidget(owner)
        , m_owner(owner)
    {
        const CustomToggleStyle &s = owner->m_style;
        setFixedSize(QSizeF(std::max(s.trackWidth, s.trackWidth / 2 + s.circleOffset + s.circleSize / 2) , std::max(s.trackHeight, s.circleSize)).toSize());
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_owner->setOn(!m_owner->isOn());
    }

    void paintEvent(QPaintEvent *) override
    {
        const CustomToggleStyle &s = m_owner->m_style;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c = QRectF(rect()).center();
        const QRectF track(c.x() - s.trackWidth / 2, c.y() - s.trackHeight / 2, s.trackWidth, s.trackHeight);
        QPainterPath path;
        const qreal r = std::min<qreal>(50, std::min(track.width(), track.height()) / 2);
        path.addRoundedRect(track, r, r);
        p.fillPath(path, m_owner->trackFill());
        p.setPen(QPen(Color::controlForeground(), 0.5));
        p.drawPath(path);
        const qreal t = std::clamp((m_owner->m_knobOffset + s.circleOffset) / std::max(2 * s.circleOffset, 1e-9), 0.0, 1.0);
        p.setPen(Qt::NoPen);
        p.setBrush(mix(Color::controlForeground(), Color::toggleKnobOn(), t));
        p.drawEllipse(QPointF(c.x() + m_owner->m_knobOffset, c.y()), s.circleSize / 2, s.circleSize / 2);
    }

private:
    CustomToggle *m_owner;
};

CustomToggle::CustomToggle(const QString &label, const CustomToggleStyle &style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
    , m_label(new QLabel(label, this))
    , m_knobOffset(-style.circleOffset)
    , m_knobAnimation(new QVariantAnimation(this))
    , m_fillAnimation(new QVariantAnimation(this))
{
    m_label->setTextFormat(Qt::PlainText);
    m_switch = new Switch(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label, 0, Qt::AlignVCenter);
    layout->addWidget(m_switch, 0, Qt::AlignVCenter);
    if (label.isEmpty())
        m_label->hide();

    connect(m_knobAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_knobOffset = v.toReal();
        m_switch->update();
    });
    m_fillAnimation->setDuration(300);
    m_fillAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_fillAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_fillProgress = v.toReal();
        m_switch->update();
    });
}

void CustomToggle::setOn(bool on)
{
    if (on == m_isOn)
        return;
    m_isOn = on;
    m_knobAnimation->stop();
    m_knobAnimation->setStartValue(m_knobOffset);
    m_knobAnimation->setEndValue(on ? m_style.circleOffset : -m_style.circleOffset);
    Spring{0.3, 0.7}.apply(m_knobAnimation);
    m_knobAnimation->start();
    m_fillAnimation->stop();
    m_fillAnimation->setStartValue(m_fillProgress);
    m_fillAnimation->setEndValue(on ? 1.0 : 0.0);
    m_fillAnimation->start();
    Q_EMIT toggled(on);
}

QRect CustomToggle::switchGeometry() const
{
    return m_switch->geometry();
}

QColor CustomToggle::trackFill() const
{
    return mix(Color::controlFill(), Color::controlForeground(), m_fillProgress);
}
