#include "chat/ChatMicrophoneRow.h"
#include "chat/ChatMicrophoneMode.h"
#include "chat/CircleChatButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "widgets/FlowerAnimationView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int kFlowerFrame = 80;
// The flower draws its 140-point disc centred on an 80-point frame, spilling over it; its
// widget is laid over the frame at this size so nothing is cut off.
constexpr int kFlowerCanvas = 160;
}

ChatMicrophoneRow::ChatMicrophoneRow(ChatMicrophoneMode *mode, AudioRecorderInterface *recorder, QWidget *parent)
    : QWidget(parent)
    , m_mode(mode)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);

    const auto finish = [this] {
        if (m_mode)
            m_mode->stopRecordingAndTranscribe();
    };
    m_closeButton = new CircleChatButton(QStringLiteral("btn_close"), [this] {
        if (m_mode)
            m_mode->close();
    }, this);
    m_sendButton = new CircleChatButton(QStringLiteral("btn_send"), finish, this);

    m_flowerSlot = new QWidget(this);
    m_flowerSlot->setFixedSize(kFlowerFrame, kFlowerFrame);
    m_flowerSlot->setAttribute(Qt::WA_TransparentForMouseEvents);

    FlowerAnimationView::Options options;
    options.showBackground = false;
    options.isCompact = false;
    options.showButtons = false;
    options.showLabels = false;
    options.recordingSource = QStringLiteral("chat");
    options.alwaysExpanded = false;
    options.showShadow = true;
    options.scale = 1.0;
    options.onTap = finish;
    options.onCanvasTap = [] {};
    options.onTranscriptTap = [] {};
    m_flower = new FlowerAnimationView(recorder, options, this);
    m_flower->setFixedSize(kFlowerCanvas, kFlowerCanvas);

    m_label = new QLabel(listeningText, this);
    m_label->setTextFormat(Qt::PlainText);
    // One line: the row is always wider than the text.
    m_label->setWordWrap(false);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setFont(Fonts::smallFont());
    QColor labelColour = Color::messageText();
    labelColour.setAlphaF(labelColour.alphaF() * 0.8);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, labelColour);
    m_label->setPalette(palette);

    auto *centre = new QVBoxLayout;
    centre->setSpacing(12);
    centre->setContentsMargins(0, 0, 0, 0);
    auto *slotBox = new QVBoxLayout;
    slotBox->setContentsMargins(0, 0, 0, 12);
    slotBox->addWidget(m_flowerSlot, 0, Qt::AlignHCenter);
    centre->addLayout(slotBox);
    centre->addWidget(m_label, 0, Qt::AlignHCenter);

    const auto padded = [](QWidget *button) {
        auto *box = new QVBoxLayout;
        box->setContentsMargins(0, 0, 0, 16);
        box->addWidget(button, 0, Qt::AlignCenter);
        return box;
    };
    auto *row = new QHBoxLayout(this);
    row->setSpacing(16);
    // 16 of the row's own plus the panel's 16: the panel leaves its top edge to the row so that
    // the disc, which rises above the frame, is not cut off.
    row->setContentsMargins(12, 32, 12, 0);
    row->addLayout(padded(m_closeButton));
    row->addStretch(1);
    row->addLayout(centre);
    row->addStretch(1);
    row->addLayout(padded(m_sendButton));

    // Above its siblings: the disc overlaps the label's space.
    m_flower->raise();
}

void ChatMicrophoneRow::keyPressEvent(QKeyEvent *event)
{
    // Key repeats arrive here as further presses, as they should.
    if (event->key() == Qt::Key_Return) {
        if (m_mode)
            m_mode->stopRecordingAndTranscribe();
        event->accept();
        return;
    }
    event->ignore();
}

void ChatMicrophoneRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFlower();
}

void ChatMicrophoneRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeFlower();
}

void ChatMicrophoneRow::placeFlower()
{
    // The slot's geometry is final only once the layout has run.
    if (QLayout *l = layout())
        l->activate();
    const QPoint centre = m_flowerSlot->geometry().center();
    m_flower->move(centre - QPoint(kFlowerCanvas / 2, kFlowerCanvas / 2));
}
