#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/CanvasAIOverlayView.h"
#include "canvas/CanvasConstants.h"
#include "canvas/CanvasKeyCommand.h"
#include "canvas/CanvasOverlayFade.h"
#include "canvas/CanvasNotificationPayload.h"
#include "canvas/CanvasPerformanceMonitor.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EventBlockingContainer.h"
#include "canvas/PlaceholderContent.h"
#include "categories/CategoryColumnActions.h"
#include "categories/CategoryView.h"
#include "categories/CategoryViewModel.h"
#include "account/Auth0Manager.h"
#include "account/ProfileService.h"
#include "onboarding/ProfileCoordinator.h"
#include "onboarding/ProfileOverlayView.h"
#include "tutorial/CanvasHelpButton.h"
#include "tutorial/CanvasTutorialOverlayView.h"
#include "analytics/AnalyticsService.h"
#include "categories/CategoryCreationPopupView.h"
#include "model/CategoryData.h"
#include "model/DummyData.h"
#include "model/MigrationService.h"
#include "model/SharedModelContainer.h"
#include "theme/Color.h"
#include "windows/CanvasCoordinator.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QWaitCondition>
#include <QToolBar>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

struct EnhancedCanvasViewController::FetchesInFlight {
    QMutex mutex;
    QWaitCondition finished;
    int running = 0;
};

namespace {
const QString kAddComponent = QStringLiteral("add.component");
const QString kZoomLevel = QStringLiteral("zoom.level");

// The window's toolbar action with that identifier and the widget that shows it, if any.
std::pair<QAction *, QWidget *> toolbarItem(QWidget *view, const QString &identifier)
{
    QWidget *window = view ? view->window() : nullptr;
    if (!window || window == view)
        return {nullptr, nullptr};
    for (QToolBar *toolbar : window->findChildren<QToolBar *>()) {
        for (QAction *action : toolbar->actions()) {
            if (action->objectName() == identifier)
                return {action, toolbar->widgetForAction(action)};
        }
    }
    return {nullptr, nullptr};
}
}

EnhancedCanvasViewController::EnhancedCanvasViewController(QObject *parent)
    : QObject(parent)
    , m_viewport(CanvasViewport::defaultScale, defaultOffset())
    , m_threadingManager(new CanvasThreadingManager(this))
    , m_performanceMonitor(new CanvasPerformanceMonitor(this))
    , m_fetchesInFlight(std::make_shared<FetchesInFlight>())
{
    setupContainerView();
    setupCanvasView();
    setCanvasVisible(false); // until the window shows it
    setupKeyMonitor();
}

EnhancedCanvasViewController::~EnhancedCanvasViewController()
{
    removeObservers();
    m_threadingManager->cleanup();
    {
        // Bounded: a fetch blocked for longer than this is a store failure, not a reason to hang.
        QMutexLocker lock(&m_fetchesInFlight->mutex);
        QDeadlineTimer deadline(10000);
        while (m_fetchesInFlight->running > 0 && m_fetchesInFlight->finished.wait(&m_fetchesInFlight->mutex, deadline)) {
        }
    }
    if (m_view)
        m_view->removeEventFilter(this);
    delete m_view; // nothing when the window already deleted it
}

QPointF EnhancedCanvasViewController::defaultOffset()
{
    return CanvasViewport::defaultOffset(CanvasViewport::primaryScreenSize());
}

QUrl EnhancedCanvasViewController::webComponentHomePage()
{
    return QUrl(QStringLiteral("https://duckduckgo.com/"));
}

void EnhancedCanvasViewController::setupContainerView()
{
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("canvasRootView"));
    m_view->setAutoFillBackground(true);
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Window, Color::appBackground());
    m_view->setPalette(palette);
    m_view->installEventFilter(this);
}

void EnhancedCanvasViewController::setupCanvasView()
{
    m_canvasView = new EnhancedCanvasView(m_view);
    m_canvasView->setViewController(this);
    m_canvasView->setThreadingManager(m_threadingManager);
    m_canvasView->setGeometry(m_view->rect());
    copyViewportToCanvas();
    // Each category component shows its column, over the canvas's own store context.
    QPointer<EnhancedCanvasViewController> self(this);
    m_canvasView->setCategoryContentFactory([self](const NSCanvasComponent &component) -> QWidget * {
        if (!self)
            return nullptr;
        auto *context = qobject_cast<ModelContext *>(self->m_realModelContext.get());
        auto actions = std::make_shared<ViewModelCategoryActions>(qobject_cast<CategoryViewModel *>(component.type().categoryViewModel()));
        return new CategoryView(component.type().category(), std::move(actions), context);
    });
}

QWidget *EnhancedCanvasViewController::view()
{
    return m_view;
}

QWidget *EnhancedCanvasViewController::canvasView()
{
    return m_canvasView;
}

EnhancedCanvasView *EnhancedCanvasViewController::enhancedCanvasView() const
{
    return m_canvasView;
}

void EnhancedCanvasViewController::setAccountServices(Auth0Manager *identity, ProfileService *profiles)
{
    m_identity = identity;
    m_profileService = profiles;
}

Auth0Manager *EnhancedCanvasViewController::identity() const
{
    return m_identity;
}

ProfileService *EnhancedCanvasViewController::profileService() const
{
    return m_profileService;
}

bool EnhancedCanvasViewController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Resize:
            // The canvas view and any overlay always fill the root view.
            for (QWidget *child : m_view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (child == m_canvasView || qobject_cast<EventBlockingContainer *>(child) || child == m_categoryCreationPopup)
                    child->setGeometry(m_view->rect());
            }
            placeHelpButton();
            break;
        case QEvent::Show:
            setCanvasVisible(true);
            break;
        case QEvent::Hide:
            setCanvasVisible(false);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EnhancedCanvasViewController::setCanvasVisible(bool visible)
{
    m_threadingManager->setCanvasVisible(visible);
    m_performanceMonitor->setCanvasVisible(visible);
}

void EnhancedCanvasViewController::setup(std::shared_ptr<QObject> modelContext, QObject *coordinator)
{
    m_realModelContext = std::move(modelContext);
    m_mainViewModel = coordinator;
    m_canvasView->setRealModelContext(m_realModelContext);
    // A second setup replaces the observers of the first: side by side they would act twice
    // on every notification (a scroll delta would move the canvas twice as far).
    removeObservers();
    setupNotificationObservers();
    m_canvasView->removeAllComponentViews();
    m_components.clear();
    releaseCategoryViewModels();
    migrateAndLoadCategories();
    addWelcomeView();
    setupCanvasAIOverlay();
    setupHelpButton();
    showTutorialIfNeeded();
}

// Viewport

void EnhancedCanvasViewController::copyViewportToCanvas()
{
    if (m_canvasView)
        m_canvasView->setViewport(m_viewport);
}

void EnhancedCanvasViewController::updateZoomLevelLabel()
{
    const auto [action, widget] = toolbarItem(m_view, kZoomLevel);
    if (auto *field = qobject_cast<QLineEdit *>(widget))
        field->setText(CanvasViewport::zoomLabel(scale()));
}

void EnhancedCanvasViewController::adjustOffsetForZoom(qreal oldScale, qreal newScale)
{
    const QPointF centre(m_view->width() / 2.0, m_view->height() / 2.0);
    m_viewport.setOffset(CanvasViewport::anchoredOffset(offset(), centre, oldScale, newScale));
}

void EnhancedCanvasViewController::applyTransform()
{
    copyViewportToCanvas();
    m_canvasView->updateComponentFrames(false, scale());
    updateZoomLevelLabel();
    if (m_components.size() <= CanvasConstants::offMainComponentThreshold)
        return;
    QList<ThreadSafeComponentData> snapshots;
    snapshots.reserve(m_components.size());
    for (const NSCanvasComponentPtr &c : std::as_const(m_components))
        snapshots.append({c->id(), c->frame(), c->zIndex()});
    QPointer<EnhancedCanvasViewController> self(this);
    m_threadingManager->scheduleComponentUpdate(snapshots, scale(), offset(), [self](const CanvasThreadingManager::Frames &frames) {
        if (self && self->m_canvasView)
            self->m_canvasView->applyComputedFrames(frames, self->scale());
    });
}

void EnhancedCanvasViewController::zoomStep(bool zoomIn)
{
    const qreal old = scale();
    setScale(CanvasViewport::zoomStep(old, zoomIn));
    updateZoomLevelLabel();
    adjustOffsetForZoom(old, scale());
    applyTransform();
}

void EnhancedCanvasViewController::resetView()
{
    setScale(CanvasViewport::defaultScale);
    updateZoomLevelLabel();
    setOffset(defaultOffset());
    copyViewportToCanvas();
    m_canvasView->updateComponentFrames(false, CanvasViewport::defaultScale);
    m_canvasView->updateComponentFrames(true, CanvasViewport::defaultScale);
}

void EnhancedCanvasViewController::scrollToCanvasPoint(qreal x, qreal y, qreal dx, qreal dy)
{
    setOffset(m_viewport.scrolledOffset(QSizeF(m_view->size()), x, y, dx, dy));
    copyViewportToCanvas();
    m_canvasView->updateComponentFrames(false, scale());
}

void EnhancedCanvasViewController::zoomToDetail()
{
    if (std::abs(scale() - CanvasViewport::detailScale) <= 0.0001)
        return;
    adjustOffsetForZoom(scale(), CanvasViewport::detailScale);
    setScale(CanvasViewport::detailScale);
    updateZoomLevelLabel();
    copyViewportToCanvas();
    m_canvasView->updateComponentFrames(false, scale());
    m_canvasView->updateComponentFrames(true, scale());
}

void EnhancedCanvasViewController::scrollByDelta(const QPointF &delta)
{
    setOffset(offset() + delta);
    copyViewportToCanvas();
    m_canvasView->updateComponentFrames(false, scale());
}

// Components

void EnhancedCanvasViewController::addComponent(const EnhancedComponentType &type, std::optional<QPointF> position)
{
    QPointF origin;
    if (position)
        origin = *position;
    else if (type.isCategoryView())
        origin = QPointF(nextCategoryPosition().x(), 1540);
    else
        origin = defaultComponentPosition();
    QSizeF size;
    switch (type.kind()) {
    case EnhancedComponentType::Kind::webView:
        size = CanvasConstants::defaultWebViewSize;
        break;
    case EnhancedComponentType::Kind::categoryView:
        size = CanvasConstants::defaultCategoryViewSize;
        break;
    case EnhancedComponentType::Kind::welcomeView:
        size = CanvasConstants::defaultWelcomeViewSize;
        break;
    }
    auto component = std::make_shared<NSCanvasComponent>(QUuid::createUuid(), type, QRectF(origin, size), 0, 0);
    m_components.append(component);
    m_canvasView->appendComponent(component);
    m_canvasView->addComponentView(component);
}

QPointF EnhancedCanvasViewController::defaultComponentPosition() const
{
    // The centre of the canvas view's bounds less its origin, taken as a canvas point as it is.
    const QRect bounds = m_canvasView->rect();
    const QPoint origin = m_canvasView->geometry().topLeft();
    return QPointF(bounds.width() / 2.0 - origin.x(), bounds.height() / 2.0 - origin.y());
}

QPointF EnhancedCanvasViewController::nextCategoryPosition() const
{
    std::optional<qreal> maxX;
    for (const NSCanvasComponentPtr &c : m_components) {
        if (c->type().isCategoryView())
            maxX = std::max(maxX.value_or(c->frame().x()), c->frame().x());
    }
    return maxX ? QPointF(*maxX + 2180, 1540) : QPointF(60, 1540);
}

void EnhancedCanvasViewController::addCategoryComponent(const CategoryModel &category, QObject *viewModel)
{
    const QRectF frame(category.position, QSizeF(CanvasConstants::defaultCategoryViewSize.width(), CanvasConstants::defaultCategoryHeight));
    auto component = std::make_shared<NSCanvasComponent>(QUuid::createUuid(), EnhancedComponentType::categoryView(category, viewModel), frame, 0, 0);
    m_components.append(component);
    m_canvasView->appendComponent(component);
    m_canvasView->addComponentView(component);
}

void EnhancedCanvasViewController::removeCategoryComponent(const QUuid &categoryId)
{
    auto matches = [&categoryId](const NSCanvasComponentPtr &c) {
        return c->type().isCategoryView() && c->type().category().id == categoryId;
    };
    for (qsizetype i = 0; i < m_components.size(); ++i) {
        if (matches(m_components[i])) {
            m_components.removeAt(i);
            break;
        }
    }
    std::optional<QUuid> shown;
    for (const NSCanvasComponentPtr &c : m_canvasView->components()) {
        if (matches(c)) {
            shown = c->id();
            break;
        }
    }
    // Removed outside the loop: removal shrinks the list being walked.
    if (shown)
        m_canvasView->removeComponent(*shown);
}

void EnhancedCanvasViewController::migrateAndLoadCategories()
{
    if (!m_realModelContext)
        return;
    Settings &defaults = Settings::instance();
    const QVariant stored = defaults.value(kLastMigratedAppVersion);
    const QString current = MigrationService::currentAppVersion();
    QPointer<EnhancedCanvasViewController> self(this);
    if (stored.typeId() == QMetaType::QString && stored.toString() == current) {
        MainQueue::post(this, [self] {
            if (self)
                self->loadCategoryComponents(self->m_realModelContext);
        });
        return;
    }
    MainQueue::post(this, [self] {
        if (!self)
            return;
        if (auto *context = qobject_cast<ModelContext *>(self->m_realModelContext.get())) {
            try {
                MigrationService(Settings::instance(), kLastMigratedAppVersion).runMigrationsIfNeeded(context);
            } catch (const StoreError &e) {
                Log::line(QStringLiteral("❌ [NSCanvasViewController] Migration failed: ") + e.localizedDescription());
            }
        }
        self->loadCategoryComponents(self->m_realModelContext);
    });
}

QList<CategoryModel> EnhancedCanvasViewController::fetchCanvasCategories(ModelContainer *container)
{
    // A context of this thread's own: the canvas's context belongs to the main thread, and the
    // records never leave this thread, only their snapshots do.
    ModelContext context(container);
    const QList<SortDescriptor> oldestFirst{{QStringLiteral("createdAt"), true}};
    QList<CategoryData *> categories = context.fetch<CategoryData>({}, oldestFirst);
    if (categories.isEmpty()) {
        seedDummyData(&context);
        categories = context.fetch<CategoryData>({}, oldestFirst);
    }
    QList<CategoryModel> snapshots;
    snapshots.reserve(categories.size());
    for (const CategoryData *category : std::as_const(categories))
        snapshots.append(CategoryModel(category));
    return snapshots;
}

void EnhancedCanvasViewController::loadCategoryComponents(const std::shared_ptr<QObject> &contextObject)
{
    auto *context = qobject_cast<ModelContext *>(contextObject.get());
    if (!context)
        return;
    ModelContainer *container = context->container();
    QPointer<EnhancedCanvasViewController> self(this);
    std::shared_ptr<FetchesInFlight> inFlight = m_fetchesInFlight;
    {
        QMutexLocker lock(&inFlight->mutex);
        ++inFlight->running;
    }
    m_threadingManager->performInBackground<QList<CategoryModel>>(
        [container, inFlight] {
            struct Done {
                FetchesInFlight &gate;
                ~Done()
                {
                    QMutexLocker lock(&gate.mutex);
                    --gate.running;
                    gate.finished.wakeAll();
                }
            } done{*inFlight};
            return fetchCanvasCategories(container);
        },
        [self, weakContext = std::weak_ptr<QObject>(contextObject)](std::variant<QList<CategoryModel>, std::exception_ptr> result) {
            // Whoever owns the context decides how long it lives; a canvas reset meanwhile or a
            // context gone with its store ends the load here.
            const std::shared_ptr<QObject> contextObject = weakContext.lock();
            auto *context = qobject_cast<ModelContext *>(contextObject.get());
            if (!self || !context)
                return;
            if (auto *failure = std::get_if<std::exception_ptr>(&result)) {
                QString description = QStringLiteral("Unknown error");
                try {
                    std::rethrow_exception(*failure);
                } catch (const StoreError &e) {
                    description = e.localizedDescription();
                } catch (const std::exception &e) {
                    description = QString::fromUtf8(e.what());
                } catch (...) {
                }
                Log::line(QStringLiteral("Failed to load categories from database: ") + description);
                return;
            }
            CategoryViewModel *viewModel = nullptr;
            if (self->m_mainViewModel) {
                // The canvas's context lies on the coordinator's (the one shared) container.
                viewModel = new CategoryViewModel(context->container()->mainContext(), self);
            } else {
                Log::line(QStringLiteral("⚠️ MainViewModel not available, using provided context"));
                viewModel = new CategoryViewModel(context, self);
            }
            self->m_categoryViewModels.append(viewModel);
            for (const CategoryModel &category : std::get<QList<CategoryModel>>(result))
                self->addCategoryComponent(category, viewModel);
        });
}

void EnhancedCanvasViewController::releaseCategoryViewModels()
{
    for (const QPointer<QObject> &viewModel : std::as_const(m_categoryViewModels)) {
        if (viewModel)
            viewModel->deleteLater();
    }
    m_categoryViewModels.clear();
}

void EnhancedCanvasViewController::addWebView()
{
    const QUrl url = webComponentHomePage();
    if (!url.isValid())
        return;
    addComponent(EnhancedComponentType::webView(url));
}

void EnhancedCanvasViewController::addCategoryView()
{
    for (const NSCanvasComponentPtr &c : std::as_const(m_components)) {
        if (c->type().isCategoryView())
            return;
    }
    if (!m_realModelContext) {
        try {
            // A private store that lives as long as the canvas: the same schema as the shared one.
            ModelConfiguration configuration;
            configuration.inMemory = true;
            auto container = std::make_shared<ModelContainer>(ModelStore::schema(), configuration);
            m_realModelContext = std::make_shared<ModelContext>(container.get());
            m_inMemoryContainer = std::move(container);
        } catch (const StoreError &) {
            return;
        }
    }
    migrateAndLoadCategories();
}

void EnhancedCanvasViewController::addWelcomeView()
{
    const QRectF frame(QPointF(CanvasConstants::welcomeViewX, CanvasConstants::welcomeViewY), CanvasConstants::defaultWelcomeViewSize);
    auto component = std::make_shared<NSCanvasComponent>(QUuid::createUuid(), EnhancedComponentType::welcomeView(), frame, 0, 0);
    m_canvasView->appendComponent(component);
    m_canvasView->addComponentView(component);
}

// Menu and reset

QMenu *EnhancedCanvasViewController::makeAddComponentMenu()
{
    auto *menu = new QMenu(QStringLiteral("Add Component"));
    QPointer<EnhancedCanvasViewController> self(this);
    auto add = [menu, self](const QString &title, void (EnhancedCanvasViewController::*action)()) {
        QAction *item = menu->addAction(title);
        QObject::connect(item, &QAction::triggered, menu, [self, action] {
            if (self)
                (self.data()->*action)();
        });
    };
    add(QStringLiteral("WebView"), &EnhancedCanvasViewController::addWebView);
    add(QStringLiteral("Category View"), &EnhancedCanvasViewController::addCategoryView);
    add(QStringLiteral("Welcome View"), &EnhancedCanvasViewController::addWelcomeView);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Use Control+Drag to move categories"))->setEnabled(false);
    menu->addSeparator();
    add(QStringLiteral("🧹 Clear All Databases"), &EnhancedCanvasViewController::clearAllDatabasesFromCanvas);
    return menu;
}

void EnhancedCanvasViewController::showAddComponentMenu(QMenu *menu)
{
    if (!menu)
        return;
    // The menu belongs to nobody once it is up; it goes when it closes.
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto [action, widget] = toolbarItem(m_view, kAddComponent);
    if (widget) {
        menu->popup(widget->mapToGlobal(QPoint(widget->rect().center().x(), widget->height())));
        return;
    }
    menu->popup(QCursor::pos());
}

void EnhancedCanvasViewController::clearAllDatabasesFromCanvas()
{
    PromptRequest request;
    request.title = QStringLiteral("Reset Canvas & Database?");
    request.text = QStringLiteral("This will remove all data and reset the canvas. This action cannot be undone.");
    request.buttons = {QStringLiteral("Reset"), QStringLiteral("Cancel")};
    request.style = PromptRequest::Style::Warning;
    request.cancelIndex = 1;
    QPointer<EnhancedCanvasViewController> self(this);
    auto answer = [self](int index) {
        if (!self || index != 0 || !self->m_realModelContext)
            return;
        const std::shared_ptr<QObject> context = self->m_realModelContext;
        MainQueue::post(self, [self, context] {
            if (self)
                self->resetCanvasAndDatabase(context);
        });
    };
    QWidget *window = m_view ? m_view->window() : nullptr;
    if (window && window != m_view.data())
        ModalPrompt::askAsync(request, this, answer, window);
    else
        answer(ModalPrompt::ask(request));
}

void EnhancedCanvasViewController::resetCanvasAndDatabase(const std::shared_ptr<QObject> &contextObject)
{
    auto *context = qobject_cast<ModelContext *>(contextObject.get());
    if (!context)
        return;
    m_canvasView->removeAllComponentViews();
    m_components.clear();
    releaseCategoryViewModels();
    try {
        // A failed save leaves its changes pending, so the saves here report what the clean-up
        // and the seeding (which only log) could not write.
        cleanDatabase(context);
        context->save();
        seedDummyData(context);
        context->save();
    } catch (const StoreError &e) {
        Log::line(QStringLiteral("Error during database reset: ") + e.localizedDescription());
        return;
    }
    migrateAndLoadCategories();
    addWelcomeView();
    Log::line(QStringLiteral("Successfully reset database and canvas"));
}

// Category popup and heights

void EnhancedCanvasViewController::showCategoryCreationPopup(const QPointF &point)
{
    if (m_categoryCreationPopup || m_isCreatingCategory)
        return;
    m_isCreatingCategory = true;
    const qreal w = m_view->width();
    const qreal h = m_view->height();
    // The card (324 x 228 with its shadow and a margin) stays inside the view; in a view too
    // small for it the lower limit wins.
    const QPointF clamped(std::max(std::min(point.x(), w - 210), 210.0), std::max(std::min(point.y(), h - 152.5), 152.5));
    const QPointF canvasPosition = (clamped - offset()) / scale();
    QPointer<EnhancedCanvasViewController> self(this);
    auto *popup = new CategoryCreationPopupView(
        [self, canvasPosition](const QString &title) {
            if (self)
                self->confirmCategoryCreation(title, canvasPosition);
        },
        [self] {
            if (self)
                self->hideCategoryCreationPopup();
        },
        clamped, m_view);
    popup->setGeometry(m_view->rect());
    m_categoryCreationPopup = popup;
    m_isHidingCategoryPopup = false;
    CanvasOverlayFade::fadeIn(popup, popupFadeInMs);
    popup->raise(); // above the canvas, the overlays and the prompt bar
    Q_EMIT categoryCreationPopupRequested(point);
}

void EnhancedCanvasViewController::hideCategoryCreationPopup()
{
    QWidget *popup = m_categoryCreationPopup;
    if (!popup || m_isHidingCategoryPopup)
        return;
    m_isHidingCategoryPopup = true;
    QPointer<EnhancedCanvasViewController> self(this);
    QPointer<QWidget> guard(popup);
    CanvasOverlayFade::run(popup, 0.0, popupFadeOutMs, [self, guard] {
        if (guard) {
            guard->hide();
            guard->deleteLater();
        }
        if (self) {
            self->m_categoryCreationPopup = nullptr;
            self->m_isHidingCategoryPopup = false;
            self->m_isCreatingCategory = false;
        }
    });
}

void EnhancedCanvasViewController::confirmCategoryCreation(const QString &title, const QPointF &canvasPosition)
{
    auto *context = qobject_cast<ModelContext *>(m_realModelContext.get());
    if (!context || !m_mainViewModel)
        return;
    hideCategoryCreationPopup();
    auto *viewModel = new CategoryViewModel(context->container()->mainContext(), this);
    m_categoryViewModels.append(viewModel);
    QPointer<EnhancedCanvasViewController> self(this);
    QPointer<CategoryViewModel> guard(viewModel);
    // The column is the one of the category this creation stored, found by what the creation
    // returns: titles are not unique, and a creation may fail.
    connect(viewModel, &CategoryViewModel::categoryCreated, this, [self, guard](CategoryData *created) {
        if (self && guard)
            self->addCategoryComponent(CategoryModel(created), guard);
    });
    connect(viewModel, &CategoryViewModel::categoryCreationFailed, this, [self, guard](const QString &) {
        Log::line(QStringLiteral("🎯 ❌ Failed to find newly created category in database"));
        if (self)
            self->m_categoryViewModels.removeAll(QPointer<QObject>(guard.data()));
        if (guard)
            guard->deleteLater();
    });
    viewModel->createCategory(title, canvasPosition.x(), canvasPosition.y());
}

void EnhancedCanvasViewController::handleCategoryHeightChange(const QUuid &categoryId, qreal height)
{
    for (const NSCanvasComponentPtr &c : m_canvasView->components()) {
        if (c->type().isCategoryView() && c->type().category().id == categoryId) {
            // The second filter: only a change of more than 10 points resizes the column.
            if (std::abs(height - c->frame().height()) > 10)
                m_canvasView->updateCategoryHeight(c->id(), height, c->frame().y());
            return;
        }
    }
}

// Notifications

void EnhancedCanvasViewController::setupNotificationObservers()
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    QPointer<EnhancedCanvasViewController> self(this);
    auto observe = [&](const char *name, std::function<void(EnhancedCanvasViewController *, const Notification &)> reaction) {
        m_notificationObservers.append(center.addObserver(QString::fromLatin1(name), this, [self, reaction](const Notification &n) {
            if (self)
                reaction(self, n);
        }));
    };
    observe("showCanvasAppStoreOverlay", [](EnhancedCanvasViewController *c, const Notification &) { c->openAppStoreOverlay(); });
    observe("showCanvasProfileOverlay", [](EnhancedCanvasViewController *c, const Notification &) {
        if (!c->m_isProfileOverlayVisible) {
            c->m_isProfileOverlayVisible = true;
            c->presentProfileOverlay();
        }
    });
    observe("canvasScrollToCategory", [](EnhancedCanvasViewController *c, const Notification &n) {
        if (const auto target = CanvasNotificationPayload::scrollToCategory(n.userInfo))
            c->scrollToCanvasPoint(target->x, target->y, target->dx, target->dy);
    });
    observe("canvasScrollDelta", [](EnhancedCanvasViewController *c, const Notification &n) {
        if (const auto delta = CanvasNotificationPayload::scrollDelta(n.userInfo))
            c->scrollByDelta(*delta);
    });
    observe("canvasZoomToDetail", [](EnhancedCanvasViewController *c, const Notification &) { c->zoomToDetail(); });
    observe("categoryDeleted", [](EnhancedCanvasViewController *c, const Notification &n) {
        const QVariant id = n.userInfo.value(QStringLiteral("categoryId"));
        if (id.typeId() == QMetaType::QUuid)
            c->removeCategoryComponent(id.toUuid());
    });
    observe("showTutorialOverlay", [](EnhancedCanvasViewController *c, const Notification &) {
        if (!c->m_isTutorialOverlayVisible) {
            c->m_isTutorialOverlayVisible = true;
            c->presentTutorialOverlay();
        }
    });
}

void EnhancedCanvasViewController::removeObservers()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();
}

// Overlays

QWidget *EnhancedCanvasViewController::hostOverlay(const QString &title, std::function<void()> onClose)
{
    auto *content = new PlaceholderContent(title, QStringLiteral("Click to close"), m_view->size());
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *container = new EventBlockingContainer(content, m_view);
    container->setOnClick(std::move(onClose));
    container->show();
    container->raise(); // above everything present now
    CanvasOverlayFade::fadeIn(container, overlayFadeInMs);
    return container;
}

void EnhancedCanvasViewController::hideOverlay(QPointer<QWidget> EnhancedCanvasViewController::*field)
{
    QWidget *removed = this->*field;
    if (!removed)
        return;
    QPointer<EnhancedCanvasViewController> self(this);
    QPointer<QWidget> guard(removed);
    CanvasOverlayFade::run(removed, 0.0, overlayFadeOutMs, [self, field, removed, guard] {
        // A new presentation during the fade has put its own container in the field: that
        // one stays reachable; only the container that faded out leaves.
        if (self && (self.data()->*field).data() == removed)
            self.data()->*field = nullptr;
        if (guard) {
            guard->hide();
            guard->deleteLater();
        }
    });
}

void EnhancedCanvasViewController::openAppStoreOverlay()
{
    if (m_isAppStoreOverlayVisible)
        return;
    m_isAppStoreOverlayVisible = true;
    presentAppStoreOverlay();
    AnalyticsService::shared().trackAppStoreInteraction(QStringLiteral("open"), std::nullopt, {{QStringLiteral("source"), QStringLiteral("canvas")}});
}

void EnhancedCanvasViewController::closeAppStoreOverlay()
{
    if (!m_isAppStoreOverlayVisible)
        return;
    m_isAppStoreOverlayVisible = false;
    hideAppStoreOverlay();
    AnalyticsService::shared().trackAppStoreInteraction(QStringLiteral("close"), std::nullopt, {{QStringLiteral("source"), QStringLiteral("canvas")}});
}

void EnhancedCanvasViewController::hideAppStoreOverlay()
{
    hideOverlay(&EnhancedCanvasViewController::m_appStoreOverlayView);
}

void EnhancedCanvasViewController::hideTutorialOverlay()
{
    hideOverlay(&EnhancedCanvasViewController::m_tutorialOverlayView);
}

void EnhancedCanvasViewController::hideProfileOverlay()
{
    if (!m_isProfileOverlayVisible)
        return;
    m_isProfileOverlayVisible = false;
    hideOverlay(&EnhancedCanvasViewController::m_profileOverlayView);
}

void EnhancedCanvasViewController::presentAppStoreOverlay()
{
    if (!m_realModelContext)
        return;
    QPointer<EnhancedCanvasViewController> self(this);
    m_appStoreOverlayView = hostOverlay(QStringLiteral("App Store"), [self] {
        if (self)
            self->closeAppStoreOverlay();
    });
}

void EnhancedCanvasViewController::presentProfileOverlay()
{
    QPointer<EnhancedCanvasViewController> self(this);
    ProfileOverlayView::Services services;
    services.profiles = m_profileService;
    services.identity = m_identity;
    QPointer<QObject> coordinator = m_mainViewModel;
    services.signOut = [coordinator] {
        if (ProfileCoordinator *port = ProfileCoordinator::from(coordinator.data()))
            port->signOut();
        else
            Log::line(QStringLiteral("⚠️ [EnhancedCanvasViewController] No coordinator to sign out through"));
    };
    auto *overlay = new ProfileOverlayView([self] {
        if (self)
            self->hideProfileOverlay();
    }, services);
    // The overlay's own backdrop takes the clicks beside the card.
    auto *container = new EventBlockingContainer(overlay, m_view);
    container->show();
    container->raise(); // above everything present now
    CanvasOverlayFade::fadeIn(container, overlayFadeInMs);
    m_profileOverlayView = container;
}

void EnhancedCanvasViewController::presentTutorialOverlay()
{
    QPointer<EnhancedCanvasViewController> self(this);
    auto *tutorial = new CanvasTutorialOverlayView(
        [self] {
            if (self)
                self->dismissTutorialOverlay();
        },
        [self] {
            if (self)
                self->browseAppsFromTutorial();
        });
    // The tutorial takes its own clicks (its backdrop included): the layer only keeps them
    // from the canvas.
    auto *container = new EventBlockingContainer(tutorial, m_view);
    container->show();
    container->raise(); // above everything present now
    CanvasOverlayFade::fadeIn(container, overlayFadeInMs);
    m_tutorialOverlayView = container;
}

void EnhancedCanvasViewController::dismissTutorialOverlay()
{
    if (!m_isTutorialOverlayVisible)
        return;
    m_isTutorialOverlayVisible = false;
    hideTutorialOverlay();
    Settings::instance().setValue(kHasShownCanvasTutorial, true);
    Settings::instance().sync();
    Scheduler::instance().singleShot(afterTutorialMs, this, [] {
        NotificationCenter::defaultCenter().post(QStringLiteral("focusCanvasAIOverlay"));
    });
}

void EnhancedCanvasViewController::browseAppsFromTutorial()
{
    dismissTutorialOverlay();
    QPointer<EnhancedCanvasViewController> self(this);
    Scheduler::instance().singleShot(afterTutorialMs, this, [self] {
        if (self)
            self->openAppStoreOverlay();
    });
}

void EnhancedCanvasViewController::showTutorialIfNeeded()
{
    if (!CanvasCoordinator::from(m_mainViewModel.data()))
        return;
    if (Settings::instance().boolValue(kHasShownCanvasTutorial))
        return;
    QPointer<EnhancedCanvasViewController> self(this);
    // The installed-apps check runs as a step of its own on the main queue.
    MainQueue::post(this, [self] {
        CanvasCoordinator *coordinator = self ? CanvasCoordinator::from(self->m_mainViewModel.data()) : nullptr;
        if (!coordinator || coordinator->hasInstalledApps() || self->m_isTutorialOverlayVisible)
            return;
        Scheduler::instance().singleShot(tutorialDelayMs, self, [self] {
            if (!self || self->m_isTutorialOverlayVisible)
                return;
            self->m_isTutorialOverlayVisible = true;
            self->presentTutorialOverlay();
        });
    });
}

CanvasAIOverlayView *EnhancedCanvasViewController::canvasAIOverlayView() const
{
    return m_canvasAIOverlayView;
}

void EnhancedCanvasViewController::setupCanvasAIOverlay()
{
    if (m_canvasAIOverlayView || !CanvasCoordinator::from(m_mainViewModel.data()))
        return;
    m_canvasAIOverlayView = new CanvasAIOverlayView(m_mainViewModel.data(), m_view);
    m_canvasAIOverlayView->show();
    m_canvasAIOverlayView->raise(); // above everything present now
}

void EnhancedCanvasViewController::setupHelpButton()
{
    if (m_canvasHelpButtonView)
        return;
    auto *area = new CanvasHelpButton(m_view);
    m_canvasHelpButtonView = area;
    placeHelpButton();
    area->show();
    area->raise();
}

void EnhancedCanvasViewController::placeHelpButton()
{
    if (m_canvasHelpButtonView)
        m_canvasHelpButtonView->setGeometry(m_view->width() - helpButtonSize, m_view->height() - helpButtonSize, helpButtonSize,
                                            helpButtonSize);
}

// Key commands

void EnhancedCanvasViewController::setupKeyMonitor()
{
    QPointer<EnhancedCanvasViewController> self(this);
    m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &event) { return self && self->handleKeyDown(event); }, this);
}

bool EnhancedCanvasViewController::isCanvasWindowActive() const
{
    // The monitor sees the key presses of every window of the application; a press belongs to
    // the focus window, and only the canvas window's presses are the canvas's.
    QWidget *window = m_view ? m_view->window() : nullptr;
    if (!window || !window->isVisible() || !window->isActiveWindow())
        return false;
    const QWindow *focus = QGuiApplication::focusWindow();
    return focus && focus == window->windowHandle();
}

bool EnhancedCanvasViewController::handleKeyDown(QKeyEvent &event)
{
    if (!isCanvasWindowActive())
        return false;
    if (CanvasKeyCommand::of(event) == CanvasKeyCommand::Kind::escape)
        return handleEscape();
    if (event.modifiers().testFlag(Qt::ControlModifier))
        return handleCommandKey(event);
    return false;
}

bool EnhancedCanvasViewController::handleEscape()
{
    // The creation popup lies above everything and takes its own Escape.
    if (m_isCreatingCategory)
        return false;
    // While the profile is up or still fading out, Escape belongs to it: never minimise then.
    if (m_isProfileOverlayVisible || m_profileOverlayView)
        hideProfileOverlay();
    else if (m_isAppStoreOverlayVisible)
        closeAppStoreOverlay();
    else if (m_isTutorialOverlayVisible)
        dismissTutorialOverlay();
    else
        minimizeWindow();
    return true;
}

bool EnhancedCanvasViewController::handleCommandKey(QKeyEvent &event)
{
    using Kind = CanvasKeyCommand::Kind;
    switch (CanvasKeyCommand::of(event.key(), Qt::ControlModifier, event.text())) {
    case Kind::zoomIn:
        zoomStep(true);
        return true;
    case Kind::zoomOut:
        zoomStep(false);
        return true;
    case Kind::resetView:
        resetView();
        return true;
    case Kind::consume:
        return true;
    case Kind::resetAlert:
        clearAllDatabasesFromCanvas();
        return true;
    case Kind::focusPrompt:
        setupCanvasAIOverlay();
        NotificationCenter::defaultCenter().post(QStringLiteral("focusCanvasAIOverlay"));
        return true;
    case Kind::help:
        setupHelpButton();
        NotificationCenter::defaultCenter().post(QStringLiteral("triggerHelpButtonBounce"));
        if (!m_isTutorialOverlayVisible) {
            m_isTutorialOverlayVisible = true;
            presentTutorialOverlay();
        }
        return true;
    case Kind::none:
    case Kind::escape:
        break;
    }
    return false;
}

void EnhancedCanvasViewController::minimizeWindow()
{
    QWidget *window = m_view ? m_view->window() : nullptr;
    if (!window || window == m_view.data())
        return;
    window->showMinimized();
    AnalyticsService::shared().trackCanvasInteraction(QStringLiteral("close"), {{QStringLiteral("source"), QStringLiteral("esc_key")},
                                                                                {QStringLiteral("action_type"), QStringLiteral("minimize")}});
}
