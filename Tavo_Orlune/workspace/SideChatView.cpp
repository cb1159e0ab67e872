#include "workspace/SideChatView.h"

#include "Platform/Assets.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/UuidText.h"
#include "analytics/AnalyticsService.h"
#include "chat/ChatCoordinator.h"
#include "chat/EmbeddedChatView.h"
#include "model/TaskData.h"
#include "theme/Fonts.h"

#include <QLabel>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
// The system's neutral grey.
QColor gray(qreal opacity)
{
    QColor c(142, 142, 147);
    c.setAlphaF(float(opacity));
    return c;
}
} // namespace

SideChatView::SideChatView(TaskData *selectedTask, ModelContext *modelContext, ChatCoordinator *coordinator, QWidget *parent)
    : QWidget(parent)
    , m_selectedTask(selectedTask)
    , m_context(modelContext)
    , m_coordinator(coordinator)
{
    Q_ASSERT_X(coordinator, "SideChatView", "the side chat needs the coordinator");
    setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    if (modelContext)
        connect(modelContext, &ModelContext::storeDidChange, this, &SideChatView::storeChanged);
    refresh();
}

TaskData *SideChatView::taskInContext() const
{
    if (!m_selectedTask)
        return nullptr;
    const QUuid id = m_selectedTask->id();
    QList<TaskData *> found;
    try {
        if (!m_context)
            throw StoreError(StoreError::Kind::FetchFailed, QStringLiteral("The store is closed."));
        found = m_context->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), id));
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("Error fetching task from ModelContext in SideChatView: ") + e.localizedDescription());
        AnalyticsService::shared().trackError(QStringLiteral("StoreError"), e.localizedDescription(), QStringLiteral("SideChatView"),
                                              {{QStringLiteral("task_id"), UuidText::toText(id)},
                                               {QStringLiteral("operation"), QStringLiteral("taskInContext")},
                                               {QStringLiteral("error_type"), QStringLiteral("fetch_error")}});
        return nullptr;
    }
    if (found.isEmpty()) {
        Log::line(QStringLiteral("⚠️ [SideChatView] Task no longer exists in database: ") + m_selectedTask->title());
        return nullptr;
    }
    return found.first();
}

void SideChatView::refresh()
{
    TaskData *task = taskInContext();
    if (task && m_chat && m_chat->task() == task)
        return;
    if (!task && m_placeholder && !m_chat)
        return;
    delete m_chat;
    m_chat = nullptr;
    delete m_placeholder;
    m_placeholder = nullptr;
    if (task) {
        // Its texts keep the colours they inherit: nothing here makes them clear.
        m_chat = new EmbeddedChatView(m_coordinator, task, QStringLiteral("canvas"), nullptr, nullptr, this);
        m_chat->setFixedWidth(chatWidth);
        m_chat->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        layout()->addWidget(m_chat);
        if (isVisible())
            m_chat->show();
    } else {
        m_placeholder = makePlaceholder();
        layout()->addWidget(m_placeholder);
        if (isVisible())
            m_placeholder->show();
    }
}

QWidget *SideChatView::makePlaceholder()
{
    auto *box = new QWidget(this);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addStretch(1);

    auto *icon = new QLabel(box);
    icon->setObjectName(QStringLiteral("placeholderIcon"));
    icon->setAlignment(Qt::AlignCenter);
    const int edge = 34; // the large-title size
    QPixmap glyph = Assets::pixmap(QStringLiteral("message.circle"), QSize(edge, edge), devicePixelRatioF());
    if (!glyph.isNull()) {
        // The symbol takes the placeholder's grey.
        QPixmap tinted(glyph.size());
        tinted.setDevicePixelRatio(glyph.devicePixelRatio());
        tinted.fill(Qt::transparent);
        QPainter p(&tinted);
        p.drawPixmap(0, 0, glyph);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(tinted.rect(), gray(0.6));
        p.end();
        icon->setPixmap(tinted);
    }
    layout->addWidget(icon);

    auto *text = new QLabel(QStringLiteral("Select a task to view chat"), box);
    text->setObjectName(QStringLiteral("placeholderText"));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setFont(Fonts::headlineFont());
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, gray(0.8));
    text->setPalette(palette);
    layout->addWidget(text);
    layout->addStretch(1);
    return box;
}

void SideChatView::storeChanged(const ModelChanges &changes)
{
    const auto tasks = changes.entities.constFind(TaskData::staticEntityDescription().name);
    if (tasks != changes.entities.constEnd() && tasks->membershipChanged)
        refresh();
}

void SideChatView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        refresh();
}
