#include "voice/TranscriptWindowManager.h"

#include "voice/AudioManagerService.h"
#include "voice/TranscriptCoordinator.h"
#include "voice/TranscriptView.h"

#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>

namespace {
constexpr int kTranscriptionDebounceMs = 100;
}

TranscriptWindowManager::TranscriptWindowManager(TranscriptCoordinator *mainViewModel, AudioManagerService *audioManagerService, QObject *parent)
    : BaseWindowManager(parent)
    , m_mainViewModel(mainViewModel)
    , m_audioManagerService(audioManagerService)
{
    // At quit the panel is closed, without the hide steps.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        if (window())
            window()->close();
    });
    NotificationCenter &center = NotificationCenter::defaultCenter();
    // A flower recording takes the stage: the panel steps aside (no close is reported).
    center.addObserver(kFlowerViewWillAppear, this, [this](const Notification &) {
        if (isOnScreen())
            hide();
    });
    if (m_audioManagerService) {
        connect(m_audioManagerService, &AudioManagerService::transcriptionChanged, this, [this] {
            Scheduler::instance().cancel(m_transcriptionDebounce);
            m_transcriptionDebounce = Scheduler::instance().singleShot(kTranscriptionDebounceMs, this, [this] {
                m_transcriptionDebounce = 0;
                if (isOnScreen())
                    positionWindow();
            });
        });
    }
    center.addObserver(TranscriptView::kHeightChanged, this, [this](const Notification &) {
        if (isOnScreen())
            positionWindow();
    });
}

TranscriptWindowManager::~TranscriptWindowManager()
{
    Scheduler::instance().cancel(m_transcriptionDebounce);
    NotificationCenter::defaultCenter().removeObservers(this);
    // Runs this class's hide (the base destructor would only reach the base one).
    cleanup();
}

QPoint TranscriptWindowManager::panelOrigin(const QRect &availableGeometry, const QSize &panelSize)
{
    const QRectF available(availableGeometry);
    const qreal x = available.center().x() - panelSize.width() / 2.0;
    const qreal y = available.bottom() - kBottomMargin - panelSize.height();
    return QPointF(x, y).toPoint();
}

bool TranscriptWindowManager::isOnScreen() const
{
    return window() && window()->isVisible();
}

void TranscriptWindowManager::setWindowVisible(bool visible)
{
    if (m_isWindowVisible == visible)
        return;
    m_isWindowVisible = visible;
    Q_EMIT isWindowVisibleChanged(visible);
}

void TranscriptWindowManager::createWindow()
{
    if (window())
        return;
    // Takes focus when clicked, so that the editor can be typed into.
    auto *panel = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_ShowWithoutActivating, false);
    panel->setWindowTitle(QStringLiteral("Transcript"));
    panel->resize(kPanelWidth, kPanelHeight);
    setWindow(panel);
    positionWindow();
}

void TranscriptWindowManager::loadContent()
{
    QWidget *panel = window();
    if (!panel)
        return;
    if (m_content) {
        // The old view goes quiet at once; it is deleted on a later turn.
        m_content->detach();
        m_content->hide();
        m_content->deleteLater();
    }
    QPointer<TranscriptWindowManager> self(this);
    m_content = new TranscriptView(m_mainViewModel, [self] { return self && self->m_isWindowVisible; },
                                   [self](const QString &source) { handleClose(self, source); }, panel);
    m_content->setGeometry(panel->rect());
    m_content->installEventFilter(this);
    m_content->show();
}

void TranscriptWindowManager::show()
{
    createWindow();
    QWidget *panel = window();
    if (panel) {
        loadContent();
        // The size is fixed; Qt keeps the top edge where it is.
        panel->resize(kPanelWidth, kPanelHeight);
        if (m_content)
            m_content->setGeometry(panel->rect());
        setWindowVisible(true);
    }
    BaseWindowManager::show();
    if (panel) {
        panel->raise();
        panel->activateWindow();
        if (m_content && m_content->isEditorShown())
            m_content->editor()->setFocus();
        NotificationCenter::defaultCenter().post(kWillAppear);
    }
}

void TranscriptWindowManager::hide()
{
    if (!isOnScreen())
        return;
    setWindowVisible(false);
    // A hide never stops a recording; it only lets the last transcription go.
    if (m_audioManagerService)
        m_audioManagerService->clearTranscription();
    BaseWindowManager::hide();
    NotificationCenter::defaultCenter().post(kDidDisappear);
}

void TranscriptWindowManager::positionWindow()
{
    QWidget *panel = window();
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!panel || !screen)
        return;
    panel->resize(kPanelWidth, kPanelHeight);
    panel->move(panelOrigin(screen->availableGeometry(), panel->size()));
}

void TranscriptWindowManager::handleClose(QPointer<TranscriptWindowManager> manager, const QString &source)
{
    // Reported on a later main-queue turn, after the hide below.
    MainQueue::post(QCoreApplication::instance(), [source] {
        AnalyticsService::shared().trackTranscriptionInteraction(QStringLiteral("close"), std::nullopt, {{QStringLiteral("source"), source}});
    });
    if (manager)
        manager->hide();
}

bool TranscriptWindowManager::eventFilter(QObject *watched, QEvent *event)
{
    // The panel moves when its transparent background is dragged.
    if (watched == m_content && window()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *e = static_cast<QMouseEvent *>(event);
            if (e->button() == Qt::LeftButton) {
                m_dragging = true;
                m_dragOffset = e->globalPosition().toPoint() - window()->pos();
            }
            break;
        }
        case QEvent::MouseMove:
            if (m_dragging)
                window()->move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_dragOffset);
            break;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            break;
        default:
            break;
        }
    }
    return BaseWindowManager::eventFilter(watched, event);
}
