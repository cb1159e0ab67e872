#include "categories/CategoryView.h"

#include "categories/CanvasTaskItemView.h"
#include "categories/CardDropDelegate.h"
#include "categories/CategoryColumnActions.h"
#include "categories/CategoryColumnLayout.h"
#include "categories/CategoryControlsComponent.h"
#include "categories/EmptyTaskCardView.h"
#include "categories/TaskCardBehaviours.h"
#include "categories/TaskCardView.h"
#include "categories/TaskWebContentView.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "theme/CircleButton.h"
#include "theme/Color.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/FetchedResults.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/UuidText.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace L = CategoryColumnLayout;

struct CategoryView::DetailRow {
    QPointer<TaskData> task;
    CanvasTaskItemView *card = nullptr;
    CircleButton *close = nullptr;
    TaskWebContentView *web = nullptr;
    QRect rect; // column coordinates, set by relayout
    ~DetailRow()
    {
        // Dropped on a later turn: a row can go while its own card's handler runs.
        for (QWidget *w : {static_cast<QWidget *>(card), static_cast<QWidget *>(close), static_cast<QWidget *>(web)}) {
            if (w) {
                w->hide();
                w->deleteLater();
            }
        }
    }
};

namespace {

QFont titleFont()
{
    QFont f;
    f.setPixelSize(L::titleFontPixels);
    f.setWeight(QFont::DemiBold);
    return f;
}

QString idText(const QUuid &id)
{
    return UuidText::toText(id);
}

// The frame of a rectangle of the column in the coordinates of the window that shows it: through
// the canvas scene and its view when the column is hosted in a graphics proxy.
QRectF defaultFrameOf(const QWidget *column, const QRectF &localRect)
{
    const QWidget *top = column->window();
    const QRectF inTop(QPointF(column->mapTo(top, localRect.topLeft().toPoint())), localRect.size());
    if (QGraphicsProxyWidget *proxy = top->graphicsProxyWidget()) {
        if (QGraphicsScene *scene = proxy->scene(); scene && !scene->views().isEmpty()) {
            QGraphicsView *view = scene->views().first();
            const QRectF inView = view->mapFromScene(proxy->mapToScene(inTop)).boundingRect();
            const QPoint origin = view->viewport()->mapTo(view->window(), QPoint(0, 0));
            return inView.translated(origin);
        }
    }
    return inTop;
}

std::optional<QRectF> defaultWindowFrame(const QWidget *column)
{
    const QWidget *top = column->window();
    if (QGraphicsProxyWidget *proxy = top->graphicsProxyWidget()) {
        if (QGraphicsScene *scene = proxy->scene(); scene && !scene->views().isEmpty())
            return QRectF(scene->views().first()->window()->rect());
    }
    if (top->isWindow() && top->isVisible())
        return QRectF(top->rect());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        return QRectF(screen->geometry());
    return std::nullopt;
}

}

CategoryView::CategoryView(const CategoryModel &category, std::shared_ptr<CategoryColumnActions> actions, ModelContext *modelContext,
                           QWidget *parent)
    : QWidget(parent)
    , m_category(category)
    , m_actions(std::move(actions))
    , m_modelContext(modelContext)
    , m_currentPosition(category.position)
    , m_dropDelegate(std::make_unique<CardDropDelegate>(category.id, m_actions))
    , m_titleLabel(new QLabel(this))
    , m_titleEditor(new QLineEdit(this))
    , m_controls(new CategoryControlsComponent(this))
    , m_emptyCard(new EmptyTaskCardView([this] { addNewTask(); }, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAcceptDrops(true);
    // Children inherit an opaque text colour whatever the host's palette says.
    QPalette palette = this->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, textColour(Color::textPrimary()));
    setPalette(palette);

    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setFont(titleFont());
    m_titleLabel->installEventFilter(this);
    m_titleEditor->setFont(titleFont());
    m_titleEditor->setFrame(false);
    m_titleEditor->setPlaceholderText(tr("Category Title"));
    QPalette editorPalette = m_titleEditor->palette();
    editorPalette.setColor(QPalette::Base, Qt::transparent);
    editorPalette.setColor(QPalette::Text, textColour(Color::textPrimary()));
    m_titleEditor->setPalette(editorPalette);
    m_titleEditor->installEventFilter(this);
    m_titleEditor->hide();
    connect(m_titleEditor, &QLineEdit::textEdited, this, [this](const QString &text) { m_editingTitle = text; });
    connect(m_titleEditor, &QLineEdit::returnPressed, this, &CategoryView::commitTitleEdit);

    m_controls->setOnDeleteCategory([this] { requestDeleteCategory(); });
    connect(m_controls, &CategoryControlsComponent::searchTextChanged, this, &CategoryView::setSearchText);

    // A rename the store refused goes back to the stored title here too.
    if (m_actions) {
        QPointer<CategoryView> self(this);
        m_actions->observeFailures(this, [self] {
            if (self)
                self->adoptStoredTitle();
        });
    }
    m_frameOf = defaultFrameOf;
    m_windowFrame = [this] { return defaultWindowFrame(this); };

    // The query: this category's tasks, oldest first. It reads only the category link and the
    // creation date, so edits of a task's answer never refetch it.
    Predicate predicate = Predicate::equal(QStringLiteral("id"), QUuid()); // matches nothing
    if (m_modelContext) {
        try {
            const QList<CategoryData *> found = m_modelContext->fetch<CategoryData>(Predicate::equal(QStringLiteral("id"), category.id), {}, 1);
            if (!found.isEmpty())
                predicate = Predicate::equal(QStringLiteral("category"), found.first());
        } catch (const StoreError &error) {
            Log::line(QStringLiteral("❌ [CategoryView] Failed to look up category: ") + error.localizedDescription());
        }
        m_categoryTasks = new FetchedResults(
            m_modelContext, FetchDescriptor::of<TaskData>(predicate, {{QStringLiteral("createdAt"), true}}), this);
        connect(m_categoryTasks, &FetchedResults::resultsChanged, this, &CategoryView::scheduleRefresh);
    }
    applyTitle();
    refresh();
}

CategoryView::~CategoryView()
{
    removeNotificationObservers();
    m_detailRows.clear();
}

QColor CategoryView::textColour(const QColor &requested)
{
    if (!requested.isValid() || requested.alpha() == 0)
        return Color::textPrimary();
    return requested;
}

// Tasks

QList<TaskData *> CategoryView::categoryTasks() const
{
    return m_categoryTasks ? m_categoryTasks->results<TaskData>() : QList<TaskData *>();
}

QList<TaskData *> CategoryView::filterTasks(const QList<TaskData *> &tasks, const QString &searchText)
{
    if (searchText.trimmed().isEmpty())
        return tasks;
    const QString q = searchText.toLower();
    QList<TaskData *> out;
    for (TaskData *task : tasks) {
        const std::optional<QString> summary = task->summary();
        if ((summary && summary->toLower().contains(q)) || task->title().toLower().contains(q))
            out.append(task);
    }
    return out;
}

QList<TaskData *> CategoryView::filteredTasks() const
{
    return filterTasks(categoryTasks(), m_searchText);
}

bool CategoryView::hasRunningTasks() const
{
    for (TaskData *task : categoryTasks()) {
        if (task->streamStatus() == StreamStatus::Streaming)
            return true;
    }
    return false;
}

int CategoryView::runningTasksCount() const
{
    int n = 0;
    for (TaskData *task : categoryTasks())
        n += task->streamStatus() == StreamStatus::Streaming ? 1 : 0;
    return n;
}

void CategoryView::setSearchText(const QString &text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    m_controls->setSearchText(text);
    refresh();
}

// Title editing

void CategoryView::setEditingTitle(const QString &text)
{
    m_editingTitle = text;
    if (m_titleEditor->text() != text)
        m_titleEditor->setText(text);
}

void CategoryView::applyTitle()
{
    m_titleLabel->setText(m_category.title);
    QPalette p = m_titleLabel->palette();
    QColor colour = textColour(Color::textPrimary());
    if (isAllTasksCategory())
        colour.setAlphaF(colour.alphaF() * 0.8f);
    p.setColor(QPalette::WindowText, colour);
    m_titleLabel->setPalette(p);
    m_controls->setIsAllTasksCategory(isAllTasksCategory());
    relayout();
}

void CategoryView::adoptStoredTitle()
{
    const std::optional<QString> stored = m_actions ? m_actions->storedTitle(m_category.id) : std::nullopt;
    if (!stored || *stored == m_category.title)
        return;
    m_category.title = *stored;
    if (!m_isEditingTitle)
        m_editingTitle = *stored;
    applyTitle();
}

void CategoryView::setEditing(bool editing)
{
    if (editing) {
        m_isEditingTitle = true;
        m_titleEditor->setText(m_editingTitle);
        m_titleLabel->hide();
        m_titleEditor->show();
        relayout();
        // The editor takes the keyboard as soon as it shows.
        m_titleFieldFocused = true;
        m_titleEditor->setFocus(Qt::OtherFocusReason);
        m_titleEditor->selectAll();
        return;
    }
    if (!m_isEditingTitle && !m_titleFieldFocused)
        return;
    m_isEditingTitle = false;
    // Cleared before the editor hides, so the focus loss it causes commits nothing more.
    m_titleFieldFocused = false;
    m_titleEditor->clearFocus();
    m_titleEditor->hide();
    m_titleLabel->show();
    relayout();
}

void CategoryView::startTitleEdit()
{
    if (isAllTasksCategory())
        return;
    m_editingTitle = m_category.title;
    setEditing(true);
}

void CategoryView::cancelTitleEdit()
{
    setEditingTitle(m_category.title);
    setEditing(false);
}

void CategoryView::commitTitleEdit()
{
    const QString t = m_editingTitle.trimmed();
    if (t.toLower() == QLatin1String("all tasks")) {
        Log::line(QStringLiteral("❌ Cannot rename category to 'All Tasks' - this name is reserved"));
        cancelTitleEdit();
        return;
    }
    if (!t.isEmpty() && t != m_category.title) {
        const QString oldTitle = m_category.title;
        m_category.title = t;
        applyTitle();
        if (m_actions)
            m_actions->renameCategory(m_category.id, t);
        Log::line(QStringLiteral("✅ Category title updated: '") + oldTitle + QStringLiteral("' → '") + t + QStringLiteral("' (ID: ")
                  + idText(m_category.id) + QStringLiteral(")"));
    }
    setEditing(false);
}

bool CategoryView::handleTitleKeyPress(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    cancelTitleEdit();
    return true;
}

// Actions

PromptRequest CategoryView::deleteCategoryAlert(const QString &title, bool hasRunningTasks, int runningTasksCount, int taskCount)
{
    PromptRequest request;
    request.title = QStringLiteral("Delete Category");
    request.style = PromptRequest::Style::Warning;
    if (hasRunningTasks) {
        request.text = QStringLiteral("Cannot delete '") + title + QStringLiteral("' because ") + QString::number(runningTasksCount)
                       + QStringLiteral(" task(s) are currently running.\n\nPlease wait for all tasks to complete before deleting this category.");
        request.buttons = {QStringLiteral("Cancel")};
    } else {
        request.text = QStringLiteral("Are you sure you want to delete '") + title + QStringLiteral("'?\n\nThis will also delete all ")
                       + QString::number(taskCount) + QStringLiteral(" task(s) in this category.\n\nThis action cannot be undone.");
        request.buttons = {QStringLiteral("Cancel"), QStringLiteral("Delete")};
    }
    request.cancelIndex = 0;
    return request;
}

void CategoryView::requestDeleteCategory()
{
    if (isAllTasksCategory() || m_showDeleteConfirmation)
        return;
    m_showDeleteConfirmation = true;
    const PromptRequest request = deleteCategoryAlert(m_category.title, hasRunningTasks(), runningTasksCount(), int(categoryTasks().size()));
    const bool offersDelete = request.buttons.size() > 1;
    // Inside the canvas the column is no window of its own: the alert stands alone then.
    QWidget *parent = window()->graphicsProxyWidget() ? nullptr : this;
    QPointer<CategoryView> self(this);
    ModalPrompt::askAsync(request, this, [self, offersDelete](int answer) {
        if (!self)
            return;
        self->m_showDeleteConfirmation = false;
        if (offersDelete && answer == 1)
            self->confirmDeleteCategory();
    }, parent);
}

void CategoryView::confirmDeleteCategory()
{
    m_showDeleteConfirmation = false;
    if (isAllTasksCategory())
        return;
    if (m_actions)
        m_actions->deleteCategory(m_category.id);
}

void CategoryView::notificationTapped()
{
    Log::line(QStringLiteral("Notification button tapped for category: ") + m_category.title);
}

void CategoryView::addNewTask()
{
    NotificationCenter::defaultCenter().post(QStringLiteral("focusCanvasAIOverlayWithCategory"), {},
                                             {{QStringLiteral("categoryTitle"), m_category.title}});
    Log::line(QStringLiteral("Add new task tapped for category: ") + m_category.title);
}

void CategoryView::deleteTask(TaskData *task)
{
    if (!task)
        return;
    const QPointer<TaskData> guard(task);
    const QUuid taskId = task->id();
    for (const QPointer<TaskData> &open : std::as_const(m_selectedTasks)) {
        if (open && open->id() == taskId) {
            removeFromDetail(task);
            break;
        }
    }
    // An answer still streaming into the task is stopped first, through the coordinator, so it
    // never writes into a deleted task. The stored status is asked, not a card's cached copy.
    if (task->streamStatus() == StreamStatus::Streaming) {
        TaskCardBehaviours::stopStream(task);
        if (!guard)
            return;
        task->setStreamStatus(StreamStatus::Failed);
    }
    if (!m_modelContext)
        return;
    if (CategoryData *category = task->category()) {
        try {
            QList<TaskData *> tasks = m_modelContext->fetch<TaskData>(Predicate::equal(QStringLiteral("category"), category));
            tasks.removeIf([&taskId](TaskData *t) { return t->id() == taskId; });
            category->setTasks(tasks);
        } catch (const StoreError &error) {
            Log::line(QStringLiteral("Error fetching category tasks: ") + error.localizedDescription());
        }
        task->setCategory(nullptr);
    }
    for (AppIconData *app : task->apps()) {
        if (app)
            app->removeTask(task);
    }
    task->setApps({});
    m_modelContext->remove(task);
    try {
        m_modelContext->save();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Error saving task deletion: ") + error.localizedDescription());
    }
}

// Detail mode

QList<TaskData *> CategoryView::selectedTasks() const
{
    QList<TaskData *> out;
    for (const QPointer<TaskData> &t : m_selectedTasks) {
        if (t)
            out.append(t);
    }
    return out;
}

void CategoryView::postScrollToCategory()
{
    NotificationCenter::defaultCenter().post(QStringLiteral("canvasScrollToCategory"), {},
                                             {{QStringLiteral("x"), double(m_currentPosition.x())},
                                              {QStringLiteral("y"), double(m_currentPosition.y())},
                                              {QStringLiteral("dy"), int(scrollDy)}});
}

QVariantMap CategoryView::deltaPayload(const QRectF &w, const QRectF &r)
{
    const double dx = w.center().x() - r.center().x();
    const double dy = w.center().y() - (r.center().y() + detailCentreDrop);
    return {{QStringLiteral("dx"), dx}, {QStringLiteral("dy"), dy}};
}

std::optional<QRectF> CategoryView::windowFrame() const
{
    return m_windowFrame ? m_windowFrame() : std::nullopt;
}

void CategoryView::handleTaskTap(TaskData *task)
{
    if (!task)
        return;
    const QUuid id = task->id();
    bool open = false;
    for (const QPointer<TaskData> &t : std::as_const(m_selectedTasks))
        open = open || (t && t->id() == id);
    if (open) {
        // The canvas may have moved since the row was last measured.
        measureDetailRows();
        auto frame = m_detailFrames.constFind(id);
        if (frame != m_detailFrames.constEnd()) {
            const QRectF w = windowFrame().value_or(QRectF());
            NotificationCenter::defaultCenter().post(QStringLiteral("canvasScrollDelta"), {}, deltaPayload(w, *frame));
            QPointer<CategoryView> self(this);
            Scheduler::instance().singleShot(zoomDelayMs, this, [self] {
                if (self)
                    self->postZoomToDetail();
            });
        } else {
            postScrollToCategory();
        }
        return;
    }
    if (m_preparingForDetail.contains(id) || m_selectedTasks.size() >= maxOpenTasks)
        return;
    m_preparingForDetail.insert(id);
    QPointer<CategoryView> self(this);
    QPointer<TaskData> guard(task);
    Scheduler::instance().singleShot(detailDelayMs, this, [self, guard, id] {
        if (!self)
            return;
        if (!guard) {
            self->m_preparingForDetail.remove(id);
            return;
        }
        self->openTaskDetail(guard);
    });
}

void CategoryView::openTaskDetail(TaskData *task)
{
    if (!task)
        return;
    // A removal while it waited wins.
    if (!m_preparingForDetail.contains(task->id()))
        return;
    m_selectedTasks.prepend(task);
    m_preparingForDetail.remove(task->id());
    postScrollToCategory();
    refresh();
}

void CategoryView::closeTaskDetail(TaskData *task)
{
    if (!task)
        return;
    const QUuid id = task->id();
    if (m_preparingForClose.contains(id))
        return;
    m_fadingOutTasks.insert(id);
    m_preparingForClose.insert(id);
    relayout();
    QPointer<CategoryView> self(this);
    Scheduler::instance().singleShot(fadeOutMs, this, [self, id] {
        if (!self)
            return;
        self->m_selectedTasks.removeIf([&id](const QPointer<TaskData> &t) { return !t || t->id() == id; });
        self->m_detailFrames.remove(id);
        self->refresh();
        Scheduler::instance().singleShot(closeSettleMs, self, [self, id] {
            if (!self)
                return;
            self->m_preparingForClose.remove(id);
            self->m_fadingOutTasks.remove(id);
            self->refresh();
        });
    });
}

void CategoryView::removeFromDetail(TaskData *task)
{
    if (!task)
        return;
    const QUuid id = task->id();
    m_selectedTasks.removeIf([&id](const QPointer<TaskData> &t) { return !t || t->id() == id; });
    m_preparingForClose.remove(id);
    m_fadingOutTasks.remove(id);
    m_preparingForDetail.remove(id);
    m_detailFrames.remove(id);
    refresh();
}

void CategoryView::detailRowAppeared(const QRectF &globalFrame, TaskData *task)
{
    if (!task)
        return;
    m_detailFrames.insert(task->id(), globalFrame);
    if (const std::optional<QRectF> w = windowFrame())
        NotificationCenter::defaultCenter().post(QStringLiteral("canvasScrollDelta"), {}, deltaPayload(*w, globalFrame));
    QPointer<CategoryView> self(this);
    Scheduler::instance().singleShot(zoomDelayMs, this, [self] {
        if (self)
            self->postZoomToDetail();
    });
}

void CategoryView::detailFrameChanged(const QRectF &n, TaskData *task)
{
    if (!task)
        return;
    const QRectF o = m_detailFrames.value(task->id());
    if (std::abs(n.center().x() - o.center().x()) > 1 || std::abs(n.center().y() - o.center().y()) > 1)
        m_detailFrames.insert(task->id(), n);
}

void CategoryView::postZoomToDetail()
{
    NotificationCenter::defaultCenter().post(QStringLiteral("canvasZoomToDetail"));
}

void CategoryView::handleAutoExpandTask(const Notification &notification)
{
    const QVariant taskId = notification.userInfo.value(QStringLiteral("taskId"));
    const QVariant title = notification.userInfo.value(QStringLiteral("categoryTitle"));
    if (taskId.typeId() != QMetaType::QString || title.typeId() != QMetaType::QString)
        return;
    if (title.toString() != m_category.title)
        return;
    const std::optional<QUuid> id = UuidText::parse(taskId.toString());
    if (!id)
        return;
    TaskData *found = nullptr;
    for (TaskData *task : categoryTasks()) {
        if (task->id() == *id) {
            found = task;
            break;
        }
    }
    if (!found)
        return;
    QPointer<CategoryView> self(this);
    QPointer<TaskData> guard(found);
    Scheduler::instance().singleShot(detailDelayMs, this, [self, guard] {
        if (self && guard)
            self->handleTaskTap(guard);
    });
}

void CategoryView::setupNotificationObservers()
{
    removeNotificationObservers();
    // Quitting clears the shared web data once for the whole application, not per column.
    QPointer<CategoryView> self(this);
    m_notificationObservers.append(NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("autoExpandTask"), this, [self](const Notification &n) {
            if (self)
                self->handleAutoExpandTask(n);
        }));
}

void CategoryView::removeNotificationObservers()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();
}

void CategoryView::pruneDetailFrames()
{
    QSet<QUuid> open;
    for (const QPointer<TaskData> &t : std::as_const(m_selectedTasks)) {
        if (t)
            open.insert(t->id());
    }
    for (auto it = m_detailFrames.begin(); it != m_detailFrames.end();) {
        if (open.contains(it.key()))
            ++it;
        else
            it = m_detailFrames.erase(it);
    }
}

void CategoryView::setGeometryResolvers(FrameOfWidget frameOf, WindowFrame windowFrame)
{
    m_frameOf = std::move(frameOf);
    m_windowFrame = std::move(windowFrame);
}

void CategoryView::measureDetailRows()
{
    if (!m_frameOf)
        return;
    for (auto it = m_detailRows.constBegin(); it != m_detailRows.constEnd(); ++it) {
        const std::shared_ptr<DetailRow> &row = it.value();
        if (!row->task || row->rect.isEmpty())
            continue;
        const QRectF frame = m_frameOf(this, QRectF(row->rect));
        if (m_unmeasuredRows.remove(it.key()))
            detailRowAppeared(frame, row->task);
        else
            detailFrameChanged(frame, row->task);
    }
}

// Drops

bool CategoryView::performDrop(const QMimeData *data)
{
    return m_dropDelegate->performDrop(data);
}

void CategoryView::dragEnterEvent(QDragEnterEvent *event)
{
    if (CardDropDelegate::acceptsDrop(event->mimeData()) && gridRect().contains(event->position().toPoint())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

void CategoryView::dragMoveEvent(QDragMoveEvent *event)
{
    if (CardDropDelegate::acceptsDrop(event->mimeData()) && gridRect().contains(event->position().toPoint())) {
        event->setDropAction(Qt::MoveAction);
        event->accept(gridRect());
        return;
    }
    event->ignore();
}

void CategoryView::dropEvent(QDropEvent *event)
{
    if (!gridRect().contains(event->position().toPoint()) || !performDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

// Events

bool CategoryView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_titleLabel && event->type() == QEvent::MouseButtonDblClick) {
        startTitleEdit();
        return true;
    }
    if (watched == m_titleEditor) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (handleTitleKeyPress(static_cast<QKeyEvent *>(event)))
                return true;
            break;
        case QEvent::FocusIn:
            m_titleFieldFocused = true;
            break;
        case QEvent::FocusOut:
            if (m_titleFieldFocused) {
                m_titleFieldFocused = false;
                commitTitleEdit();
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CategoryView::mousePressEvent(QMouseEvent *event)
{
    m_tapPressed = true;
    event->accept();
}

void CategoryView::mouseReleaseEvent(QMouseEvent *event)
{
    // A tap on the column that no inner control took ends the title edit.
    if (m_tapPressed && m_isEditingTitle)
        commitTitleEdit();
    m_tapPressed = false;
    event->accept();
}

void CategoryView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QPointer<CategoryView> self(this);
    MainQueue::post(this, [self] {
        if (self)
            self->setupNotificationObservers();
    });
}

void CategoryView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    removeNotificationObservers();
    pruneDetailFrames();
}

void CategoryView::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    measureDetailRows();
}

// Refresh and layout

void CategoryView::scheduleRefresh()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QPointer<CategoryView> self(this);
    MainQueue::post(this, [self] {
        if (self && self->m_refreshPending)
            self->refresh();
    });
}

void CategoryView::refreshNow()
{
    if (m_categoryTasks)
        m_categoryTasks->refetch();
    refresh();
}

void CategoryView::refresh()
{
    m_refreshPending = false;
    ++m_refreshCount;
    for (TaskData *task : categoryTasks())
        watchTask(task);
    syncCards();
    syncDetailRows();
    updateHeader();
    relayout();
}

void CategoryView::watchTask(TaskData *task)
{
    if (m_watchedTasks.contains(task))
        return;
    m_watchedTasks.insert(task);
    QPointer<CategoryView> self(this);
    connect(task, &QObject::destroyed, this, [self, task] {
        if (self)
            self->m_watchedTasks.remove(task);
    });
    // The header counts streaming tasks; the search reads titles and summaries.
    connect(task, &TaskData::streamStatusChanged, this, &CategoryView::scheduleRefresh);
    auto searchInput = [self] {
        if (self && !self->m_searchText.trimmed().isEmpty())
            self->scheduleRefresh();
    };
    connect(task, &TaskData::titleChanged, this, searchInput);
    connect(task, &TaskData::summaryChanged, this, searchInput);
}

void CategoryView::syncCards()
{
    const QList<TaskData *> wanted = filteredTasks();
    QHash<QUuid, QPointer<TaskCardView>> kept;
    QList<QPointer<TaskCardView>> order;
    QPointer<CategoryView> self(this);
    for (TaskData *task : wanted) {
        const QUuid id = task->id();
        QPointer<TaskCardView> card = m_cards.take(id);
        if (card && card->task() != task) {
            card->hide();
            card->deleteLater();
            card = nullptr;
        }
        if (!card) {
            card = new TaskCardView(task, m_modelContext, this);
            card->setOnSummaryTap([self](TaskData *t) {
                if (self)
                    self->handleTaskTap(t);
            });
            card->setOnDeleteTap([self](TaskData *t) {
                if (self)
                    self->deleteTask(t);
            });
            TaskCardView *raw = card;
            connect(card, &TaskCardView::tapped, this, [self, raw] {
                if (self && raw->task())
                    self->handleTaskTap(raw->task());
            });
            card->show();
        }
        kept.insert(id, card);
        order.append(card);
    }
    // Cards no longer listed go on a later turn: one may be running its own delete handler.
    for (const QPointer<TaskCardView> &gone : std::as_const(m_cards)) {
        if (gone) {
            gone->hide();
            gone->deleteLater();
        }
    }
    m_cards = kept;
    m_cardOrder = order;
}

void CategoryView::syncDetailRows()
{
    m_selectedTasks.removeIf([](const QPointer<TaskData> &t) { return !t; });
    QSet<QUuid> open;
    QPointer<CategoryView> self(this);
    for (const QPointer<TaskData> &task : std::as_const(m_selectedTasks)) {
        const QUuid id = task->id();
        open.insert(id);
        if (m_detailRows.contains(id))
            continue;
        auto row = std::make_shared<DetailRow>();
        row->task = task;
        row->card = new CanvasTaskItemView(task, 0, false, m_modelContext, this);
        row->card->setOnDeleteTap([self](TaskData *t) {
            if (self)
                self->deleteTask(t);
        });
        row->card->setOnSummaryTap([self](TaskData *t) {
            if (self)
                self->handleTaskTap(t);
        });
        QPointer<TaskData> guard(task);
        connect(row->card, &CanvasTaskItemView::tapped, this, [self, guard] {
            if (self && guard)
                self->handleTaskTap(guard);
        });
        row->close = new CircleButton(QStringLiteral("btn_close"), nullptr, std::nullopt, qreal(L::closeButtonSize), [self, guard] {
            if (self && guard)
                self->closeTaskDetail(guard);
        }, this);
        row->web = new TaskWebContentView(task, this);
        row->card->show();
        row->close->show();
        row->web->show();
        m_detailRows.insert(id, row);
        m_unmeasuredRows.insert(id);
    }
    for (auto it = m_detailRows.begin(); it != m_detailRows.end();) {
        if (open.contains(it.key())) {
            ++it;
        } else {
            m_unmeasuredRows.remove(it.key());
            it = m_detailRows.erase(it);
        }
    }
}

void CategoryView::updateHeader()
{
    const QList<TaskData *> tasks = categoryTasks();
    m_controls->setTaskCount(int(tasks.size()));
    m_controls->setHasRunningTasks(hasRunningTasks());
    m_controls->setIsAllTasksCategory(isAllTasksCategory());
}

int CategoryView::headerHeight() const
{
    return L::headerRowHeight(QFontMetrics(titleFont()).height());
}

QRect CategoryView::gridRect() const
{
    return L::gridRect(int(m_cardOrder.size()) + 1, headerHeight());
}

void CategoryView::relayout()
{
    const int header = headerHeight();
    const int titleHeight = QFontMetrics(titleFont()).height();
    const int rowTop = L::outerPadding + L::headerVerticalPadding;
    const int rowInner = header - 2 * L::headerVerticalPadding;
    const int titleX = L::outerPadding + L::headerLeadingPadding;
    QWidget *title = m_isEditingTitle ? static_cast<QWidget *>(m_titleEditor) : m_titleLabel;
    const int titleWidth = m_isEditingTitle ? std::max(QFontMetrics(titleFont()).horizontalAdvance(m_editingTitle) + 24, 360)
                                            : QFontMetrics(titleFont()).horizontalAdvance(m_category.title) + 4;
    const int maxTitle = L::contentWidth - L::headerLeadingPadding - L::headerSpacing - m_controls->width();
    title->setGeometry(titleX, rowTop + (rowInner - titleHeight) / 2, std::min(titleWidth, std::max(0, maxTitle)), titleHeight);
    m_controls->move(title->geometry().right() + 1 + L::headerSpacing, rowTop + (rowInner - L::headerControlsHeight) / 2);

    int index = 0;
    for (const QPointer<TaskCardView> &card : std::as_const(m_cardOrder)) {
        if (card)
            card->setCardGeometry(L::gridItemRect(index, header));
        ++index;
    }
    m_emptyCard->setGeometry(L::gridItemRect(index, header));

    const int items = int(m_cardOrder.size()) + 1;
    int y = L::outerPadding + L::cardHeight(items, header) + L::cardBottomPadding + L::stackSpacing;
    const int cardHeight = CanvasTaskItemView::cardSize.height();
    const int lineWidth = CanvasTaskItemView::cardSize.width() + L::detailHeaderSpacing + L::closeButtonSize + L::closeButtonTrailing;
    const int lineLeft = L::outerPadding + (L::contentWidth - lineWidth) / 2;
    int openRows = 0;
    for (const QPointer<TaskData> &task : std::as_const(m_selectedTasks)) {
        if (!task)
            continue;
        const std::shared_ptr<DetailRow> row = m_detailRows.value(task->id());
        if (!row)
            continue;
        ++openRows;
        row->rect = QRect(L::outerPadding, y, L::contentWidth, L::detailRowHeight(cardHeight));
        row->card->setCardGeometry(QRect(lineLeft, y, CanvasTaskItemView::cardSize.width(), cardHeight));
        row->close->setGeometry(lineLeft + CanvasTaskItemView::cardSize.width() + L::detailHeaderSpacing,
                                y + (cardHeight - L::closeButtonSize) / 2, L::closeButtonSize, L::closeButtonSize);
        row->web->setGeometry(L::outerPadding, y + std::max(cardHeight, int(L::closeButtonSize)) + L::detailRowSpacing, L::contentWidth,
                              L::webContentHeight);
        // A fading row keeps its place while it is gone from sight.
        const bool visible = !m_fadingOutTasks.contains(task->id());
        row->card->setVisible(visible);
        row->close->setVisible(visible);
        row->web->setVisible(visible);
        y += row->rect.height() + L::detailSpacing;
    }
    const int height = L::columnHeight(items, header, openRows, showsDetailArea(), cardHeight);
    if (size() != QSize(L::columnWidth, height)) {
        setFixedSize(L::columnWidth, height);
        updateGeometry();
    }
    measureDetailRows();
    update();
}

QSize CategoryView::sizeHint() const
{
    return QSize(L::columnWidth, height());
}

QList<TaskCardView *> CategoryView::cardViews() const
{
    QList<TaskCardView *> out;
    for (const QPointer<TaskCardView> &c : m_cardOrder) {
        if (c)
            out.append(c);
    }
    return out;
}

CanvasTaskItemView *CategoryView::detailCard(const QUuid &taskId) const
{
    const std::shared_ptr<DetailRow> row = m_detailRows.value(taskId);
    return row ? row->card : nullptr;
}

TaskWebContentView *CategoryView::webContent(const QUuid &taskId) const
{
    const std::shared_ptr<DetailRow> row = m_detailRows.value(taskId);
    return row ? row->web : nullptr;
}

CircleButton *CategoryView::closeButton(const QUuid &taskId) const
{
    const std::shared_ptr<DetailRow> row = m_detailRows.value(taskId);
    return row ? row->close : nullptr;
}

void CategoryView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), L::columnCornerRadius, L::columnCornerRadius);
    // White at 80 %, further at 30 %, in either appearance.
    p.fillPath(shape, QColor(255, 255, 255, qRound(255 * 0.8 * 0.3)));
}
