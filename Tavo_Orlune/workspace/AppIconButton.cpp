#include "workspace/AppIconButton.h"

#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "model/AppIconData.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/HoverScaleEffectModifier.h"
#include "workspace/DockTile.h"

#include <QPainter>
#include <QShowEvent>
#include <QVariantAnimation>

namespace {
const QString kPlaceholder = QStringLiteral("app_logo_placeholder_1");
}

AppIconButton::AppIconButton(AppIconData *app, bool isSelected, std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_app(app)
    , m_isSelected(isSelected)
    , m_action(std::move(action))
    , m_indicatorOpacity(isSelected ? 1.0 : 0.0)
    , m_indicator(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    if (app)
        setToolTip(app->name());
    m_indicator->setDuration(200);
    m_indicator->setEasingCurve(Animations::easeInOut());
    connect(m_indicator, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_indicatorOpacity = v.toReal();
        update();
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
    if (app)
        connect(app, &AppIconData::iconNameChanged, this, [this] {
            update();
            checkImageExists();
        });
    HoverScaleEffectModifier::apply(this, 1.1);
}

void AppIconButton::setSelected(bool selected)
{
    if (selected == m_isSelected)
        return;
    m_isSelected = selected;
    m_indicator->stop();
    m_indicator->setStartValue(m_indicatorOpacity);
    m_indicator->setEndValue(indicatorTargetOpacity());
    m_indicator->start();
}

QString AppIconButton::pictureName() const
{
    const QString name = m_app ? m_app->iconName() : QString();
    return m_imageExists && !name.isEmpty() ? name : kPlaceholder;
}

void AppIconButton::checkImageExists()
{
    const QString name = m_app ? m_app->iconName() : QString();
    const bool found = !name.isEmpty() && Assets::has(name);
    if (found == m_imageExists)
        return;
    Scheduler::instance().singleShot(1, this, [this, found] {
        if (found == m_imageExists)
            return;
        m_imageExists = found;
        update();
    });
}

QSize AppIconButton::sizeHint() const
{
    return DockTile::buttonSize();
}

void AppIconButton::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    if (!event->spontaneous())
        checkImageExists();
}

void AppIconButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    DockTile::paintTile(p, pictureName(), Color::hex(u"#FFFFFF", 0.8), 0, devicePixelRatioF());
    DockTile::paintIndicator(p, m_indicatorOpacity);
}
