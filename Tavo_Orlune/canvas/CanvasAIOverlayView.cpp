#include "canvas/CanvasAIOverlayView.h"
#include "canvas/CanvasSearchFieldView.h"
#include "canvas/ControlsRowView.h"
#include "canvas/MiniAppToggleView.h"
#include "windows/CanvasCoordinator.h"
#include "widgets/FlowerAnimationView.h"
#include "widgets/SearchViewModel.h"
#include "analytics/AnalyticsService.h"
#include "theme/CircleButton.h"
#include "theme/Gradients.h"
#include "theme/Materials.h"
#include "voice/AudioManagerService.h"
#include "voice/AudioManagerServiceRecorder.h"
#include "voice/RecordingSource.h"
#include "Platform/Scheduler.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {
constexpr qreal kCornerRadius = 32;
constexpr int kBottomPadding = 16;
constexpr int kRaisedLift = 20;
constexpr int kLoweredBottomSpace = 50;
}

const QStringList &CanvasAIOverlayView::placeholderTexts()
{
    static const QStringList texts{
        QStringLiteral("Prepare today\u2019s meetings in Google Docs"),
        QStringLiteral("Find all Apple purchases from the last 2 years"),
        QStringLiteral("Create a $5M financial plan in Google Sheets"),
        QStringLiteral("Write YC answers in Google Sheets"),
        QStringLiteral("Give me a summary of today\u2019s important emails"),
    };
    return texts;
}

CanvasAIOverlayView::CanvasAIOverlayView(QObject *coordinator, QWidget *parent)
    : QWidget(parent)
    , m_coordinator(coordinator)
    , m_searchViewModel(new SearchViewModel(this))
    , m_searchField(new CanvasSearchFieldView(m_searchViewModel, placeholderTexts(), this))
    , m_controlsRow(nullptr)
{
    setObjectName(QStringLiteral("canvasAIOverlay"));
    setAttribute(Qt::WA_Hover);
    QPointer<CanvasAIOverlayView> self(this);
    m_controlsRow = new ControlsRowView(m_searchViewModel, [self] {
        if (self)
            self->handleMicrophoneTap();
    }, this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    layout->addWidget(m_searchField, 1, Qt::AlignVCenter);
    layout->addWidget(m_controlsRow, 0, Qt::AlignVCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_searchField->setFixedWidth(barWidth - 32 - 14 - m_controlsRow->sizeHint().width());

    connect(m_searchField, &CanvasSearchFieldView::searchFocusChanged, this, [this](bool focused) {
        m_isSearchFocused = focused;
        Q_EMIT stateChanged();
    });

    NotificationCenter &center = NotificationCenter::defaultCenter();
    auto observe = [&](const char *name, std::function<void(CanvasAIOverlayView *, const Notification &)> reaction) {
        m_observers.append(center.addObserver(QString::fromLatin1(name), this, [self, reaction](const Notification &n) {
            if (self)
                reaction(self, n);
        }));
    };
    observe("canvasInsertSearchText", [](CanvasAIOverlayView *v, const Notification &n) { v->insertSearchText(n); });
    observe("resetMicrophoneMode", [](CanvasAIOverlayView *v, const Notification &) { v->resetMicrophoneMode(); });
    observe("canvasGeneralClick", [](CanvasAIOverlayView *v, const Notification &) { v->setTargetCategoryTitle(kAllTasks); });
    observe("focusCanvasAIOverlay", [](CanvasAIOverlayView *v, const Notification &) { v->focusPromptBar(); });
    observe("focusCanvasAIOverlayWithCategory", [](CanvasAIOverlayView *v, const Notification &n) { v->focusPromptBarWithCategory(n); });

    if (AudioManagerService *service = audio()) {
        connect(service, &AudioManagerService::isRecordingChanged, this, [this](bool recording) {
            AudioManagerService *recorder = audio();
            if (!recording || !recorder || recorder->currentRecordingSource() != RecordingSource::canvas || !m_startAsked)
                return;
            if (m_startAsked == m_opening && m_isMicrophoneMode && !m_finishing) {
                m_recordingOpening = m_opening;
                return;
            }
            // A start asked for by an opening that has ended came through late (the microphone
            // access answer arrives on a later turn): nobody could stop it, so it goes now.
            m_startAsked = 0;
            recorder->cancelRecording(RecordingSource::canvas);
        });
    }
}

CanvasAIOverlayView::~CanvasAIOverlayView()
{
    for (NotificationCenter::Token token : std::as_const(m_observers))
        NotificationCenter::defaultCenter().removeObserver(token);
    cancelPendingStart();
}

CanvasCoordinator *CanvasAIOverlayView::port() const
{
    return CanvasCoordinator::from(m_coordinator.data());
}

AudioManagerService *CanvasAIOverlayView::audio() const
{
    CanvasCoordinator *coordinator = port();
    return coordinator ? coordinator->audioService() : nullptr;
}

bool CanvasAIOverlayView::isMiniAppEnabled() const
{
    return m_controlsRow->miniAppToggle()->isOn();
}

void CanvasAIOverlayView::setMiniAppEnabled(bool enabled)
{
    m_controlsRow->miniAppToggle()->setOn(enabled);
}

int CanvasAIOverlayView::loweredOffset() const
{
    int offset = m_isHovered ? 0 : kRaisedLift;
    if (!m_isHovered && !m_isMicrophoneMode)
        offset += kLoweredBottomSpace;
    return offset;
}

// Appearance, submission and hover

void CanvasAIOverlayView::configureOnAppear()
{
    QPointer<CanvasAIOverlayView> self(this);
    m_searchViewModel->onSearchSubmit = [self](const QString &text) {
        if (self)
            self->submitPrompt(text);
    };
    setHovered(true);
    Scheduler::instance().singleShot(focusDelayMs, this, [self] {
        if (self)
            self->toggleFocusRequest();
    });
}

void CanvasAIOverlayView::submitPrompt(const QString &text)
{
    if (CanvasCoordinator *coordinator = port())
        coordinator->submitQuery(text, m_targetCategoryTitle, isMiniAppEnabled());
    setTargetCategoryTitle(kAllTasks);
}

void CanvasAIOverlayView::handleHover(bool hovering)
{
    qreal height = 0;
    if (!hovering) {
        const QPoint pointer = QCursor::pos();
        const QScreen *screen = QGuiApplication::screenAt(pointer);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        height = screen ? screen->geometry().bottom() + 1 - pointer.y() : lowerAboveScreenY + 1;
    }
    handleHoverAt(hovering, height);
}

void CanvasAIOverlayView::handleHoverAt(bool hovering, qreal pointerHeightAboveScreenBottom)
{
    if (hovering) {
        setHovered(true);
        toggleFocusRequest();
        return;
    }
    // Left through its bottom edge (towards the screen's edge) the bar stays up.
    if (pointerHeightAboveScreenBottom > lowerAboveScreenY) {
        setHovered(false);
        setTargetCategoryTitle(kAllTasks);
    }
}

// Microphone mode

void CanvasAIOverlayView::handleMicrophoneTap()
{
    if (!m_searchViewModel->searchText().isEmpty()) {
        m_searchViewModel->submitSearch();
        return;
    }
    if (m_isMicrophoneMode || !m_isControlsVisible)
        return; // an opening is already under way
    const quint64 opening = ++m_opening;
    m_finishing = false;
    setControlsVisible(false);
    cancelPendingStart();
    QPointer<CanvasAIOverlayView> self(this);
    Scheduler &scheduler = Scheduler::instance();
    m_modeTimer = scheduler.singleShot(controlsHideMs, this, [self, opening] {
        if (!self || self->m_opening != opening)
            return;
        self->m_modeTimer = 0;
        self->setMicrophoneMode(true);
    });
    m_startTimer = scheduler.singleShot(recordingStartDelayMs, this, [self, opening] {
        if (!self)
            return;
        self->m_startTimer = 0;
        // Left or finished in the meantime: the microphone stays off.
        if (self->m_opening == opening && self->m_isMicrophoneMode && !self->m_finishing)
            self->startVoiceInput();
    });
}

void CanvasAIOverlayView::startVoiceInput()
{
    trackVoiceRecording(QStringLiteral("start"));
    AudioManagerService *service = audio();
    if (!service)
        return;
    m_startAsked = m_opening;
    service->startRecording(RecordingSource::canvas);
}

void CanvasAIOverlayView::cancelVoiceInput()
{
    trackVoiceRecording(QStringLiteral("stop"));
    if (AudioManagerService *service = audio())
        service->cancelRecording(RecordingSource::canvas);
    leaveMicrophoneMode();
    setMicrophoneMode(false);
    setControlsVisible(true);
    QPointer<CanvasAIOverlayView> self(this);
    Scheduler::instance().singleShot(returnDelayMs, this, [self] {
        if (self)
            self->toggleFocusRequest();
    });
}

void CanvasAIOverlayView::finishVoiceInput()
{
    if (!m_isMicrophoneMode || m_finishing)
        return;
    m_finishing = true;
    cancelPendingStart();
    trackVoiceRecording(QStringLiteral("stop"));
    const quint64 opening = m_opening;
    AudioManagerService *service = audio();
    const bool ours = service && m_recordingOpening == opening && service->isRecording()
                      && service->currentRecordingSource() == RecordingSource::canvas;
    QPointer<CanvasAIOverlayView> self(this);
    if (!ours) {
        // No recording of this opening runs (it never started, or another microphone owns the
        // recorder): whatever transcript the recorder holds is not this bar's.
        MainQueue::post(this, [self, opening] {
            if (self)
                self->applyTranscription(opening, QString());
        });
        return;
    }
    QPointer<QObject> coordinator = m_coordinator;
    QPointer<AudioManagerService> recorder = service;
    service->stopRecording(
        [self, coordinator, recorder, opening] {
            if (!coordinator || !recorder)
                return;
            const QString text = recorder->transcription().trimmed();
            MainQueue::post(self, [self, opening, text] {
                if (self)
                    self->applyTranscription(opening, text);
            });
        },
        kStopSourceName);
}

void CanvasAIOverlayView::applyTranscription(quint64 opening, const QString &transcript)
{
    // The mode was left another way while the transcript was under way.
    if (opening != m_opening || !m_finishing)
        return;
    if (!transcript.isEmpty())
        m_searchViewModel->setSearchText(transcript);
    leaveMicrophoneMode();
    setMicrophoneMode(false);
    const quint64 ended = m_opening;
    QPointer<CanvasAIOverlayView> self(this);
    Scheduler::instance().singleShot(returnDelayMs, this, [self, ended] {
        if (!self || self->m_opening != ended)
            return;
        self->setControlsVisible(true);
        self->toggleFocusRequest();
    });
}

void CanvasAIOverlayView::resetMicrophoneMode()
{
    const bool wasTyping = !m_isMicrophoneMode && m_isControlsVisible;
    leaveMicrophoneMode();
    if (wasTyping)
        return;
    setMicrophoneMode(false);
    const quint64 ended = m_opening;
    QPointer<CanvasAIOverlayView> self(this);
    Scheduler::instance().singleShot(returnDelayMs, this, [self, ended] {
        if (self && self->m_opening == ended)
            self->setControlsVisible(true);
    });
}

void CanvasAIOverlayView::leaveMicrophoneMode()
{
    ++m_opening;
    m_finishing = false;
    m_recordingOpening = 0;
    cancelPendingStart();
}

void CanvasAIOverlayView::cancelPendingStart()
{
    Scheduler &scheduler = Scheduler::instance();
    if (m_modeTimer)
        scheduler.cancel(m_modeTimer);
    if (m_startTimer)
        scheduler.cancel(m_startTimer);
    m_modeTimer = m_startTimer = 0;
}

// Notifications

void CanvasAIOverlayView::insertSearchText(const Notification &notification)
{
    if (notification.object.typeId() == QMetaType::QString) {
        m_searchViewModel->setSearchText(notification.object.toString());
        toggleFocusRequest();
        bounce();
    }
    setHovered(true);
}

void CanvasAIOverlayView::focusPromptBar()
{
    setHovered(true);
    setTargetCategoryTitle(kAllTasks);
    toggleFocusRequest();
}

void CanvasAIOverlayView::focusPromptBarWithCategory(const Notification &notification)
{
    const QVariant title = notification.userInfo.value(QStringLiteral("categoryTitle"));
    setTargetCategoryTitle(title.typeId() == QMetaType::QString ? title.toString() : kAllTasks);
    setHovered(true);
    bounce();
    toggleFocusRequest();
}

// State

void CanvasAIOverlayView::toggleFocusRequest()
{
    m_shouldFocusTextEditor = !m_shouldFocusTextEditor;
    if (m_searchField->isVisible())
        m_searchField->requestFocus();
    Q_EMIT stateChanged();
}

void CanvasAIOverlayView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    place();
    update();
    Q_EMIT stateChanged();
}

void CanvasAIOverlayView::setTargetCategoryTitle(const QString &title)
{
    if (title == m_targetCategoryTitle)
        return;
    m_targetCategoryTitle = title;
    m_searchField->setTargetCategory(title);
    Q_EMIT stateChanged();
}

void CanvasAIOverlayView::setMicrophoneMode(bool on)
{
    if (on == m_isMicrophoneMode)
        return;
    m_isMicrophoneMode = on;
    if (on)
        buildMicrophoneRow();
    // The editor leaves while the microphone row is up; it comes back with the typing mode.
    m_searchField->setVisible(!on);
    if (m_microphoneRow)
        m_microphoneRow->setVisible(on);
    place();
    Q_EMIT stateChanged();
}

void CanvasAIOverlayView::setControlsVisible(bool visible)
{
    if (visible == m_isControlsVisible)
        return;
    m_isControlsVisible = visible;
    m_controlsRow->setVisible(visible && !m_isMicrophoneMode);
    Q_EMIT stateChanged();
}

void CanvasAIOverlayView::bounce()
{
    m_animateBounce = true;
    Q_EMIT stateChanged();
    QPointer<CanvasAIOverlayView> self(this);
    Scheduler::instance().singleShot(bounceMs, this, [self] {
        if (!self)
            return;
        self->m_animateBounce = false;
        Q_EMIT self->stateChanged();
    });
}

void CanvasAIOverlayView::buildMicrophoneRow()
{
    if (m_microphoneRow)
        return;
    m_microphoneRow = new QWidget(this);
    m_microphoneRow->setObjectName(QStringLiteral("microphoneRow"));
    auto *row = new QHBoxLayout(m_microphoneRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(42);
    QPointer<CanvasAIOverlayView> self(this);
    auto *close = new CircleButton(QStringLiteral("btn_close"), nullptr, std::nullopt, 34, [self] {
        if (self)
            self->cancelVoiceInput();
    }, m_microphoneRow);
    close->setObjectName(QStringLiteral("microphoneClose"));
    AudioRecorderInterface *recorder = nullptr;
    if (AudioManagerService *service = audio())
        recorder = new AudioManagerServiceRecorder(*service, m_microphoneRow);
    FlowerAnimationView::Options options;
    options.showBackground = false;
    options.isCompact = false;
    options.showButtons = false;
    options.showLabels = false;
    options.recordingSource = QStringLiteral("canvas");
    options.alwaysExpanded = false;
    options.showShadow = true;
    options.scale = 1.0;
    options.onTap = [self] {
        if (self)
            self->finishVoiceInput();
    };
    options.onCanvasTap = [] {};
    options.onTranscriptTap = [] {};
    m_flower = new FlowerAnimationView(recorder, options, m_microphoneRow);
    m_flower->setFixedSize(70, 70);
    auto *send = new CircleButton(QStringLiteral("btn_send"), nullptr, std::nullopt, 34, [self] {
        if (self)
            self->finishVoiceInput();
    }, m_microphoneRow);
    send->setObjectName(QStringLiteral("microphoneSend"));
    row->addStretch(1);
    row->addWidget(close, 0, Qt::AlignVCenter);
    row->addWidget(m_flower, 0, Qt::AlignVCenter);
    row->addWidget(send, 0, Qt::AlignVCenter);
    row->addStretch(1);
    m_microphoneRow->setFixedWidth(barWidth - 32);
    m_microphoneRow->hide();
    static_cast<QHBoxLayout *>(layout())->addWidget(m_microphoneRow, 0, Qt::AlignVCenter);
}

void CanvasAIOverlayView::trackVoiceRecording(const QString &action)
{
    AnalyticsService::shared().trackVoiceRecording(action, std::nullopt, {{QStringLiteral("source"), QStringLiteral("canvas")}});
}

// Placement and drawing

void CanvasAIOverlayView::place()
{
    QWidget *host = parentWidget();
    if (!host)
        return;
    const QSize size = sizeHint().expandedTo(QSize(barWidth, 0));
    const int x = (host->width() - size.width()) / 2;
    const int y = host->height() - kBottomPadding - size.height() + loweredOffset();
    setGeometry(x, y, size.width(), size.height());
}

bool CanvasAIOverlayView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        place();
    else if (event->type() == QEvent::ParentChange && parentWidget()) {
        parentWidget()->installEventFilter(this);
        place();
    }
    return handled;
}

bool CanvasAIOverlayView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void CanvasAIOverlayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (parentWidget())
        parentWidget()->installEventFilter(this); // installing twice keeps one entry
    configureOnAppear();
    place();
}

void CanvasAIOverlayView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    handleHover(true);
}

void CanvasAIOverlayView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    handleHover(false);
}

void CanvasAIOverlayView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(r, kCornerRadius, kCornerRadius);
    p.fillPath(path, Materials::ultraThin());
    p.save();
    p.setOpacity(m_isHovered ? 0.07 : 0.3);
    p.fillPath(path, Gradients::promptGlowGradient().in(r));
    p.restore();
    p.setPen(QPen(Qt::white, 1));
    p.drawPath(path);
}
