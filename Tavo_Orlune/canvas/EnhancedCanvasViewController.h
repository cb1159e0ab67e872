#pragma once
#include "canvas/CanvasViewport.h"
#include "canvas/EnhancedComponentType.h"
#include "canvas/NSCanvasComponent.h"
#include "windows/CanvasControllerInterface.h"
#include "Platform/NotificationCenter.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class Auth0Manager;
class CanvasAIOverlayView;
class CanvasPerformanceMonitor;
class CanvasThreadingManager;
class LocalKeyMonitor;
class QKeyEvent;
class EnhancedCanvasView;
class ModelContainer;
class ModelContext;
class ProfileService;

// The content of the canvas window and the owner of everything on the infinite canvas: the
// canvas view, the viewport (scale and offset), the components (category columns, web pages,
// the welcome screen), the notification observers, the off-main frame computation and the
// performance monitor. Main thread only.
class EnhancedCanvasViewController : public QObject, public CanvasControllerInterface {
    Q_OBJECT
public:
    explicit EnhancedCanvasViewController(QObject *parent = nullptr);
    ~EnhancedCanvasViewController() override;

    // CanvasControllerInterface.
    QWidget *view() override;
    QWidget *canvasView() override;
    // Stores the context and the coordinator, (re)registers the observers, empties the canvas
    // and fills it again: the category columns (arriving later) and the welcome component.
    void setup(std::shared_ptr<QObject> modelContext, QObject *coordinator) override;
    qreal scale() const override { return m_viewport.scale(); }
    void setScale(qreal scale) override { m_viewport.setScale(scale); }
    void setIsFullscreen(bool fullscreen) override { m_isFullscreen = fullscreen; }
    void updateZoomLevelLabel() override;
    void adjustOffsetForZoom(qreal oldScale, qreal newScale) override;
    void applyTransform() override;
    void resetView() override;
    QMenu *makeAddComponentMenu() override;
    void showAddComponentMenu(QMenu *menu) override;

    EnhancedCanvasView *enhancedCanvasView() const;
    // The signed-in identity and the profile cache that the welcome screen and the profile
    // overlay show; the application gives the shared ones. Without them the welcome avatar is
    // the placeholder symbol and the profile overlay has no profile to load. Not owned.
    void setAccountServices(Auth0Manager *identity, ProfileService *profiles);
    Auth0Manager *identity() const;
    ProfileService *profileService() const;
    QPointF offset() const { return m_viewport.offset(); }
    void setOffset(const QPointF &offset) { m_viewport.setOffset(offset); }
    const CanvasViewport &viewport() const { return m_viewport; }
    bool isFullscreen() const { return m_isFullscreen; }
    bool componentDragEnabled() const { return m_componentDragEnabled; }
    bool isCreatingCategory() const { return m_isCreatingCategory; }
    QObject *mainViewModel() const { return m_mainViewModel; }
    std::shared_ptr<QObject> realModelContext() const { return m_realModelContext; }
    CanvasThreadingManager *threadingManager() const { return m_threadingManager; }
    CanvasPerformanceMonitor *performanceMonitor() const { return m_performanceMonitor; }
    // The components the controller added: categories and web pages, not the welcome screen.
    const QList<NSCanvasComponentPtr> &components() const { return m_components; }
    int notificationObserverCount() const { return int(m_notificationObservers.size()); }
    bool isAppStoreOverlayVisible() const { return m_isAppStoreOverlayVisible; }
    bool isProfileOverlayVisible() const { return m_isProfileOverlayVisible; }
    bool isTutorialOverlayVisible() const { return m_isTutorialOverlayVisible; }
    QWidget *appStoreOverlayView() const { return m_appStoreOverlayView; }
    QWidget *profileOverlayView() const { return m_profileOverlayView; }
    QWidget *tutorialOverlayView() const { return m_tutorialOverlayView; }
    CanvasAIOverlayView *canvasAIOverlayView() const;
    QWidget *canvasHelpButtonView() const { return m_canvasHelpButtonView; }

    // Overlays over the canvas. A full-canvas overlay fades in over 0.3 s and out over 0.2 s;
    // its flag changes at once.
    static constexpr int overlayFadeInMs = 300;
    static constexpr int overlayFadeOutMs = 200;
    static constexpr int tutorialDelayMs = 1000;
    static constexpr int afterTutorialMs = 300;
    static constexpr int helpButtonSize = 100;
    // True once the tutorial has been dismissed.
    static inline const QString kHasShownCanvasTutorial = QStringLiteral("HasShownCanvasTutorial1");
    void hideAppStoreOverlay();
    void hideTutorialOverlay();
    void hideProfileOverlay();
    void dismissTutorialOverlay();
    // The tutorial's "browse apps": the tutorial ends and the store opens 0.3 s later.
    void browseAppsFromTutorial();
    void showTutorialIfNeeded();
    void setupCanvasAIOverlay();
    void setupHelpButton();

    // Key commands: they act only while the canvas window is the active window. Escape closes
    // the topmost layer (the creation popup keeps its own Escape, then the profile, the store,
    // the tutorial) and minimises the window when none is up; Command (Ctrl) with = + - _ 0 d
    // r n h runs its command. True: the press is consumed.
    bool handleKeyDown(QKeyEvent &event);
    bool handleCommandKey(QKeyEvent &event);
    void minimizeWindow();
    bool isCanvasWindowActive() const;

    // The start and reset offset: the welcome component centred on the primary screen.
    static QPointF defaultOffset();

    // One zoom step about the view centre, as the toolbar and the Command keys make it.
    void zoomStep(bool zoomIn);
    void scrollToCanvasPoint(qreal x, qreal y, qreal dx, qreal dy);
    void zoomToDetail();
    // Moves the offset by a delta in view points.
    void scrollByDelta(const QPointF &delta);

    void addComponent(const EnhancedComponentType &type, std::optional<QPointF> position = std::nullopt);
    QPointF defaultComponentPosition() const;
    QPointF nextCategoryPosition() const;
    void addCategoryComponent(const CategoryModel &category, QObject *viewModel);
    void removeCategoryComponent(const QUuid &categoryId);
    // Brings the store up to date with the application version (once per version), then loads
    // the columns; both on later turns.
    void migrateAndLoadCategories();
    // Fetches on the thread pool and adds one column per category, all sharing one new list
    // view model.
    void loadCategoryComponents(const std::shared_ptr<QObject> &context);
    // Every category, oldest first, as snapshots; an empty store is seeded first. Runs on the
    // calling thread through a context of its own on the container; throws StoreError.
    static QList<CategoryModel> fetchCanvasCategories(ModelContainer *container);
    static inline const QString kLastMigratedAppVersion = QStringLiteral("LastMigratedAppVersion");

    // The add-component menu's actions.
    void addWebView();
    void addCategoryView();
    void addWelcomeView();
    void clearAllDatabasesFromCanvas();
    // Empties the canvas, cleans and seeds the store again, then fills the canvas again.
    void resetCanvasAndDatabase(const std::shared_ptr<QObject> &context);

    void setupNotificationObservers();
    void removeObservers();

    // The category creation popup, asked for by a right press on empty canvas (a point in the
    // canvas view). From its opening until its 0.2 s fade-out has ended the canvas ignores
    // presses and scrolls, and no second popup opens.
    void showCategoryCreationPopup(const QPointF &point);
    void hideCategoryCreationPopup();
    // Creates the category at the canvas point and adds its column once the creation is done.
    void confirmCategoryCreation(const QString &title, const QPointF &canvasPosition);
    QWidget *categoryCreationPopup() const { return m_categoryCreationPopup; }
    static constexpr int popupFadeInMs = 300;
    static constexpr int popupFadeOutMs = 200;
    void setCreatingCategory(bool creating) { m_isCreatingCategory = creating; }
    // A column's content asked for another height (canvas units).
    void handleCategoryHeightChange(const QUuid &categoryId, qreal height);

    // The fixed outside page a new web component shows.
    static QUrl webComponentHomePage();

Q_SIGNALS:
    // A popup opened for a right press at that point.
    void categoryCreationPopupRequested(const QPointF &point);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupContainerView();
    void setupCanvasView();
    void copyViewportToCanvas();
    void setCanvasVisible(bool visible);
    // The overlays over the whole canvas (store, profile, tutorial); a press on one closes it.
    QWidget *hostOverlay(const QString &title, std::function<void()> onClose);
    void hideOverlay(QPointer<QWidget> EnhancedCanvasViewController::*field);
    bool handleEscape();
    void setupKeyMonitor();
    void placeHelpButton();
    void openAppStoreOverlay();
    void closeAppStoreOverlay();
    void presentAppStoreOverlay();
    void presentProfileOverlay();
    void presentTutorialOverlay();

    QPointer<QWidget> m_view;
    QPointer<EnhancedCanvasView> m_canvasView;
    CanvasViewport m_viewport;
    bool m_isFullscreen = false;
    bool m_componentDragEnabled = true;
    QList<NSCanvasComponentPtr> m_components;
    std::shared_ptr<QObject> m_realModelContext;
    std::shared_ptr<ModelContainer> m_inMemoryContainer;
    QPointer<QObject> m_mainViewModel;
    CanvasThreadingManager *m_threadingManager;
    CanvasPerformanceMonitor *m_performanceMonitor;
    QList<NotificationCenter::Token> m_notificationObservers;
    bool m_isCreatingCategory = false;
    bool m_isHidingCategoryPopup = false;
    QPointer<QWidget> m_categoryCreationPopup;
    // The list view models of the columns on the canvas (and of creations under way).
    QList<QPointer<QObject>> m_categoryViewModels;
    void releaseCategoryViewModels();
    // Category fetches still running on the thread pool: the store they read must outlive them,
    // so the controller waits for them when it goes.
    struct FetchesInFlight;
    std::shared_ptr<FetchesInFlight> m_fetchesInFlight;
    bool m_isAppStoreOverlayVisible = false;
    bool m_isProfileOverlayVisible = false;
    bool m_isTutorialOverlayVisible = false;
    QPointer<QWidget> m_appStoreOverlayView;
    QPointer<QWidget> m_profileOverlayView;
    QPointer<QWidget> m_tutorialOverlayView;
    QPointer<CanvasAIOverlayView> m_canvasAIOverlayView;
    QPointer<QWidget> m_canvasHelpButtonView;
    LocalKeyMonitor *m_keyMonitor = nullptr;
    QPointer<Auth0Manager> m_identity;
    QPointer<ProfileService> m_profileService;
};
