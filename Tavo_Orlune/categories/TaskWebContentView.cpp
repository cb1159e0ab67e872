#include "categories/TaskWebContentView.h"

#include "model/AppIconData.h"
#include "model/TaskData.h"
#include "theme/Color.h"

#include <QPainter>
#include <QPainterPath>

TaskWebContentView::TaskWebContentView(TaskData *task, QWidget *parent)
    : QWidget(parent)
    , m_task(task)
{
    setAttribute(Qt::WA_TranslucentBackground);
    if (task) {
        connect(task, &TaskData::appsChanged, this, &TaskWebContentView::refresh);
        // A link can change on the first app itself.
        for (AppIconData *app : task->apps()) {
            if (app)
                connect(app, &AppIconData::appLinkChanged, this, &TaskWebContentView::refresh);
        }
    }
    m_address = pageURLString(task);
}

QString TaskWebContentView::defaultPageURLString()
{
    return QStringLiteral("https://duckduckgo.com/");
}

QString TaskWebContentView::pageURLString(const TaskData *task)
{
    if (task) {
        const QList<AppIconData *> apps = task->apps();
        // Only the first app counts.
        if (!apps.isEmpty() && apps.first()) {
            const std::optional<QString> link = apps.first()->appLink();
            if (link && !link->isEmpty())
                return *link;
        }
    }
    return defaultPageURLString();
}

void TaskWebContentView::refresh()
{
    if (m_task) {
        for (AppIconData *app : m_task->apps()) {
            if (app)
                connect(app, &AppIconData::appLinkChanged, this, &TaskWebContentView::refresh, Qt::UniqueConnection);
        }
    }
    const QString address = pageURLString(m_task);
    if (address == m_address)
        return;
    m_address = address;
    update();
    Q_EMIT identityChanged(identity());
}

void TaskWebContentView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 26, 26);
    p.fillPath(shape, Color::workspaceFill());
    p.setPen(QPen(Color::cardOutline(), 1));
    p.drawPath(shape);
    QFont f;
    f.setPixelSize(16);
    p.setFont(f);
    p.setPen(Color::textSecondary());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_address);
}
