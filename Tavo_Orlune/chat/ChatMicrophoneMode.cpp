#include "chat/ChatMicrophoneMode.h"
#include "chat/ChatViewModel.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"
#include "chat/ChatCoordinator.h"
#include "voice/AudioManagerService.h"
#include "voice/RecordingSource.h"

ChatMicrophoneMode::ChatMicrophoneMode(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, const QString &caller, QObject *parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_mainViewModel(mainViewModel)
    , m_caller(caller)
{
    NotificationCenter::defaultCenter().addObserver(QStringLiteral("resetMicrophoneMode"), this,
                                                    [this](const Notification &) { reset(); });
    if (mainViewModel && mainViewModel->audioService()) {
        connect(mainViewModel->audioService(), &AudioManagerService::recordingFailed, this,
                [this](RecordingSource source, const QString &message) {
                    // This mode asked for the recording: it leaves, and the panel says why.
                    if (source != RecordingSource::chat || !m_isMicrophoneMode || m_finishing)
                        return;
                    ++m_opening;
                    setMicrophoneMode(false, true);
                    Q_EMIT recordingFailed(message);
                });
    }
}

ChatMicrophoneMode::~ChatMicrophoneMode()
{
    NotificationCenter::defaultCenter().removeObservers(this);
}

void ChatMicrophoneMode::enter()
{
    if (m_isMicrophoneMode)
        return;
    const quint64 opening = ++m_opening;
    m_finishing = false;
    setMicrophoneMode(true, true);
    QPointer<ChatMicrophoneMode> self(this);
    Scheduler::instance().singleShot(recordingStartDelayMs, this, [self, opening] {
        // Left (or finished) in the meantime: the microphone stays off.
        if (self && self->m_isMicrophoneMode && self->m_opening == opening && !self->m_finishing)
            self->startRecording();
    });
    requestFocusAfter(enterFocusDelayMs);
}

void ChatMicrophoneMode::startRecording()
{
    trackVoiceRecording(QStringLiteral("start"));
    if (m_mainViewModel)
        m_mainViewModel->audioService()->startRecording(RecordingSource::chat);
}

void ChatMicrophoneMode::stopRecordingAndTranscribe()
{
    if (!m_isMicrophoneMode || m_finishing)
        return;
    m_finishing = true;
    trackVoiceRecording(QStringLiteral("stop"));
    if (!m_mainViewModel)
        return;
    QPointer<ChatCoordinator> coordinator = m_mainViewModel;
    QPointer<ChatMicrophoneMode> self(this);
    coordinator->audioService()->stopRecording(
        [coordinator, self] {
            if (!coordinator)
                return;
            const QString text = coordinator->audioService()->transcription().trimmed();
            MainQueue::post(self, [self, text] {
                if (self)
                    self->applyTranscription(text);
            });
        },
        stopSourceName);
}

void ChatMicrophoneMode::applyTranscription(const QString &text)
{
    if (!text.isEmpty() && m_viewModel)
        m_viewModel->setMessageText(text);
    m_finishing = false;
    ++m_opening;
    setMicrophoneMode(false, true);
    requestFocusAfter(leaveFocusDelayMs);
}

void ChatMicrophoneMode::close()
{
    trackVoiceRecording(QStringLiteral("stop"));
    if (m_mainViewModel)
        m_mainViewModel->audioService()->cancelRecording(RecordingSource::chat);
    ++m_opening;
    setMicrophoneMode(false, true);
    requestFocusAfter(leaveFocusDelayMs);
}

void ChatMicrophoneMode::cancel()
{
    if (!m_isMicrophoneMode)
        return;
    trackVoiceRecording(QStringLiteral("stop"));
    if (m_mainViewModel)
        m_mainViewModel->audioService()->cancelRecording(RecordingSource::chat);
    ++m_opening;
    setMicrophoneMode(false, false);
}

void ChatMicrophoneMode::reset()
{
    if (!m_isMicrophoneMode)
        return;
    ++m_opening;
    setMicrophoneMode(false, false);
}

void ChatMicrophoneMode::setMicrophoneMode(bool on, bool animated)
{
    if (m_isMicrophoneMode == on)
        return;
    m_isMicrophoneMode = on;
    Q_EMIT microphoneModeChanged(on, animated);
}

void ChatMicrophoneMode::requestFocusAfter(int ms)
{
    QPointer<ChatMicrophoneMode> self(this);
    Scheduler::instance().singleShot(ms, this, [self] {
        if (self)
            Q_EMIT self->focusRequested();
    });
}

void ChatMicrophoneMode::trackVoiceRecording(const QString &action)
{
    AnalyticsService::shared().trackVoiceRecording(action, std::nullopt, {{QStringLiteral("source"), m_caller}});
}
