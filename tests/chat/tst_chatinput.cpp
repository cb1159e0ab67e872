// The chat's input panel: editor height, keys, sending, stopping, the "Dynamic App" switch and
// the microphone mode on the real recorder over a scripted microphone, in virtual time.
#include "ChatInputFixture.h"
#include "Platform/NotificationCenter.h"
#include "TestMain.h"
#include "Platform/UuidText.h"
#include "chat/ChatInputPanel.h"
#include "chat/ChatMicrophoneMode.h"
#include "chat/ChatMicrophoneRow.h"
#include "chat/CircleChatButton.h"
#include "model/ChatMessageData.h"
#include "theme/CustomToggle.h"
#include "theme/Fonts.h"
#include "widgets/FlowerAnimationView.h"

#include <QFontMetricsF>
#include <QTextEdit>
#include <QTest>
#include <cmath>

namespace {
enum class Height { Minimum, OneLine, TwoLines, MoreThanOneLine, Maximum };

qreal linesHigh(int lines)
{
    return std::ceil(lines * QFontMetricsF(Fonts::system(16, QFont::Normal)).lineSpacing()) + 28;
}

int userMessages(ChatViewModel *chat)
{
    int n = 0;
    for (ChatMessageData *m : chat->messages())
        n += m->messageType() == MessageType::User;
    return n;
}
}

class TestChatInput : public QObject {
    Q_OBJECT
    std::unique_ptr<ChatInputFixture> f;
    std::unique_ptr<ChatInputPanel> panel;

    void makePanel(const QString &caller = QStringLiteral("panel"))
    {
        panel = std::make_unique<ChatInputPanel>(f->chat, f->vm.get(), f->task, caller);
        panel->resize(376, 200);
        panel->show();
        f->runPending();
    }
    // Opens the microphone mode and lets the recording start.
    void dictate()
    {
        panel->primaryButton()->click();
        f->clock->advance(ChatMicrophoneMode::recordingStartDelayMs);
        f->clock->runPending();
        QVERIFY(f->audio->isRecording());
    }
    int voiceEvents(const QString &action) const
    {
        int n = 0;
        for (const auto &e : f->analytics.events(QStringLiteral("voice_recording")))
            n += e.properties.value(QStringLiteral("action")).toString() == action;
        return n;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("TAVO_ASSISTANT_SOCKET_URL", "ws://127.0.0.1:9/ws"); }

    void init() { f = std::make_unique<ChatInputFixture>(); }
    void cleanup()
    {
        panel.reset();
        f.reset();
    }

    void editorHeightFollowsTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Height>("height");
        QTest::newRow("empty") << QString() << Height::Minimum;
        QTest::newRow("one word") << QStringLiteral("Hi") << Height::OneLine;
        QTest::newRow("a space is content") << QStringLiteral(" ") << Height::OneLine;
        QTest::newRow("a sentence within 312") << QStringLiteral("Plan my trip to Lisbon") << Height::OneLine;
        QTest::newRow("two paragraphs") << QStringLiteral("first\nsecond") << Height::TwoLines;
        QTest::newRow("the caret's new line") << QStringLiteral("first\n") << Height::TwoLines;
        QTest::newRow("long words wrap") << QString(30, u'w') + u' ' + QString(30, u'w') << Height::MoreThanOneLine;
        QTest::newRow("one unbroken word wraps") << QString(80, u'x') << Height::MoreThanOneLine;
        QTest::newRow("tall text is clamped") << QStringLiteral("line\n").repeated(30) << Height::Maximum;
    }
    void editorHeightFollowsTheText()
    {
        QFETCH(QString, text);
        QFETCH(Height, height);
        const qreal h = ChatInputPanel::calculateTextEditorHeight(text);
        switch (height) {
        case Height::Minimum:
            QCOMPARE(h, 44.0);
            break;
        case Height::OneLine:
            QCOMPARE(h, std::max(44.0, linesHigh(1)));
            break;
        case Height::TwoLines:
            QCOMPARE(h, linesHigh(2));
            break;
        case Height::MoreThanOneLine:
            QVERIFY2(h > linesHigh(1) && h <= 150, qPrintable(QString::number(h)));
            break;
        case Height::Maximum:
            QCOMPARE(h, 150.0);
            break;
        }
    }

    void editorHeightTracksTheField()
    {
        f->chat->setMessageText(QStringLiteral("draft\n").repeated(3));
        makePanel();
        // A panel opened on a filled field starts at that field's height.
        QCOMPARE(panel->textEditorHeight(), ChatInputPanel::calculateTextEditorHeight(f->chat->messageText()));
        QVERIFY(panel->textEditorHeight() > 44);
        f->chat->setMessageText(QString());
        QCOMPARE(panel->textEditorHeight(), 44.0);
        QCOMPARE(panel->editor()->toPlainText(), QString());
    }

    void keys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<QString>("fieldAfter");
        QTest::newRow("Return sends") << "Hello" << int(Qt::Key_Return) << int(Qt::NoModifier) << true << QString();
        QTest::newRow("Shift+Return adds a line") << "Hello" << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false << "Hello\n";
        QTest::newRow("keypad Enter is not Return") << "Hello" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << "Hello\n";
        // The keyboard path hands even an empty field to the coordinator, which starts nothing.
        QTest::newRow("Return on an empty field") << QString() << int(Qt::Key_Return) << int(Qt::NoModifier) << false << QString();
    }
    void keys()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, sends);
        QFETCH(QString, fieldAfter);
        makePanel();
        QTest::keyClicks(panel->editor(), typed);
        QCOMPARE(f->chat->messageText(), typed);
        QTest::keyClick(panel->editor(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(f->analytics.count(QStringLiteral("user_chat_sent")), sends ? 1 : 0);
        QCOMPARE(f->task->streamStatus(), sends ? StreamStatus::Streaming : StreamStatus::Idle);
        QCOMPARE(userMessages(f->chat), sends && !typed.isEmpty() ? 1 : 0);
        QCOMPARE(f->chat->messageText(), fieldAfter);
        QCOMPARE(panel->editor()->toPlainText(), fieldAfter);
        if (sends)
            QCOMPARE(f->analytics.lastProperties(QStringLiteral("user_chat_sent")).value(QStringLiteral("source")).toString(),
                     QStringLiteral("panel"));
    }

    void primaryButton_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("image");
        QTest::addColumn<bool>("dictates");
        QTest::addColumn<bool>("requested");
        QTest::newRow("empty field dictates") << QString() << "btn_mic" << true << false;
        // Whitespace is content: the button sends, and the coordinator drops the blank text.
        QTest::newRow("a space sends") << " " << "btn_send" << false << false;
        QTest::newRow("text sends") << "Book a table" << "btn_send" << false << true;
    }
    void primaryButton()
    {
        QFETCH(QString, field);
        QFETCH(QString, image);
        QFETCH(bool, dictates);
        QFETCH(bool, requested);
        makePanel();
        f->chat->setMessageText(field);
        QCOMPARE(panel->primaryButton()->imageName(), image);
        panel->primaryButton()->click();
        QCOMPARE(panel->isMicrophoneMode(), dictates);
        QCOMPARE(f->analytics.count(QStringLiteral("user_chat_sent")), requested ? 1 : 0);
        QCOMPARE(f->task->streamStatus(), requested ? StreamStatus::Streaming : StreamStatus::Idle);
        QCOMPARE(userMessages(f->chat), requested ? 1 : 0);
        QCOMPARE(f->chat->messageText(), requested ? QString() : field);
    }

    void stopButtonStopsTheAnswerThenReports()
    {
        makePanel(QStringLiteral("canvas"));
        QVERIFY(panel->stopButton()->isHidden());
        f->chat->setMessageText(QStringLiteral("Long answer please"));
        panel->sendMessage();
        QCOMPARE(f->task->streamStatus(), StreamStatus::Streaming);
        QVERIFY(!panel->stopButton()->isHidden());
        QVERIFY(!panel->primaryButton()->isHidden()); // shown beside the stop button

        panel->stopButton()->click();
        QCOMPARE(f->task->streamStatus(), StreamStatus::Failed);
        QVERIFY(f->chat->isStreamingStopped());
        QVERIFY(panel->stopButton()->isHidden());
        // The usage event follows on the next turn, after the coordinator has stopped.
        QCOMPARE(f->analytics.count(QStringLiteral("stream_stopped")), 0);
        f->runPending();
        QCOMPARE(f->analytics.count(QStringLiteral("stream_stopped")), 1);
        const QVariantMap props = f->analytics.lastProperties(QStringLiteral("stream_stopped"));
        QCOMPARE(props.value(QStringLiteral("task_id")).toString(), UuidText::toText(f->task->id()));
        QCOMPARE(props.value(QStringLiteral("source")).toString(), QStringLiteral("canvas"));
    }

    void dynamicAppSwitchIsStoredOnTheTask()
    {
        makePanel();
        QVERIFY(!panel->isMiniAppEnabled());
        panel->miniAppSwitch()->setOn(true);
        QVERIFY(panel->isMiniAppEnabled());
        QCOMPARE(f->task->miniAppEnabled(), std::optional<bool>(true));
        QVERIFY(!f->container.mainContext()->hasChanges());
        // Another chat of the same task starts from the stored value.
        ChatInputPanel again(f->chat, f->vm.get(), f->task, QStringLiteral("canvas"));
        QVERIFY(again.isMiniAppEnabled());
        QVERIFY(again.miniAppSwitch()->isOn());
    }

    // A refused microphone: the panel leaves the microphone mode and says why in the field.
    void refusedMicrophoneSaysWhy()
    {
        f->microphone->grantAccess = false;
        makePanel();
        panel->primaryButton()->click();
        QVERIFY(panel->isMicrophoneMode());
        f->clock->advance(ChatMicrophoneMode::recordingStartDelayMs);
        f->clock->runPending();
        QVERIFY(!f->audio->isRecording());
        QVERIFY(!panel->isMicrophoneMode());
        QCOMPARE(panel->editor()->placeholderText(), QStringLiteral("Microphone permission denied."));
        f->clock->advance(ChatInputPanel::recordingErrorMs);
        QCOMPARE(panel->editor()->placeholderText(), QString());
    }

    void microphoneModeStartsLate()
    {
        makePanel();
        panel->primaryButton()->click();
        // The recording row shows at once; the recorder is asked 0.1 s later, the focus 0.4 s later.
        QVERIFY(panel->isMicrophoneMode());
        QVERIFY(!panel->microphoneRow()->isHidden());
        QVERIFY(panel->editor()->parentWidget()->isHidden() || !panel->editor()->isVisible());
        f->clock->advance(ChatMicrophoneMode::recordingStartDelayMs - 1);
        QCOMPARE(voiceEvents("start"), 0);
        QCOMPARE(f->microphone->accessRequests, 0);
        f->clock->advance(1);
        QCOMPARE(voiceEvents("start"), 1);
        QCOMPARE(f->analytics.lastProperties("voice_recording").value("source").toString(), QStringLiteral("panel"));
        QVERIFY(!f->analytics.lastProperties("voice_recording").contains("duration_seconds"));
        f->clock->runPending();
        QVERIFY(f->audio->isRecording());
        QCOMPARE(f->audio->currentRecordingSource(), RecordingSource::chat);
        QVERIFY(panel->microphoneRow()->flower()->isRecordingForOwnSource());
        if (const QString dir = qEnvironmentVariable("TAVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
            f->clock->advance(500);
            panel->grab().save(dir + QStringLiteral("/chat-microphone-mode.png"));
        }
        f->clock->advance(ChatMicrophoneMode::enterFocusDelayMs);
        QVERIFY(panel->isTextFieldFocused());
    }

    void finishingPutsTheTranscriptInTheField_data()
    {
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("transcript"); // "<fail>": the request fails
        QTest::addColumn<QString>("fieldAfter");
        QTest::newRow("send button") << "send" << "  Book a flight\n" << "Book a flight";
        QTest::newRow("Return") << "return" << "Book a flight" << "Book a flight";
        QTest::newRow("flower tap") << "flower" << "\tBook a flight " << "Book a flight";
        QTest::newRow("empty transcript keeps the field") << "send" << " \n " << "draft";
        QTest::newRow("failed request") << "send" << "<fail>" << "Error during transcription.";
    }
    void finishingPutsTheTranscriptInTheField()
    {
        QFETCH(QString, finish);
        QFETCH(QString, transcript);
        QFETCH(QString, fieldAfter);
        makePanel();
        dictate();
        // The same chat typed into elsewhere meanwhile: a transcript replaces that text.
        f->chat->setMessageText(QStringLiteral("draft"));
        ChatMicrophoneRow *row = panel->microphoneRow();
        if (finish == "send") {
            row->sendButton()->click();
        } else if (finish == "return") {
            QTest::keyClick(row, Qt::Key_Return);
            QTest::keyClick(row, Qt::Key_Return); // a second press does not stop twice
        } else {
            FlowerAnimationView *flower = row->flower();
            QTest::mouseClick(flower, Qt::LeftButton, {}, flower->discRect().center().toPoint());
        }
        QCOMPARE(voiceEvents("stop"), 1);
        QVERIFY(!f->audio->isRecording());
        f->clock->runPending();
        QCOMPARE(f->speech->pending.size(), 1);
        QVERIFY(panel->isMicrophoneMode()); // until the transcript arrives

        if (transcript == "<fail>")
            f->speech->fail();
        else
            f->speech->answer(transcript);
        f->clock->runPending();
        QVERIFY(!panel->isMicrophoneMode());
        QVERIFY(panel->microphoneRow()->isHidden());
        QCOMPARE(f->chat->messageText(), fieldAfter);
        QCOMPARE(panel->editor()->toPlainText(), fieldAfter);
        QCOMPARE(f->analytics.count(QStringLiteral("user_chat_sent")), 0); // nothing is sent
        panel->setTextFieldFocused(false);
        f->clock->advance(ChatMicrophoneMode::leaveFocusDelayMs);
        QVERIFY(panel->isTextFieldFocused());
    }

    void leavingWithinTheDelayLeavesTheMicrophoneOff_data()
    {
        QTest::addColumn<QString>("leave");
        QTest::addColumn<int>("stopEvents");
        QTest::newRow("close button") << "close" << 1;
        QTest::newRow("send button") << "send" << 1;
        QTest::newRow("chat hidden") << "hide" << 1;
        QTest::newRow("coordinator reset") << "reset" << 0;
    }
    void leavingWithinTheDelayLeavesTheMicrophoneOff()
    {
        QFETCH(QString, leave);
        QFETCH(int, stopEvents);
        makePanel();
        panel->primaryButton()->click();
        f->clock->advance(50);
        if (leave == "close")
            panel->microphoneRow()->closeButton()->click();
        else if (leave == "send")
            panel->microphoneRow()->sendButton()->click();
        else if (leave == "hide")
            panel->hide();
        else
            NotificationCenter::defaultCenter().post(QStringLiteral("resetMicrophoneMode"));
        f->clock->advance(1000);
        QVERIFY(!panel->isMicrophoneMode());
        QCOMPARE(voiceEvents("start"), 0);
        QCOMPARE(voiceEvents("stop"), stopEvents);
        QCOMPARE(f->microphone->recordersCreated(), 0);
        QVERIFY(!f->audio->isRecording());
    }

    void closingAndHidingCancelTheRecording_data()
    {
        QTest::addColumn<QString>("leave");
        QTest::newRow("close button") << "close";
        QTest::newRow("chat hidden") << "hide";
        QTest::newRow("panel destroyed") << "destroy";
    }
    void closingAndHidingCancelTheRecording()
    {
        QFETCH(QString, leave);
        makePanel();
        dictate();
        if (leave == "close")
            panel->microphoneRow()->closeButton()->click();
        else if (leave == "hide")
            panel->hide();
        else
            panel.reset();
        QVERIFY(!f->audio->isRecording());
        QCOMPARE(voiceEvents("stop"), 1);
        f->clock->advance(1000);
        QVERIFY(f->speech->pending.isEmpty()); // dropped, not transcribed
        if (panel)
            QVERIFY(!panel->isMicrophoneMode());
    }

    void resetNoticeOnlyLeavesTheMode()
    {
        makePanel();
        dictate();
        NotificationCenter::defaultCenter().post(QStringLiteral("resetMicrophoneMode"));
        QVERIFY(!panel->isMicrophoneMode());
        // The coordinator has dealt with the recorder already: no call, no event from the chat.
        QVERIFY(f->audio->isRecording());
        QCOMPARE(voiceEvents("stop"), 0);
        // In text mode the notice changes nothing.
        NotificationCenter::defaultCenter().post(QStringLiteral("resetMicrophoneMode"));
        QVERIFY(!panel->isMicrophoneMode());
        QCOMPARE(voiceEvents("stop"), 0);
    }
};

TAVO_TEST_MAIN(TestChatInput)
#include "tst_chatinput.moc"
