#include "chat/ChatInputPanel.h"
#include "chat/BottomRoundedRectangle.h"
#include "chat/ChatMicrophoneMode.h"
#include "chat/ChatMicrophoneRow.h"
#include "chat/ChatViewModel.h"
#include "model/ChatMessageData.h"
#include "chat/CircleChatButton.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"
#include "Platform/UuidText.h"
#include "model/TaskData.h"
#include "analytics/AnalyticsService.h"
#include "chat/ChatCoordinator.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/CustomToggle.h"
#include "theme/Fonts.h"
#include "theme/Materials.h"
#include "voice/AudioManagerServiceRecorder.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr qreal kMeasuringPadding = 28;   // the editor's 14-point padding above and below
constexpr int kEditorLineSpacing = 4;
constexpr int kRowFocusDelayMs = 100;

QString rgba(const QColor &c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}

QColor withOpacity(QColor c, qreal opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}
}

ChatInputPanel::ChatInputPanel(ChatViewModel *viewModel, ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
                               QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_mainViewModel(mainViewModel)
    , m_task(task)
    , m_caller(caller)
    , m_microphoneMode(new ChatMicrophoneMode(viewModel, mainViewModel, caller, this))
    , m_heightAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_isMiniAppEnabled = task && task->miniAppEnabled().value_or(false);

    // Text mode: the editor over the button row.
    m_textContent = new QWidget(this);
    auto *textLayout = new QVBoxLayout(m_textContent);
    textLayout->setContentsMargins(0, 16, 0, 0);
    textLayout->setSpacing(12);

    m_editorFrame = new QFrame(m_textContent);
    m_editorFrame->setObjectName(QStringLiteral("chatEditorFrame"));
    m_editorFrame->setStyleSheet(QStringLiteral("QFrame#chatEditorFrame { background: %1; border-radius: 16px; }").arg(rgba(Color::bubbleFill())));
    auto *editorLayout = new QHBoxLayout(m_editorFrame);
    editorLayout->setContentsMargins(12, 14, 12, 14);
    m_editor = new QTextEdit(m_editorFrame);
    m_editor->setAcceptRichText(false);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->setAutoFillBackground(false);
    m_editor->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; color: %1; }").arg(rgba(Color::textSecondary())));
    m_editor->setFont(Fonts::bodyFont());
    m_editor->document()->setDocumentMargin(0);
    m_editor->installEventFilter(this);
    editorLayout->addWidget(m_editor);
    textLayout->addWidget(m_editorFrame);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(6, 0, 6, 6);
    buttonRow->setSpacing(8);
    auto *pill = new QFrame(m_textContent);
    pill->setObjectName(QStringLiteral("miniAppPill"));
    pill->setStyleSheet(QStringLiteral("QFrame#miniAppPill { background: %1; border: 1px solid %2; border-radius: 13px; }")
                            .arg(rgba(Color::controlFill()), rgba(withOpacity(Color::glassBorder(), 0.8))));
    auto *pillLayout = new QHBoxLayout(pill);
    pillLayout->setContentsMargins(10, 6, 8, 6);
    m_miniAppSwitch = new CustomToggle(QStringLiteral("Dynamic App"), CustomToggleStyle{20, 12, 8, 4}, pill);
    m_miniAppSwitch->layout()->setSpacing(8);
    m_miniAppSwitch->label()->setFont(Fonts::smallFont());
    QPalette labelPalette = m_miniAppSwitch->label()->palette();
    labelPalette.setColor(QPalette::WindowText, Color::messageText());
    m_miniAppSwitch->label()->setPalette(labelPalette);
    m_miniAppSwitch->setOn(m_isMiniAppEnabled);
    pillLayout->addWidget(m_miniAppSwitch);
    buttonRow->addWidget(pill, 0, Qt::AlignVCenter);
    buttonRow->addStretch(1);
    m_stopButton = new CircleChatButton(QStringLiteral("btn_stop"), [this] { stopStreaming(); }, m_textContent);
    buttonRow->addWidget(m_stopButton, 0, Qt::AlignVCenter);
    m_primaryButton = new CircleChatButton(QStringLiteral("btn_mic"), [this] { handlePrimaryButtonTap(); }, m_textContent);
    buttonRow->addWidget(m_primaryButton, 0, Qt::AlignVCenter);
    textLayout->addLayout(buttonRow);

    // Microphone mode: the recording row, fed by the coordinator's recorder.
    AudioRecorderInterface *recorder = nullptr;
    if (mainViewModel && mainViewModel->audioService())
        recorder = new AudioManagerServiceRecorder(*mainViewModel->audioService(), this);
    m_microphoneRow = new ChatMicrophoneRow(m_microphoneMode, recorder, this);
    m_microphoneRow->hide();

    auto *outer = new QVBoxLayout(this);
    // The top edge belongs to each mode's content (see ChatMicrophoneRow).
    outer->setContentsMargins(16, 0, 16, 16);
    outer->setSpacing(12);
    outer->addWidget(m_textContent);
    outer->addWidget(m_microphoneRow);

    m_heightAnimation->setDuration(heightAnimationMs);
    m_heightAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_heightAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_editorFrame->setFixedHeight(qRound(v.toReal()));
    });

    connect(m_miniAppSwitch, &CustomToggle::toggled, this, [this](bool on) {
        m_isMiniAppEnabled = on;
        saveMiniAppSetting();
    });
    connect(m_editor, &QTextEdit::textChanged, this, &ChatInputPanel::onEditorTextChanged);
    if (viewModel)
        connect(viewModel, &ChatViewModel::messageTextChanged, this, &ChatInputPanel::onMessageTextChanged);
    if (task)
        connect(task, &TaskData::streamStatusChanged, this, &ChatInputPanel::updateStopButton);
    connect(m_microphoneMode, &ChatMicrophoneMode::microphoneModeChanged, this, [this](bool on, bool) {
        showMode(on);
        if (on) {
            QPointer<ChatInputPanel> self(this);
            Scheduler::instance().singleShot(kRowFocusDelayMs, this, [self] {
                if (self)
                    self->setTextFieldFocused(true);
            });
        }
    });
    connect(m_microphoneMode, &ChatMicrophoneMode::focusRequested, this, [this] { setTextFieldFocused(true); });
    // Why the dictation did not start, in the empty field, for a while.
    connect(m_microphoneMode, &ChatMicrophoneMode::recordingFailed, this, [this](const QString &message) {
        m_editor->setPlaceholderText(message);
        QPointer<QTextEdit> editor(m_editor);
        Scheduler::instance().singleShot(recordingErrorMs, m_editor, [editor, message] {
            if (editor && editor->placeholderText() == message)
                editor->setPlaceholderText(QString());
        });
    });

    // The editor starts at the height of whatever the field already holds.
    setEditorText(viewModel ? viewModel->messageText() : QString());
    m_primaryButton->setImageName(m_editor->toPlainText().isEmpty() ? QStringLiteral("btn_mic") : QStringLiteral("btn_send"));
    updateEditorHeight(false);
    updateStopButton();
}

ChatInputPanel::~ChatInputPanel()
{
    // A recording of a chat that goes away must not keep the microphone.
    m_microphoneMode->cancel();
}

qreal ChatInputPanel::calculateTextEditorHeight(const QString &text)
{
    if (text.isEmpty())
        return minEditorHeight;
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\n\\r\\x{2028}\\x{2029}]"));
    const QFont font = Fonts::system(measuringFontPixels, QFont::Normal);
    QTextOption option;
    // Words wrap at spaces; a word longer than the line breaks where it must.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    for (const QString &paragraph : text.split(breaks)) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(measuringWidth);
            height += line.height();
        }
        layout.endLayout();
    }
    return std::clamp(std::ceil(height) + kMeasuringPadding, minEditorHeight, maxEditorHeight);
}

void ChatInputPanel::sendMessage()
{
    if (!m_task || !m_mainViewModel || !m_viewModel)
        return;
    m_mainViewModel->handleChatMessage(m_viewModel->messageText(), m_task, m_caller, m_isMiniAppEnabled);
}

void ChatInputPanel::handlePrimaryButtonTap()
{
    if (m_viewModel && !m_viewModel->messageText().isEmpty())
        sendMessage();
    else
        m_microphoneMode->enter();
}

void ChatInputPanel::stopStreaming()
{
    if (!m_task || !m_mainViewModel)
        return;
    const QString taskId = UuidText::toText(m_task->id());
    const QString caller = m_caller;
    // The coordinator stops the answer first; the usage event follows on the next turn.
    MainQueue::post(m_mainViewModel, [taskId, caller] {
        AnalyticsService::shared().trackStreamStopped(taskId, {{QStringLiteral("source"), caller}});
    });
    m_mainViewModel->stopStreaming(m_task);
}

void ChatInputPanel::saveMiniAppSetting()
{
    if (!m_task || !m_viewModel)
        return;
    // The chat state's own copy of the task, in its own context.
    TaskData *task = m_viewModel->task();
    if (!task)
        return;
    task->setMiniAppEnabled(m_isMiniAppEnabled);
    if (ModelContext *context = m_viewModel->modelContext()) {
        try {
            context->save();
        } catch (...) {
            // The switch keeps its value for this chat; the next send still carries it.
        }
    }
}

void ChatInputPanel::setMiniAppEnabled(bool enabled)
{
    m_miniAppSwitch->setOn(enabled);
}

void ChatInputPanel::cancelMicrophoneMode()
{
    m_microphoneMode->cancel();
}

bool ChatInputPanel::isMicrophoneMode() const
{
    return m_microphoneMode->isMicrophoneMode();
}

void ChatInputPanel::setTextFieldFocused(bool focused)
{
    m_isTextFieldFocused = focused;
    QWidget *target = isMicrophoneMode() ? static_cast<QWidget *>(m_microphoneRow) : m_editor;
    if (focused)
        target->setFocus(Qt::OtherFocusReason);
    else
        target->clearFocus();
}

void ChatInputPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = BottomRoundedRectangle{cornerRadius}.path(QRectF(rect()));
    p.fillPath(shape, Materials::ultraThin());
    p.fillPath(shape, withOpacity(Color::bubbleFill(), 0.3));
}

void ChatInputPanel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // The chat went off screen (not merely its window minimised): dictation ends with it.
    if (!event->spontaneous())
        cancelMicrophoneMode();
}

bool ChatInputPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return) {
                if (key->modifiers() & Qt::ShiftModifier)
                    m_editor->textCursor().insertText(QStringLiteral("\n"));
                else
                    sendMessage();
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
            m_isTextFieldFocused = true;
            break;
        case QEvent::FocusOut:
            m_isTextFieldFocused = false;
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChatInputPanel::onMessageTextChanged()
{
    const QString text = m_viewModel ? m_viewModel->messageText() : QString();
    if (m_editor->toPlainText() != text)
        setEditorText(text);
    m_primaryButton->setImageName(text.isEmpty() ? QStringLiteral("btn_mic") : QStringLiteral("btn_send"));
    updateEditorHeight(true);
}

void ChatInputPanel::onEditorTextChanged()
{
    if (m_syncingEditor || !m_viewModel)
        return;
    m_viewModel->setMessageText(m_editor->toPlainText());
}

void ChatInputPanel::setEditorText(const QString &text)
{
    m_syncingEditor = true;
    m_editor->setPlainText(text);
    QTextCursor all(m_editor->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(kEditorLineSpacing, QTextBlockFormat::LineDistanceHeight);
    all.mergeBlockFormat(spacing);
    m_editor->moveCursor(QTextCursor::End);
    m_syncingEditor = false;
}

void ChatInputPanel::updateEditorHeight(bool animated)
{
    const qreal target = calculateTextEditorHeight(m_viewModel ? m_viewModel->messageText() : QString());
    m_textEditorHeight = target;
    m_heightAnimation->stop();
    if (!animated) {
        m_editorFrame->setFixedHeight(qRound(target));
        return;
    }
    m_heightAnimation->setStartValue(qreal(m_editorFrame->height()));
    m_heightAnimation->setEndValue(target);
    m_heightAnimation->start();
}

void ChatInputPanel::updateStopButton()
{
    m_stopButton->setVisible(m_task && m_task->streamStatus() == StreamStatus::Streaming);
}

void ChatInputPanel::showMode(bool microphone)
{
    m_textContent->setVisible(!microphone);
    m_microphoneRow->setVisible(microphone);
    updateGeometry();
}
