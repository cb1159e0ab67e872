#include "windows/FlowerWindowManager.h"
#include "widgets/AudioRecorderInterface.h"
#include "widgets/FlowerAnimationView.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "analytics/AnalyticsService.h"

#include <QEvent>

namespace {
constexpr qreal kPanelSize = WindowPlacement::flowerPanelSize;

void post(const char *name)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name));
}

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}
}

FlowerWindowManager::FlowerWindowManager(AudioRecorderInterface *audioManagerService, QObject *parent)
    : BaseWindowManager(parent)
    , m_audioManagerService(audioManagerService)
    , m_screenFrames(&WindowPlacement::mainScreenFrames)
{
    setupObservers();
    if (audioManagerService) {
        connect(audioManagerService, &AudioRecorderInterface::recordingFailed, this,
                [this](const QString &source, const QString &message) { recordingFailed(source, message); });
    }
}

void FlowerWindowManager::recordingFailed(const QString &source, const QString &message)
{
    // Only a recording the flower asked for is the flower's to report.
    if (source != QLatin1String("flower") && !m_isRecording)
        return;
    m_message = message;
    if (m_messageTimer)
        Scheduler::instance().cancel(m_messageTimer);
    QPointer<FlowerWindowManager> self(this);
    m_messageTimer = Scheduler::instance().singleShot(messageMs, this, [self] {
        if (!self)
            return;
        self->m_messageTimer = 0;
        self->m_message.clear();
        self->updateFlowerContent();
    });
    // Back to rest: no recording will come of this request.
    if (m_isRecording) {
        m_isRecording = false;
        collapse();
    } else {
        updateFlowerContent();
    }
}

FlowerWindowManager::~FlowerWindowManager()
{
    // The overriding hide() runs inside cleanup: a running flower recording is stopped.
    cleanup();
}

void FlowerWindowManager::setupObservers()
{
    NotificationCenter &nc = NotificationCenter::defaultCenter();
    nc.addObserver(QStringLiteral("startFlowerRecording"), this, [this](const Notification &) { startRecording(); });
    nc.addObserver(QStringLiteral("stopFlowerRecording"), this, [this](const Notification &) {
        if (m_isRecording)
            stopRecording();
    });
}

void FlowerWindowManager::createFlowerPanel()
{
    if (window())
        return;
    auto *panel = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    panel->setObjectName(QStringLiteral("FlowerPanel"));
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    panel->setFixedSize(int(kPanelSize), int(kPanelSize));
    panel->installEventFilter(this);
    setWindow(panel);
    positionWindow();
    setupFlowerContent();
}

void FlowerWindowManager::setupFlowerContent()
{
    QWidget *panel = window();
    if (!panel)
        return;
    QPointer<FlowerWindowManager> self(this);
    FlowerAnimationView::Options options;
    options.showBackground = true;
    options.isCompact = !m_isExpanded;
    options.showButtons = true;
    options.showLabels = true;
    options.recordingSource = QStringLiteral("flower");
    options.alwaysExpanded = false;
    options.showShadow = true;
    options.scale = 1.0;
    options.message = m_message;
    options.onTap = [self] {
        if (self)
            self->handleFlowerTap();
    };
    options.onCanvasTap = [self] {
        if (self)
            post("showCanvasWindow");
    };
    options.onTranscriptTap = [self] {
        if (self)
            post("toggleTranscriptWindowFromFlower");
    };
    if (m_flowerView)
        m_flowerView->deleteLater();
    m_flowerView = new FlowerAnimationView(m_audioManagerService, std::move(options), panel);
    m_flowerView->setMovesWindow(true);
    m_flowerView->setGeometry(panel->rect());
    m_flowerView->show();
}

void FlowerWindowManager::updateFlowerContent()
{
    if (window())
        setupFlowerContent();
}

void FlowerWindowManager::showFlowerWindow()
{
    if (m_isVisible)
        return;
    m_isVisible = true;
    m_isExpanded = false;
    createFlowerPanel();
    if (!window())
        return;
    if (isAnimating()) {
        // A fade-out is still under way: show again when it ends (replayed through show()).
        setPendingVisibilityState(true);
        return;
    }
    fadeIn();
}

void FlowerWindowManager::fadeIn()
{
    QWidget *panel = window();
    panel->setWindowOpacity(0.0);
    panel->show();
    panel->raise();
    if (panel->isMinimized())
        panel->showNormal();
    MainQueue::post(this, [this] { positionWindow(); });
    // The flower's own fade: not counted as a base fade, nothing queued behind it.
    runFade(1.0, {});
}

void FlowerWindowManager::show()
{
    if (!m_isVisible) {
        showFlowerWindow();
        return;
    }
    // Replayed after a fade-out that ran while the flower was asked to show: bring it back.
    if (window() && !window()->isVisible() && !isAnimating())
        fadeIn();
}

void FlowerWindowManager::hide()
{
    if (!m_isVisible)
        return;
    m_isVisible = false;
    if (m_isRecording)
        stopRecording();
    BaseWindowManager::hide();
}

void FlowerWindowManager::handleFlowerTap()
{
    const bool stopping = m_isRecording;
    if (stopping)
        stopRecording();
    else
        startRecording();
    MainQueue::post(this, [stopping] {
        AnalyticsService::shared().trackVoiceRecording(stopping ? QStringLiteral("stop") : QStringLiteral("start"), std::nullopt,
                                                       {{QStringLiteral("source"), QStringLiteral("flower")}});
    });
}

void FlowerWindowManager::startRecording()
{
    if (m_isRecording)
        return;
    if (m_messageTimer) {
        Scheduler::instance().cancel(m_messageTimer);
        m_messageTimer = 0;
    }
    m_message.clear();
    m_isRecording = true;
    m_isExpanded = true;
    updateFlowerContent();
    positionWindow();
    post("FlowerViewWillAppear");
    if (m_audioManagerService && !m_audioManagerService->isRecording())
        m_audioManagerService->startRecording(QStringLiteral("flower"));
}

void FlowerWindowManager::stopRecording()
{
    if (!m_isRecording)
        return;
    m_isRecording = false;
    if (m_audioManagerService && m_audioManagerService->isRecording()) {
        QPointer<FlowerWindowManager> self(this);
        m_audioManagerService->stopRecording(
            [self] {
                if (self)
                    MainQueue::post(self, [self] {
                        if (self)
                            self->collapse();
                    });
            },
            QStringLiteral("FlowerWindow"));
        return;
    }
    collapse();
}

void FlowerWindowManager::collapse()
{
    m_isExpanded = false;
    updateFlowerContent();
    positionWindow();
    post("FlowerRecordingDidEnd");
}

void FlowerWindowManager::positionWindow()
{
    QWidget *panel = window();
    if (!panel)
        return;
    m_isProgrammaticallyResizing = true;
    const std::optional<ScreenFrames> frames = m_screenFrames ? m_screenFrames() : std::nullopt;
    const QRectF primary = frames ? frames->primary : WindowPlacement::fallbackVisibleFrame();
    const QRectF vf = frames ? WindowPlacement::toDesign(frames->available, primary) : WindowPlacement::fallbackVisibleFrame();
    const WindowPlacement::FlowerPlacement placement =
        WindowPlacement::flowerFrame(vf, panel->isVisible(), m_intendedCenterX, loadSavedOrigin());
    m_intendedCenterX = placement.intendedCenterX;
    panel->setGeometry(WindowPlacement::toQt(placement.frame, primary).toRect());
    // Only the latest placement ends the quiet period, 0.4 s after it.
    const quint64 id = ++m_placementId;
    Scheduler::instance().singleShot(programmaticMoveMs, this, [this, id] {
        if (id == m_placementId)
            m_isProgrammaticallyResizing = false;
    });
}

void FlowerWindowManager::windowDidMove()
{
    QWidget *panel = window();
    if (!panel || m_isProgrammaticallyResizing)
        return;
    const QRectF frame = panel->frameGeometry();
    m_intendedCenterX = frame.center().x();
    const std::optional<ScreenFrames> frames = m_screenFrames ? m_screenFrames() : std::nullopt;
    const QRectF primary = frames ? frames->primary : WindowPlacement::fallbackVisibleFrame();
    saveOrigin(WindowPlacement::toDesign(frame, primary).topLeft());
}

bool FlowerWindowManager::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::Move)
        windowDidMove();
    return BaseWindowManager::eventFilter(watched, event);
}

std::optional<QPointF> FlowerWindowManager::loadSavedOrigin()
{
    const QVariant stored = Settings::instance().value(originKey);
    if (stored.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = stored.toMap();
    if (!map.contains(QStringLiteral("x")) || !map.contains(QStringLiteral("y")))
        return std::nullopt;
    for (const QVariant &v : map)
        if (!isNumber(v))
            return std::nullopt;
    return QPointF(map.value(QStringLiteral("x")).toDouble(), map.value(QStringLiteral("y")).toDouble());
}

void FlowerWindowManager::saveOrigin(const QPointF &origin)
{
    Settings::instance().setValue(originKey, QVariantMap{{QStringLiteral("x"), origin.x()}, {QStringLiteral("y"), origin.y()}});
    Settings::instance().sync();
}
