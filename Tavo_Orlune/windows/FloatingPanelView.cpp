#include "windows/FloatingPanelView.h"
#include "Platform/Store/FetchedResults.h"
#include "windows/FloatingPanelState.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/NotificationCenter.h"
#include "windows/PanelNotificationManager.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/UuidText.h"
#include "windows/WindowPlacement.h"
#include "categories/TaskItemView.h"
#include "chat/EmbeddedChatView.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "analytics/AnalyticsService.h"
#include "chat/ChatCoordinator.h"
#include "theme/BlurredGradientBackground.h"
#include "theme/CircleButton.h"
#include "theme/ImageBlur.h"
#include "theme/Materials.h"
#include "theme/ScaleEffect.h"
#include "theme/Sizes.h"
#include "windows/EmptyStateCard.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <cmath>

namespace {
constexpr double kBottomPadding = 8;
constexpr double kSpacing = 8;
constexpr double kHeaderHeight = 32;
constexpr double kChatTopPadding = 12;
constexpr double kChatHeight = 600;
constexpr double kStackPadding = 12;
constexpr double kBackdropInset = 100;
const QString kStackChannel = QStringLiteral("stack");
const QString kEntranceChannel = QStringLiteral("entrance");
const QString kExitChannel = QStringLiteral("exit");

void post(const QString &name, const QVariantMap &userInfo = {})
{
    NotificationCenter::defaultCenter().post(name, {}, userInfo);
}

Settings &settings()
{
    return Settings::instance();
}

QString idText(const TaskData *task)
{
    return UuidText::toText(task->id());
}

// One of the header's two button groups: a pill of round buttons over a soft gradient.
class HeaderGroup : public QWidget {
public:
    explicit HeaderGroup(QWidget *parent)
        : QWidget(parent)
        , m_background(new BlurredGradientBackground(std::nullopt, 68, 0.3, this))
    {
        m_background->hide();
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->setSpacing(8);
        setFixedHeight(int(kHeaderHeight));
        auto *shadow = new QGraphicsDropShadowEffect(this);
        shadow->setColor(QColor(0, 0, 0, int(0.07 * 255)));
        shadow->setBlurRadius(14);
        shadow->setOffset(0, 8);
        setGraphicsEffect(shadow);
    }
    void addButton(QWidget *button) { static_cast<QHBoxLayout *>(layout())->addWidget(button); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), Sizes::cornerRadiusMedium, Sizes::cornerRadiusMedium);
        p.setClipPath(clip);
        m_background->paintBackground(p, QRectF(rect()));
    }

private:
    BlurredGradientBackground *m_background;
};

// The list area: paints the soft backdrop under the list, centred on its bottom part.
class ListArea : public QWidget {
public:
    explicit ListArea(QWidget *parent) : QWidget(parent) {}
    QRectF contentRect; // the list's own part of the widget (the rest lets stacked cards overflow)
    double backdropHeight = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (backdropHeight <= 0.5)
            return;
        const QSizeF size(Sizes::panelWidth - kBackdropInset, backdropHeight);
        if (m_backdrop.isNull() || m_backdropSize != size) {
            // Rendered once per size: a rounded veil blurred by 25.
            const qreal margin = 60;
            const qreal dpr = devicePixelRatioF();
            QImage image(QSize(int(std::ceil((size.width() + 2 * margin) * dpr)), int(std::ceil((size.height() + 2 * margin) * dpr))),
                         QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            image.fill(Qt::transparent);
            QPainter ip(&image);
            ip.setRenderHint(QPainter::Antialiasing);
            ip.setPen(Qt::NoPen);
            ip.setBrush(Materials::ultraThin());
            ip.drawRoundedRect(QRectF(QPointF(margin, margin), size), Sizes::cornerRadiusLarge, Sizes::cornerRadiusLarge);
            ip.end();
            m_backdrop = ImageBlur::blurred(image, 25);
            m_backdropSize = size;
        }
        QPainter p(this);
        const QPointF centre = contentRect.center();
        const QSizeF full = QSizeF(m_backdrop.size()) / m_backdrop.devicePixelRatio();
        p.drawImage(QPointF(centre.x() - full.width() / 2, centre.y() - full.height() / 2), m_backdrop);
    }

private:
    QImage m_backdrop;
    QSizeF m_backdropSize;
};

template<class T>
double lerp(T a, T b, double p)
{
    return a + (b - a) * p;
}
}

const Spring &FloatingPanelView::panelSpring()
{
    static const Spring s{0.3, 0.8};
    return s;
}

const Spring &FloatingPanelView::chatExitSpring()
{
    static const Spring s{0.25, 0.85};
    return s;
}

FloatingPanelView::FloatingPanelView(ModelContext *modelContext, ChatCoordinator *mainViewModel, QWidget *parent)
    : QWidget(parent)
    , m_modelContext(modelContext)
    , m_mainViewModel(mainViewModel)
    , m_tasks(new FetchedResults(modelContext, FetchDescriptor::of<TaskData>({}, {{QStringLiteral("createdAt"), false}}), this))
    , m_viewState(new FloatingPanelState(this))
    , m_screenHeight([]() -> std::optional<double> {
        const auto frames = WindowPlacement::mainScreenFrames();
        if (!frames)
            return std::nullopt;
        return frames->available.height();
    })
    , m_layoutAnimation(new QVariantAnimation(this))
    , m_entrance(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("FloatingPanelView"));
    setAttribute(Qt::WA_TranslucentBackground);

    m_listArea = new ListArea(this);
    m_listArea->setObjectName(QStringLiteral("FloatingPanelListArea"));
    m_scroll = new QScrollArea(m_listArea);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->viewport()->installEventFilter(this);
    m_listContent = new QWidget;
    m_listContent->setAutoFillBackground(false);
    m_listLayout = new QVBoxLayout(m_listContent);
    m_listLayout->setContentsMargins(16, 3, 16, 3);
    m_listLayout->setSpacing(int(Sizes::spacingM));
    m_listLayout->addStretch(1);
    m_scroll->setWidget(m_listContent);
    m_listContent->setAutoFillBackground(false); // setWidget() turned it on

    buildHeader();

    connect(m_layoutAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        const double p = value.toDouble();
        m_current.listHeight = lerp(m_from.listHeight, m_to.listHeight, p);
        m_current.backdropHeight = lerp(m_from.backdropHeight, m_to.backdropHeight, p);
        m_current.rows.clear();
        for (auto it = m_to.rows.cbegin(); it != m_to.rows.cend(); ++it) {
            const RowParams from = m_from.rows.value(it.key(), RowParams{});
            m_current.rows.insert(it.key(), RowParams{lerp(from.offset, it->offset, p), lerp(from.scale, it->scale, p),
                                                      lerp(from.opacity, it->opacity, p)});
        }
        applyLayout();
    });
    connect(m_entrance, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_entranceValue = value.toDouble();
        ScaleEffect *effect = ScaleEffect::of(m_listArea);
        effect->setScale(kEntranceChannel, 0.8 + 0.2 * m_entranceValue);
        effect->setOpacity(kEntranceChannel, std::clamp(m_entranceValue, 0.0, 1.0));
    });
    connect(m_entrance, &QVariantAnimation::finished, this, [this] {
        // At rest the list area draws without an effect: the rows' own effects would not
        // repaint through one on their parent.
        if (m_entranceValue >= 1.0)
            m_listArea->setGraphicsEffect(nullptr);
    });
    ScaleEffect::of(m_listArea)->setScale(kEntranceChannel, 0.8);
    ScaleEffect::of(m_listArea)->setOpacity(kEntranceChannel, 0.0);

    connect(m_tasks, &FetchedResults::resultsChanged, this, [this] {
        syncRows();
        syncStack();
        syncEmptyCard();
        syncHeader();
        requestLayout();
    });
    connect(m_viewState, &FloatingPanelState::isCollapsedChanged, this, [this](bool collapsed) {
        const bool was = m_lastCollapsed;
        m_lastCollapsed = collapsed;
        for (QWidget *row : std::as_const(m_listRows))
            static_cast<TaskItemView *>(row)->setIsPanelCollapsed(collapsed);
        syncStack();
        syncChat();
        syncEmptyCard();
        syncHeader();
        requestLayout();
        handleCollapsedChange(was, collapsed);
    });
    connect(m_viewState, &FloatingPanelState::selectedTaskChanged, this, [this] {
        syncStack();
        syncChat();
        requestLayout();
    });
    connect(m_viewState, &FloatingPanelState::isAnimatingChanged, this, &FloatingPanelView::runEntrance);
    connect(m_viewState, &FloatingPanelState::chatExitingAnimationChanged, this, [this](bool exiting) {
        if (!m_chatView)
            return;
        if (!exiting) {
            // At rest without an effect, which would stop the chat's own parts repainting.
            if (qobject_cast<ScaleEffect *>(m_chatView->graphicsEffect())) {
                ScaleEffect *effect = ScaleEffect::of(m_chatView);
                effect->setScale(kExitChannel, 1.0);
                effect->setOpacity(kExitChannel, 1.0);
                ScaleEffect::releaseIfIdle(m_chatView);
            }
            return;
        }
        ScaleEffect *effect = ScaleEffect::of(m_chatView);
        effect->setScale(kExitChannel, exiting ? 0.9 : 1.0);
        effect->setOpacity(kExitChannel, exiting ? 0.0 : 1.0);
    });
    connect(&settings(), &Settings::valueChanged, this, [this](const QString &key) {
        if (key == showChatKey) {
            syncChat();
            syncHeader();
            requestLayout();
        }
    });

    syncRows();
    syncStack();
    syncEmptyCard();
    syncHeader();
    requestLayout();
}

FloatingPanelView::~FloatingPanelView()
{
    if (m_notificationManager)
        m_notificationManager->teardown();
}

ChatCoordinator *FloatingPanelView::mainViewModel() const
{
    return m_mainViewModel;
}

void FloatingPanelView::setScreenHeightProvider(ScreenHeightProvider provider)
{
    m_screenHeight = std::move(provider);
    requestLayout();
}

// ---------------------------------------------------------------------------------------------
// Reading

QList<TaskData *> FloatingPanelView::tasks() const
{
    QList<TaskData *> out;
    for (TaskData *t : m_tasks->results<TaskData>())
        if (!t->isDeleted())
            out.append(t);
    return out;
}

QList<TaskData *> FloatingPanelView::visibleTasks() const
{
    return FloatingPanelLayout::visibleTasks(tasks(), m_viewState->selectedTask());
}

double FloatingPanelView::panelHeight() const
{
    const int n = int(tasks().size());
    return FloatingPanelLayout::panelHeight(n, n > 0 && m_screenHeight ? m_screenHeight() : std::nullopt);
}

double FloatingPanelView::collapsedListHeight() const
{
    return FloatingPanelLayout::collapsedListHeight(m_viewState->isCollapsed(), int(visibleTasks().size()), int(tasks().size()));
}

bool FloatingPanelView::persistedShowChat() const
{
    return settings().boolValue(showChatKey, false);
}

bool FloatingPanelView::isChatOpen() const
{
    return m_viewState->isCollapsed() && m_viewState->selectedTask() && persistedShowChat();
}

QString FloatingPanelView::collapseButtonImage() const
{
    if (tasks().isEmpty())
        return {};
    if (persistedShowChat())
        return QStringLiteral("btn_collapse");
    if (m_viewState->isCollapsed())
        return QStringLiteral("btn_expand");
    return QStringLiteral("btn_collapse");
}

TaskData *FloatingPanelView::findListedTask(const QString &taskId) const
{
    for (TaskData *t : tasks())
        if (idText(t) == taskId)
            return t;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// State and transitions

void FloatingPanelView::animated(const Spring &spring, const std::function<void()> &fn)
{
    const Spring *previous = m_transaction;
    m_transaction = &spring;
    fn();
    m_transaction = previous;
}

void FloatingPanelView::after(double seconds, std::function<void()> fn)
{
    Scheduler::instance().singleShot(qint64(std::llround(seconds * 1000.0)), this, std::move(fn));
}

void FloatingPanelView::postPanelSizeUpdate()
{
    post(QStringLiteral("panelSizeShouldUpdate"));
}

void FloatingPanelView::restorePersistedState()
{
    m_viewState->setIsCollapsed(settings().boolValue(collapsedKey, false));
    m_viewState->setPersistedShowChat(settings().boolValue(showChatKey, false));
    const QString storedId = settings().stringValue(selectedTaskIdKey);
    m_viewState->setPersistedSelectedTaskId(storedId);
    if (!storedId.isEmpty()) {
        m_viewState->setSelectedTask(findListedTask(storedId));
        if (m_viewState->selectedTask())
            m_viewState->setHideControlButton(settings().boolValue(showChatKey, false));
    }
}

void FloatingPanelView::setupNotifications()
{
    // A manager left from an earlier appearance would answer every notification twice.
    if (m_notificationManager) {
        m_notificationManager->teardown();
        m_notificationManager->deleteLater();
    }
    auto *manager = new PanelNotificationManager(this);
    manager->onAppear = [this] {
        restorePersistedState();
        m_viewState->setIsAnimating(true);
    };
    manager->onDisappear = [this] { m_viewState->setIsAnimating(false); };
    manager->onOpenChat = [this](const QString &taskId) {
        MainQueue::post(this, [this, taskId] {
            postPanelSizeUpdate();
            openChatForTask(taskId);
        });
    };
    manager->setup();
    m_notificationManager = manager;
}

void FloatingPanelView::toggleCollapsed()
{
    animated(panelSpring(), [this] {
        const bool collapsed = !m_viewState->isCollapsed();
        m_viewState->setIsCollapsed(collapsed);
        settings().setValue(collapsedKey, collapsed);
    });
    after(0.35, [this] { postPanelSizeUpdate(); });
}

void FloatingPanelView::expandFromCollapsed()
{
    settings().setValue(showChatKey, false);
    after(0.2, [this] { toggleCollapsed(); });
}

void FloatingPanelView::openChat(double delaySeconds)
{
    m_viewState->setIsCollapsed(true);
    settings().setValue(collapsedKey, true);
    after(delaySeconds, [this] { animated(panelSpring(), [this] { showChat(); }); });
}

void FloatingPanelView::openChatAnimated(double delaySeconds)
{
    animated(panelSpring(), [this, delaySeconds] { openChat(delaySeconds); });
}

void FloatingPanelView::showChat()
{
    m_viewState->setHideControlButton(true);
    settings().setValue(showChatKey, true);
}

void FloatingPanelView::closeChat(std::function<void()> completion)
{
    settings().setValue(showChatKey, false);
    animated(chatExitSpring(), [this] { m_viewState->setChatExitingAnimation(true); });
    after(0.15, [this, completion = std::move(completion)] {
        m_viewState->setChatExitingAnimation(false);
        m_viewState->setHideControlButton(false);
        after(0.05, [completion] {
            if (completion)
                completion();
        });
    });
    after(0.4, [this] { postPanelSizeUpdate(); });
}

void FloatingPanelView::clearSelection()
{
    m_viewState->setSelectedTask(nullptr);
    settings().setValue(selectedTaskIdKey, QString());
}

void FloatingPanelView::clearSelectionAndChat()
{
    settings().setValue(showChatKey, false);
    m_viewState->setSelectedTask(nullptr);
    settings().setValue(selectedTaskIdKey, QString());
}

void FloatingPanelView::selectTask(TaskData *task)
{
    m_viewState->setSelectedTask(task);
    settings().setValue(selectedTaskIdKey, idText(task));
}

void FloatingPanelView::reopenChat(TaskData *task)
{
    if (!task)
        return;
    selectTask(task);
    openChatAnimated(0.1);
}

void FloatingPanelView::selectTaskAndOpenChat(TaskData *task)
{
    if (!task)
        return;
    selectTask(task);
    if (persistedShowChat()) {
        QPointer<TaskData> guarded(task);
        closeChat([this, guarded] { reopenChat(guarded); });
    } else {
        openChatAnimated(0.1);
    }
    after(0.3, [this] { postPanelSizeUpdate(); });
}

void FloatingPanelView::openChatForTask(const QString &taskId)
{
    if (TaskData *task = findListedTask(taskId)) {
        selectTaskAndOpenChat(task);
        return;
    }
    auto attempts = std::make_shared<int>(0);
    after(0.1, [this, taskId, attempts] { retryOpenChat(taskId, attempts); });
}

void FloatingPanelView::retryOpenChat(const QString &taskId, std::shared_ptr<int> attempts)
{
    const int n = ++*attempts;
    if (TaskData *task = findListedTask(taskId)) {
        selectTaskAndOpenChat(task);
        return;
    }
    if (const std::optional<QUuid> uuid = UuidText::parse(taskId); uuid && m_modelContext) {
        try {
            const QList<TaskData *> found = m_modelContext->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), *uuid));
            if (!found.isEmpty()) {
                selectTaskAndOpenChat(found.first());
                return;
            }
        } catch (const StoreError &error) {
            Log::line(QStringLiteral("🔴 Error fetching task (attempt %1): ").arg(n) + error.localizedDescription());
        }
    }
    if (n < openChatAttempts)
        after(n * 0.2, [this, taskId, attempts] { retryOpenChat(taskId, attempts); });
    else
        Log::line(QStringLiteral("🔴 Failed to fetch task after %1 attempts - task ID: ").arg(openChatAttempts) + taskId);
}

void FloatingPanelView::handleCollapsedChange(bool wasCollapsed, bool isCollapsed)
{
    if (wasCollapsed && !isCollapsed && persistedShowChat())
        closeChat([this] { clearSelection(); });
    after(0.35, [this] { postPanelSizeUpdate(); });
}

// ---------------------------------------------------------------------------------------------
// The task list's actions

TaskData *FloatingPanelView::createNewTask()
{
    if (!m_modelContext)
        return nullptr;
    const QString title = QStringLiteral("New Task %1").arg(tasks().size() + 1);
    auto *task = new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, Scheduler::instance().now(), false,
                              std::nullopt, std::nullopt, StreamStatus::Idle, false);
    task->setProgress(0.1);
    m_modelContext->insert(task);
    try {
        const QList<CategoryData *> found = m_modelContext->fetch<CategoryData>(Predicate::equal(QStringLiteral("title"), QStringLiteral("All Tasks")));
        if (!found.isEmpty())
            task->setCategory(found.first()); // also lists the task in the category's tasks
        else
            Log::line(QStringLiteral("⚠️ All Tasks category not found, task will be created without category"));
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("❌ Error finding All Tasks category: ") + error.localizedDescription());
    }
    try {
        m_modelContext->save();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Error saving new task: ") + error.localizedDescription());
        return task;
    }
    if (CategoryData *category = task->category())
        Log::line(QStringLiteral("✅ Verified: Task '") + title + QStringLiteral("' still has category '") + category->title()
                  + QStringLiteral("' after save"));
    else
        Log::line(QStringLiteral("❌ ERROR: Task category became null after save - relationship corruption detected"));
    post(QStringLiteral("taskCreated"), {{QStringLiteral("taskId"), idText(task)}});
    return task;
}

void FloatingPanelView::deleteTask(TaskData *task)
{
    if (!task || !m_modelContext)
        return;
    const QString taskId = idText(task);
    TaskData *selected = m_viewState->selectedTask();
    if (selected && selected->id() == task->id())
        animated(panelSpring(), [this] { clearSelectionAndChat(); });
    // An answer still streaming into the task is stopped first (its query cancelled), so the
    // stream never writes into a deleted task.
    if (task->streamStatus() == StreamStatus::Streaming && m_mainViewModel)
        m_mainViewModel->stopStreaming(task);
    m_modelContext->remove(task);
    try {
        m_modelContext->save();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Error saving task deletion: ") + error.localizedDescription());
        return;
    }
    post(QStringLiteral("taskDeleted"), {{QStringLiteral("taskId"), taskId}});
}

void FloatingPanelView::viewSummary(TaskData *task)
{
    if (!task)
        return;
    AnalyticsService::shared().trackButtonTap(QStringLiteral("view_summary"),
                                              {{QStringLiteral("screen_name"), QStringLiteral("floating_panel")},
                                               {QStringLiteral("task_id"), idText(task)},
                                               {QStringLiteral("panel_collapsed"), m_viewState->isCollapsed()}});
    selectTask(task);
    if (persistedShowChat())
        closeChat([this] { openChatAnimated(0.2); });
    else
        openChatAnimated(0.2);
}

void FloatingPanelView::handleTaskTap(TaskData *task)
{
    if (!task)
        return;
    AnalyticsService::shared().trackButtonTap(QStringLiteral("select_task"),
                                              {{QStringLiteral("screen_name"), QStringLiteral("floating_panel")},
                                               {QStringLiteral("task_id"), idText(task)},
                                               {QStringLiteral("panel_collapsed"), m_viewState->isCollapsed()}});
    openTaskFromList(task);
}

void FloatingPanelView::openTaskFromList(TaskData *task)
{
    if (m_viewState->isCollapsed()) {
        toggleCollapsed();
        return;
    }
    selectTask(task);
    if (persistedShowChat())
        closeChat([this] { openChatAnimated(0.2); });
    else
        openChatAnimated(0.2);
}

void FloatingPanelView::handleCollapseButton()
{
    const QVariantMap screen{{QStringLiteral("screen_name"), QStringLiteral("floating_panel")}};
    if (persistedShowChat()) {
        AnalyticsService::shared().trackButtonTap(QStringLiteral("close_chat"), screen);
        closeChat();
    } else if (m_viewState->isCollapsed()) {
        AnalyticsService::shared().trackButtonTap(QStringLiteral("expand_panel"), screen);
        static const Spring expandSpring{0.3, 0.7};
        animated(expandSpring, [this] { expandFromCollapsed(); });
    } else {
        AnalyticsService::shared().trackButtonTap(QStringLiteral("collapse_panel"), screen);
        toggleCollapsed();
    }
}

void FloatingPanelView::handleCanvasButton()
{
    if (m_mainViewModel && m_mainViewModel->isCanvasVisible())
        post(QStringLiteral("showCanvasWindowFromPanel"));
    else
        post(QStringLiteral("toggleCanvasWindow"));
    post(QStringLiteral("togglePanelVisibilityForCanvas"));
}

void FloatingPanelView::requestTranscriptWindow()
{
    post(QStringLiteral("toggleTranscriptWindow"));
}

// ---------------------------------------------------------------------------------------------
// Content

void FloatingPanelView::buildHeader()
{
    m_header = new QWidget(this);
    m_header->setObjectName(QStringLiteral("FloatingPanelHeader"));
    auto *row = new QHBoxLayout(m_header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(Sizes::spacingM));
    QPointer<FloatingPanelView> self(this);
    auto *left = new HeaderGroup(m_header);
    left->addButton(new CircleButton(QStringLiteral("btn_add"), nullptr, std::nullopt, std::nullopt, [self] {
        if (self)
            self->requestTranscriptWindow();
    }));
    left->addButton(new CircleButton(QStringLiteral("btn_canvas"), nullptr, std::nullopt, std::nullopt, [self] {
        if (self)
            self->handleCanvasButton();
    }));
    auto *right = new HeaderGroup(m_header);
    right->addButton(new CircleButton(QStringLiteral("btn_minimize"), nullptr, std::nullopt, std::nullopt, [] {
        post(QStringLiteral("togglePanelVisibility"));
    }));
    m_rightGroup = right;
    row->addWidget(left);
    row->addWidget(right);
}

void FloatingPanelView::syncHeader()
{
    const QString image = collapseButtonImage();
    if (image == m_collapseImage && (m_collapseButton || image.isEmpty()))
        return;
    m_collapseImage = image;
    if (m_collapseButton)
        m_collapseButton->deleteLater();
    m_collapseButton = nullptr;
    if (!image.isEmpty()) {
        QPointer<FloatingPanelView> self(this);
        auto *button = new CircleButton(image, nullptr, std::nullopt, std::nullopt, [self] {
            if (self)
                self->handleCollapseButton();
        });
        button->setObjectName(QStringLiteral("FloatingPanelCollapseButton"));
        static_cast<HeaderGroup *>(m_rightGroup)->addButton(button);
        m_collapseButton = button;
    }
    m_rightGroup->adjustSize();
    m_header->adjustSize();
    applyLayout();
}

QWidget *FloatingPanelView::makeRow(TaskData *task, int gradientIndex, bool collapsed, QWidget *parent)
{
    auto *item = new TaskItemView(task, gradientIndex, collapsed, m_modelContext, parent);
    QPointer<FloatingPanelView> self(this);
    item->setOnDeleteTap([self](TaskData *t) {
        if (self)
            self->deleteTask(t);
    });
    item->setOnSummaryTap([self](TaskData *t) {
        if (self)
            self->viewSummary(t);
    });
    QWidget *row = item;
    row->installEventFilter(this);
    m_rowTasks.insert(row, task);
    return row;
}

void FloatingPanelView::releaseRow(QWidget *row)
{
    m_rowTasks.remove(row);
    if (m_pressedRow == row)
        m_pressedRow = nullptr;
    row->hide();
    // Later: a row may be inside its own callback (its delete action) right now.
    row->deleteLater();
}

void FloatingPanelView::syncRows()
{
    const QList<TaskData *> all = tasks();
    QHash<QUuid, QWidget *> kept;
    QHash<QUuid, int> gradients;
    for (int i = 0; i < all.size(); ++i) {
        TaskData *task = all[i];
        const int gradient = FloatingPanelLayout::gradientIndex(all, task, i);
        QWidget *row = m_listRows.take(task->id());
        if (row && (m_listRowGradients.value(task->id()) != gradient || m_rowTasks.value(row) != task)) {
            releaseRow(row);
            row = nullptr;
        }
        if (!row)
            row = makeRow(task, gradient, m_viewState->isCollapsed(), m_listContent);
        kept.insert(task->id(), row);
        gradients.insert(task->id(), gradient);
        // Moves the row to its place; rows already in place stay untouched.
        if (m_listLayout->indexOf(row) != i)
            m_listLayout->insertWidget(i, row);
        row->show();
    }
    for (QWidget *gone : std::as_const(m_listRows))
        releaseRow(gone);
    m_listRows = kept;
    m_listRowGradients = gradients;
}

void FloatingPanelView::syncStack()
{
    const bool collapsed = m_viewState->isCollapsed();
    const QList<TaskData *> all = tasks();
    const QList<TaskData *> visible = collapsed ? visibleTasks() : QList<TaskData *>{};
    QHash<QUuid, QWidget *> kept;
    QList<QWidget *> order;
    for (int i = 0; i < visible.size(); ++i) {
        TaskData *task = visible[i];
        QWidget *row = m_stackRows.take(task->id());
        if (row && m_rowTasks.value(row) != task) {
            releaseRow(row);
            row = nullptr;
        }
        if (!row)
            row = makeRow(task, FloatingPanelLayout::gradientIndex(all, task, i), true, m_listArea);
        kept.insert(task->id(), row);
        order.append(row);
        row->show();
    }
    for (QWidget *gone : std::as_const(m_stackRows))
        releaseRow(gone);
    m_stackRows = kept;
    m_stackOrder = order;
    // The first card on top.
    for (int i = int(order.size()) - 1; i >= 0; --i)
        order[i]->raise();
}

void FloatingPanelView::syncEmptyCard()
{
    const bool empty = tasks().isEmpty();
    if (!empty) {
        if (m_emptyCard)
            m_emptyCard->deleteLater();
        m_emptyCard = nullptr;
        m_scroll->setVisible(!m_viewState->isCollapsed());
        return;
    }
    m_scroll->setVisible(false);
    if (m_emptyCard)
        return;
    QPointer<FloatingPanelView> self(this);
    auto onAdd = [self] {
        if (self)
            self->requestTranscriptWindow();
    };
    auto onCanvas = [self] {
        if (self)
            self->handleCanvasButton();
    };
    m_emptyCard = new EmptyStateCard(m_mainViewModel, onAdd, onCanvas, m_listArea);
    m_emptyCard->setObjectName(QStringLiteral("FloatingPanelEmptyStateCard"));
    m_emptyCard->show();
}

void FloatingPanelView::syncChat()
{
    TaskData *selected = m_viewState->selectedTask();
    const bool open = isChatOpen();
    if (open && m_chatView && m_chatTask == selected)
        return;
    if (m_chatView) {
        // The closing chat shrinks and fades (when the close is animated), then goes.
        QWidget *leaving = m_chatView;
        m_chatView = nullptr;
        m_chatTask = nullptr;
        auto *fade = new QVariantAnimation(leaving);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        chatExitSpring().apply(fade);
        connect(fade, &QVariantAnimation::valueChanged, leaving, [leaving](const QVariant &v) {
            ScaleEffect *effect = ScaleEffect::of(leaving);
            effect->setScale(kExitChannel, 1.0 - 0.1 * v.toDouble());
            effect->setOpacity(kExitChannel, 1.0 - v.toDouble());
        });
        connect(fade, &QVariantAnimation::finished, leaving, &QObject::deleteLater);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    if (!open || !selected)
        return;
    QPointer<FloatingPanelView> self(this);
    auto onAddTask = [self] {
        if (self)
            self->createNewTask();
    };
    auto onCollapsePanel = [self] {
        if (self)
            self->closeChat([self] {
                if (self)
                    self->clearSelection();
            });
    };
    m_chatView = new EmbeddedChatView(m_mainViewModel, selected, QStringLiteral("panel"), onAddTask, onCollapsePanel, this);
    m_chatView->setObjectName(QStringLiteral("FloatingPanelChat"));
    m_chatTask = selected;
    m_chatView->show();
    m_chatView->raise();
    m_header->raise();
}

QWidget *FloatingPanelView::listRow(TaskData *task) const
{
    return task ? m_listRows.value(task->id()) : nullptr;
}

QList<QWidget *> FloatingPanelView::listRows() const
{
    QList<QWidget *> out;
    for (int i = 0; i < m_listLayout->count(); ++i)
        if (QWidget *w = m_listLayout->itemAt(i)->widget(); w && m_rowTasks.contains(w))
            out.append(w);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Layout

FloatingPanelView::LayoutParams FloatingPanelView::targetLayout() const
{
    LayoutParams params;
    const bool collapsed = m_viewState->isCollapsed();
    params.listHeight = collapsed ? collapsedListHeight() : panelHeight();
    params.backdropHeight = collapsed ? 50.0 : 0.65 * panelHeight();
    const int n = int(m_stackOrder.size());
    for (int i = 0; i < n; ++i) {
        const FloatingPanelLayout::StackPlacement placement = FloatingPanelLayout::stackOffsetAndScale(i, n);
        params.rows.insert(m_stackOrder[i], RowParams{placement.offset, placement.scale, i == n - 1 ? 0.9 : 1.0});
    }
    return params;
}

void FloatingPanelView::requestLayout()
{
    m_to = targetLayout();
    if (!m_transaction || !isVisible()) {
        m_layoutAnimation->stop();
        m_current = m_to;
        applyLayout();
        updateGeometry();
        return;
    }
    m_from = m_current;
    m_layoutAnimation->stop();
    m_layoutAnimation->setStartValue(0.0);
    m_layoutAnimation->setEndValue(1.0);
    m_transaction->apply(m_layoutAnimation);
    m_layoutAnimation->start();
    updateGeometry();
}

QSize FloatingPanelView::sizeHint() const
{
    const LayoutParams target = targetLayout();
    double h = kBottomPadding + target.listHeight + kSpacing + kHeaderHeight;
    if (isChatOpen())
        h += kSpacing + kChatTopPadding + kChatHeight;
    return QSize(int(Sizes::panelWidth), int(std::ceil(h)));
}

void FloatingPanelView::applyLayout()
{
    const double w = width();
    const double h = height();
    const double listHeight = m_current.listHeight;
    const double listTop = h - kBottomPadding - listHeight;
    const double listX = (w - Sizes::panelWidth) / 2;
    // The list area reaches up to the top so stacked cards may overflow it; its own part is
    // the bottom listHeight.
    m_listArea->setGeometry(QRectF(listX, 0, Sizes::panelWidth, h - kBottomPadding).toAlignedRect());
    auto *area = static_cast<ListArea *>(m_listArea);
    area->contentRect = QRectF(0, listTop, Sizes::panelWidth, listHeight);
    area->backdropHeight = m_current.backdropHeight;
    double above = listTop - kSpacing;
    if (m_chatView) {
        const double chatTop = above - kChatHeight;
        m_chatView->setGeometry(QRectF((w - Sizes::panelContentWidth) / 2, chatTop, Sizes::panelContentWidth, kChatHeight).toAlignedRect());
        above = chatTop - kChatTopPadding - kSpacing;
    }
    const QSize headerSize = m_header->sizeHint();
    m_header->setGeometry(QRectF((w - headerSize.width()) / 2, above - kHeaderHeight, headerSize.width(), kHeaderHeight).toAlignedRect());
    m_header->raise();
    layoutListArea();
    m_listArea->update();
}

void FloatingPanelView::layoutListArea()
{
    auto *area = static_cast<ListArea *>(m_listArea);
    const QRectF content = area->contentRect;
    const bool collapsed = m_viewState->isCollapsed();
    m_scroll->setGeometry(content.toAlignedRect());
    m_scroll->setVisible(!collapsed && !tasks().isEmpty());
    if (m_emptyCard) {
        const QSize size = m_emptyCard->sizeHint().isValid() ? m_emptyCard->sizeHint() : m_emptyCard->size();
        const double x = content.center().x() - size.width() / 2.0;
        const double y = collapsed ? content.bottom() - kStackPadding - size.height() : content.center().y() - size.height() / 2.0;
        m_emptyCard->setGeometry(QRectF(x, y, size.width(), size.height()).toAlignedRect());
    }
    // The stack: cards in a column (gap 12) standing on the bottom of the padded frame, each
    // moved down by its offset and scaled about its centre.
    const double rowWidth = Sizes::panelWidth - 2 * kStackPadding;
    QList<double> heights;
    double total = 0;
    for (QWidget *row : std::as_const(m_stackOrder)) {
        const int hint = row->sizeHint().height();
        const double rh = hint > 0 ? hint : rowHeight;
        heights.append(rh);
        total += rh;
    }
    total += Sizes::spacingM * std::max(0, int(m_stackOrder.size()) - 1);
    double y = content.bottom() - kStackPadding - total;
    for (int i = 0; i < m_stackOrder.size(); ++i) {
        QWidget *row = m_stackOrder[i];
        const RowParams params = m_current.rows.value(row, RowParams{});
        row->setGeometry(QRectF(kStackPadding, y + params.offset, rowWidth, heights[i]).toAlignedRect());
        ScaleEffect *effect = ScaleEffect::of(row);
        effect->setScale(kStackChannel, params.scale);
        effect->setOpacity(kStackChannel, params.opacity);
        row->setVisible(collapsed);
        y += heights[i] + Sizes::spacingM;
    }
}

void FloatingPanelView::runEntrance(bool visible)
{
    m_entrance->stop();
    m_entrance->setStartValue(m_entranceValue);
    m_entrance->setEndValue(visible ? 1.0 : 0.0);
    panelSpring().apply(m_entrance);
    m_entrance->start();
}

void FloatingPanelView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void FloatingPanelView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    restorePersistedState();
    setupNotifications();
    m_viewState->setIsAnimating(true);
}

bool FloatingPanelView::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    const bool isRow = widget && m_rowTasks.contains(widget);
    const bool isViewport = watched == m_scroll->viewport();
    if (!isRow && !isViewport)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && isRow)
            m_pressedRow = widget;
        break;
    case QEvent::MouseMove:
        if ((static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton) && !m_viewState->isCollapsed())
            m_viewState->setIsScrolling(true);
        break;
    case QEvent::MouseButtonRelease: {
        m_viewState->setIsScrolling(false);
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (isRow && mouse->button() == Qt::LeftButton && m_pressedRow == widget && widget->rect().contains(mouse->position().toPoint())) {
            m_pressedRow = nullptr;
            // The tap may rebuild rows: run it once this event is done.
            QPointer<TaskData> task = m_rowTasks.value(widget);
            QPointer<FloatingPanelView> self(this);
            MainQueue::post(this, [self, task] {
                if (self && task && !task->isDeleted())
                    self->handleTaskTap(task);
            });
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
