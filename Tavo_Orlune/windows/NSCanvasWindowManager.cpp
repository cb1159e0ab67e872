#include "windows/NSCanvasWindowManager.h"
#include "windows/EmptyCanvasController.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "windows/WindowPlacement.h"
#include "analytics/AnalyticsService.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <QWindowStateChangeEvent>

namespace {
void post(const char *name)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name));
}
}

NSCanvasWindowManager::NSCanvasWindowManager(ModelContextFactory modelContainer, ControllerFactory controllerFactory, QObject *parent)
    : BaseWindowManager(parent)
    , m_modelContainer(std::move(modelContainer))
    , m_controllerFactory(std::move(controllerFactory))
{
    createWindow();
}

NSCanvasWindowManager::~NSCanvasWindowManager()
{
    cleanup();
    m_canvasViewController.reset();
}

void NSCanvasWindowManager::createWindow()
{
    if (!window()) {
        auto *w = new QWidget(nullptr, Qt::Window);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->installEventFilter(this);
        setWindow(w);
        positionWindow();
    }
    configureWindow(window());
    // A new controller with every build: the earlier one (and its view) goes.
    m_canvasViewController = m_controllerFactory ? m_controllerFactory() : nullptr;
    if (!m_canvasViewController)
        m_canvasViewController = std::make_unique<EmptyCanvasController>();
    QWidget *content = m_canvasViewController->view();
    if (auto *layout = window()->layout()) {
        while (QLayoutItem *item = layout->takeAt(0)) {
            if (QWidget *old = item->widget(); old && old != content)
                old->deleteLater();
            delete item;
        }
        layout->addWidget(content);
    }
    fitCanvasView();
    loadModelContext();
}

void NSCanvasWindowManager::configureWindow(QWidget *w)
{
    w->setWindowTitle(QStringLiteral("Orlune Canvas"));
    w->setMinimumSize(1300, 760);
    w->resize(1200, 800); // held to the minimum width by the line above
    positionWindow();
    w->setAutoFillBackground(true);
    if (!w->layout()) {
        auto *layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    if (m_menuBar)
        w->layout()->setMenuBar(m_menuBar);
}

void NSCanvasWindowManager::setMenuBar(QMenuBar *menuBar)
{
    m_menuBar = menuBar;
    if (QWidget *w = window(); w && menuBar && w->layout())
        w->layout()->setMenuBar(menuBar);
}

void NSCanvasWindowManager::loadModelContext()
{
    // Model contexts belong to the thread that makes them, so this one is made on the main
    // thread, on the next turn, before anything uses it.
    MainQueue::post(this, [this] {
        if (!m_modelContainer)
            return;
        m_realModelContext = m_modelContainer();
        if (m_canvasViewController)
            m_canvasViewController->setup(m_realModelContext, m_mainViewModel);
    });
}

void NSCanvasWindowManager::setMainViewModel(QObject *mainViewModel)
{
    m_mainViewModel = mainViewModel;
    if (!m_realModelContext)
        return;
    MainQueue::post(this, [this] {
        if (!m_modelContainer || !m_canvasViewController)
            return;
        m_canvasViewController->setup(m_modelContainer(), m_mainViewModel);
    });
}

void NSCanvasWindowManager::positionWindow()
{
    QWidget *w = window();
    const auto frames = WindowPlacement::mainScreenFrames();
    if (!w || !frames)
        return;
    const QRectF frame = WindowPlacement::centred(frames->available, w->frameGeometry().size());
    w->move(frame.topLeft().toPoint());
}

void NSCanvasWindowManager::show()
{
    if (!window())
        createWindow();
    post("EnhancedCanvasViewWillAppear");
    QWidget *w = window();
    if (!w)
        return;
    // A show after a hide that has not faded out yet wins: the window stays.
    if (m_pendingHide) {
        Scheduler::instance().cancel(m_pendingHide);
        m_pendingHide = 0;
    }
    if (isAnimating()) {
        // Queued by the base and replayed through this show() when the fade ends, so a show
        // during a fade-out ends with the window shown.
        BaseWindowManager::show();
        return;
    }
    if (w->isVisible()) {
        w->activateWindow();
        w->raise();
        return;
    }
    BaseWindowManager::show();
    w->activateWindow();
    Scheduler &s = Scheduler::instance();
    if (m_pendingFullScreen)
        s.cancel(m_pendingFullScreen);
    QPointer<QWidget> target = w;
    m_pendingFullScreen = s.singleShot(fullScreenDelayMs, this, [this, target] {
        m_pendingFullScreen = 0;
        if (target && target == window() && target->isVisible() && !target->isFullScreen())
            toggleFullScreen();
    });
}

void NSCanvasWindowManager::hide()
{
    Scheduler &s = Scheduler::instance();
    // A full-screen switch still due from the last show must not outlive this hide.
    if (m_pendingFullScreen) {
        s.cancel(m_pendingFullScreen);
        m_pendingFullScreen = 0;
    }
    if (QWidget *w = window(); w && w->isFullScreen())
        toggleFullScreen();
    if (m_pendingHide)
        s.cancel(m_pendingHide);
    m_pendingHide = s.singleShot(hideDelayMs, this, [this] {
        m_pendingHide = 0;
        BaseWindowManager::hide();
        post("EnhancedCanvasViewDidDisappear");
    });
}

void NSCanvasWindowManager::toggleFullScreen()
{
    QWidget *w = window();
    if (!w)
        return;
    if (w->isFullScreen())
        w->showNormal();
    else
        w->showFullScreen();
}

void NSCanvasWindowManager::showAddComponentMenu()
{
    if (!m_canvasViewController)
        return;
    m_canvasViewController->showAddComponentMenu(m_canvasViewController->makeAddComponentMenu());
}

void NSCanvasWindowManager::zoom(qreal factor)
{
    if (!m_canvasViewController)
        return;
    const qreal oldScale = m_canvasViewController->scale();
    qreal newScale = std::min(oldScale * factor, 1.0);
    newScale = std::max(newScale, 0.2);
    m_canvasViewController->setScale(newScale);
    m_canvasViewController->updateZoomLevelLabel();
    m_canvasViewController->adjustOffsetForZoom(oldScale, newScale);
    m_canvasViewController->applyTransform();
}

void NSCanvasWindowManager::zoomIn()
{
    zoom(1.1);
}

void NSCanvasWindowManager::zoomOut()
{
    zoom(1.0 / 1.1);
}

void NSCanvasWindowManager::resetView()
{
    if (m_canvasViewController)
        m_canvasViewController->resetView();
}

void NSCanvasWindowManager::fitCanvasView()
{
    if (!m_canvasViewController)
        return;
    QWidget *view = m_canvasViewController->view();
    QWidget *canvas = m_canvasViewController->canvasView();
    if (view && canvas)
        canvas->setGeometry(view->rect());
}

void NSCanvasWindowManager::windowWillClose()
{
    QWidget *w = window();
    if (w && w->isVisible()) {
        AnalyticsService::shared().trackCanvasInteraction(QStringLiteral("close"), {{QStringLiteral("source"), QStringLiteral("close_button")}});
        hide();
    }
}

void NSCanvasWindowManager::windowWillEnterFullScreen()
{
    if (m_canvasViewController) {
        m_canvasViewController->setIsFullscreen(true);
        fitCanvasView();
    }
    post("canvasWindowDidEnterFullScreen");
}

void NSCanvasWindowManager::windowWillExitFullScreen()
{
    if (m_canvasViewController) {
        m_canvasViewController->setIsFullscreen(false);
        fitCanvasView();
    }
}

void NSCanvasWindowManager::windowDidResize()
{
    fitCanvasView();
}

bool NSCanvasWindowManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window()) {
        switch (event->type()) {
        case QEvent::Close:
            // The window survives its close button: it is hidden (faded) instead.
            event->ignore();
            windowWillClose();
            return true;
        case QEvent::WindowStateChange: {
            const auto *change = static_cast<QWindowStateChangeEvent *>(event);
            const bool was = change->oldState() & Qt::WindowFullScreen;
            const bool is = window()->windowState() & Qt::WindowFullScreen;
            if (!was && is)
                windowWillEnterFullScreen();
            else if (was && !is)
                windowWillExitFullScreen();
            break;
        }
        case QEvent::Resize:
            windowDidResize();
            break;
        default:
            break;
        }
    }
    return BaseWindowManager::eventFilter(watched, event);
}

QStringList NSCanvasWindowManager::toolbarDefaultItemIdentifiers()
{
    return {QStringLiteral("add.component"), QStringLiteral("flexible.space"), QStringLiteral("zoom.out"),
            QStringLiteral("zoom.level"),    QStringLiteral("zoom.in"),        QStringLiteral("reset.view"),
            QStringLiteral("flexible.space"), QStringLiteral("toggle.fullscreen")};
}

QStringList NSCanvasWindowManager::toolbarAllowedItemIdentifiers()
{
    return {QStringLiteral("add.component"), QStringLiteral("zoom.out"),          QStringLiteral("zoom.level"),
            QStringLiteral("zoom.in"),       QStringLiteral("reset.view"),        QStringLiteral("toggle.fullscreen"),
            QStringLiteral("flexible.space")};
}

QAction *NSCanvasWindowManager::toolbarItem(const QString &identifier, QObject *parent)
{
    struct Item {
        const char *id, *label, *toolTip, *description;
        void (NSCanvasWindowManager::*action)();
    };
    static const Item items[] = {
        {"add.component", "Add Component", "Add Component to Canvas", "Add Component", &NSCanvasWindowManager::showAddComponentMenu},
        {"zoom.out", "Zoom Out", "Zoom Out Canvas", "Zoom Out", &NSCanvasWindowManager::zoomOut},
        {"zoom.in", "Zoom In", "Zoom In Canvas", "Zoom In", &NSCanvasWindowManager::zoomIn},
        {"reset.view", "Reset View", "Reset Canvas View", "Reset View", &NSCanvasWindowManager::resetView},
        {"toggle.fullscreen", "Toggle Fullscreen", "Toggle Fullscreen Mode", "Fullscreen", &NSCanvasWindowManager::toggleFullScreen},
    };
    if (identifier == QLatin1String("zoom.level")) {
        auto *action = new QWidgetAction(parent);
        action->setObjectName(identifier);
        action->setText(QStringLiteral("Zoom Level"));
        auto *field = new QLineEdit(QStringLiteral("100%"));
        field->setObjectName(QStringLiteral("zoomLevelField"));
        field->setReadOnly(true);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedSize(60, 24);
        QFont font = field->font();
        font.setPixelSize(12);
        field->setFont(font);
        field->setStyleSheet(QStringLiteral("background: transparent;"));
        action->setDefaultWidget(field);
        return action;
    }
    for (const Item &item : items) {
        if (identifier != QLatin1String(item.id))
            continue;
        auto *action = new QAction(QString::fromUtf8(item.label), parent);
        action->setObjectName(identifier);
        action->setToolTip(QString::fromUtf8(item.toolTip));
        action->setWhatsThis(QString::fromUtf8(item.description));
        const auto method = item.action;
        QPointer<NSCanvasWindowManager> self(this);
        connect(action, &QAction::triggered, this, [self, method] {
            if (self)
                (self.data()->*method)();
        });
        return action;
    }
    return nullptr;
}
