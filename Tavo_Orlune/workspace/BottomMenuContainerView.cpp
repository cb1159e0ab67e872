#include "workspace/BottomMenuContainerView.h"

#include "theme/Color.h"
#include "workspace/BottomMenuView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kCornerRadius = 28;

const QColor &fill()
{
    static const QColor c = Color::adaptiveColor(Color::hex(u"#FEFDF9"), Color::hex(u"#343231"));
    return c;
}
} // namespace

BottomMenuContainerView::BottomMenuContainerView(const QList<AppIconData *> &apps, AppIconData *selectedApp, QWidget *parent)
    : QWidget(parent)
    , m_selectedApp(selectedApp)
    , m_row(new BottomMenuView(apps, selectedApp, selectedApp == nullptr, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setSpacing(0);
    layout->addWidget(m_row, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_row, &BottomMenuView::selectionWritten, this, &BottomMenuContainerView::selectionWritten);
}

void BottomMenuContainerView::setApps(const QList<AppIconData *> &apps)
{
    m_row->setApps(apps);
    adjustSize();
}

void BottomMenuContainerView::setSelectedApp(AppIconData *app)
{
    m_selectedApp = app;
    m_row->setSelection(app, app == nullptr);
}

void BottomMenuContainerView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
    p.fillPath(shape, fill());
    p.setPen(QPen(Qt::white, 1));
    p.drawPath(shape);
}
