#include "windows/PanelWindowManager.h"
#include "windows/FloatingPanelView.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/NotificationCenter.h"
#include "chat/ChatCoordinator.h"

#include <QCoreApplication>
#include <QEvent>
#include <cmath>

PanelWindowManager::PanelWindowManager(ModelContainer *modelContainer, QObject *parent)
    : BaseWindowManager(parent)
    , m_modelContainer(modelContainer)
    , m_screenFrames(&WindowPlacement::mainScreenFrames)
{
    setupObservers();
}

PanelWindowManager::~PanelWindowManager()
{
    for (quint64 token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();
    m_hostingView = nullptr;
    cleanup();
}

void PanelWindowManager::setMainViewModel(ChatCoordinator *mainViewModel)
{
    m_mainViewModel = mainViewModel;
}

ChatCoordinator *PanelWindowManager::mainViewModel() const
{
    return static_cast<ChatCoordinator *>(m_mainViewModel.data());
}

FloatingPanelView *PanelWindowManager::hostingView() const
{
    return static_cast<FloatingPanelView *>(m_hostingView.data());
}

void PanelWindowManager::setupObservers()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { cleanup(); });
    m_notificationObservers.append(NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("panelSizeShouldUpdate"), this, [this](const Notification &) { positionWindow(); }));
}

void PanelWindowManager::createPanel()
{
    if (window())
        return;
    auto *panel = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel->setObjectName(QStringLiteral("FloatingPanel"));
    panel->setWindowTitle(QStringLiteral("Tasks"));
    panel->setAttribute(Qt::WA_TranslucentBackground);
    // Shown without taking focus; a click into its text field still gives it the keyboard.
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setMouseTracking(true);
    panel->resize(int(panelWidth), int(minimumContentHeight));
    setWindow(panel);
    positionWindow();
    panel->installEventFilter(this);
    setupContent();
}

void PanelWindowManager::setupContent()
{
    QWidget *panel = window();
    if (!panel)
        return;
    if (!m_mainViewModel) {
        Log::line(QStringLiteral("PanelWindowManager: MainViewModel is not set"));
        return;
    }
    auto *view = new FloatingPanelView(m_modelContainer->mainContext(), mainViewModel(), panel);
    view->setScreenHeightProvider([this]() -> std::optional<double> {
        const auto frames = m_screenFrames ? m_screenFrames() : std::nullopt;
        if (!frames)
            return std::nullopt;
        return frames->available.height();
    });
    view->setGeometry(panel->rect());
    view->show();
    m_hostingView = view;
    panel->resize(int(panelWidth), int(minimumContentHeight));
}

double PanelWindowManager::fittedHeight(const QWidget *view)
{
    const QSize hint = view->sizeHint();
    const double h = hint.width() > 0 && hint.height() > 0 ? hint.height() : view->minimumSizeHint().height();
    return std::max(minimumContentHeight, h);
}

void PanelWindowManager::updatePanelSize()
{
    if (!m_hostingView) {
        Log::line(QStringLiteral("PanelWindowManager: Hosting controller is nil"));
        return;
    }
    QWidget *panel = window();
    panel->resize(int(panelWidth), int(std::ceil(fittedHeight(hostingView()))));
}

QRect PanelWindowManager::panelFrame(const ScreenFrames &frames, double width, double height)
{
    double x = frames.frame.x() + frames.frame.width() - width;
    if (x <= 0)
        x = 0;
    // The higher of the two bottoms (Qt measures downwards).
    const double bottom = std::min(frames.available.y() + frames.available.height(), frames.frame.y() + frames.frame.height());
    return QRectF(x, bottom - height, width, height).toAlignedRect();
}

void PanelWindowManager::positionWindow()
{
    QWidget *panel = window();
    if (!panel || m_positioning)
        return;
    const std::optional<ScreenFrames> frames = m_screenFrames ? m_screenFrames() : std::nullopt;
    if (!frames)
        return;
    m_positioning = true;
    updatePanelSize();
    const QRect frame = panelFrame(*frames, panel->width(), panel->height());
    panel->move(frame.topLeft());
    if (m_hostingView)
        m_hostingView->setGeometry(panel->rect());
    m_positioning = false;
}

void PanelWindowManager::show()
{
    createPanel();
    NotificationCenter::defaultCenter().post(QStringLiteral("PanelViewWillAppear"));
    BaseWindowManager::show();
    if (QWidget *panel = window()) {
        panel->raise();
        if (panel->isMinimized())
            panel->showNormal();
    }
}

void PanelWindowManager::hide()
{
    BaseWindowManager::hide();
    NotificationCenter::defaultCenter().post(QStringLiteral("PanelViewDidDisappear"));
}

void PanelWindowManager::releaseContent()
{
    m_hostingView = nullptr;
    if (QWidget *panel = window())
        panel->removeEventFilter(this);
}

void PanelWindowManager::cleanup()
{
    releaseContent();
    BaseWindowManager::cleanup();
}

bool PanelWindowManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window()) {
        switch (event->type()) {
        case QEvent::Resize:
            if (m_screenFrames && m_screenFrames())
                positionWindow();
            break;
        case QEvent::Close:
            m_hostingView = nullptr;
            break;
        default:
            break;
        }
    }
    return BaseWindowManager::eventFilter(watched, event);
}
