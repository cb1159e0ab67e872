#include "ChatFixture.h"
#include "TestMain.h"
#include "PainterWarnings.h"
#include "chat/ChatMessageList.h"
#include "chat/ChatView.h"
#include "chat/ChatViewModel.h"
#include "chat/MessageBubbleView.h"
#include "chat/MessageContentView.h"
#include "chat/MessageStatusView.h"
#include "chat/AnswerSegments.h"
#include "chat/AnswerTextView.h"
#include "chat/StreamingTextView.h"

#include <QDir>
#include <QImage>
#include <QTextFrame>
#include <QTextTable>

// A real chat on a real display: the user's question, the reasoning step, a tool call and an
// answer with a table, drawn by the chat view and saved as "chat.png" in the working folder.
class ChatScreenshotTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rendersAChat()
    {
        PainterWarnings painterWarnings;
        ChatFixture f;
        f.toolClients.insert(QStringLiteral("calendar"), QStringLiteral("calendar"));
        ChatViewModel chat(f.context, f.task);
        ChatView view(&chat, nullptr, f.task, QStringLiteral("panel"), nullptr, nullptr);
        view.resize(420, 900);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setChatVisible(true);

        chat.addUserMessage(QStringLiteral("Which days are free next week? <b>not markup</b>"));
        f.clock.advance(50);
        chat.appendThinkingChunk(QStringLiteral("Looking at the calendar for next week."));
        f.clock.advance(100);
        chat.completeThinking();
        f.clock.advance(100);
        chat.processStreamChunk(QStringLiteral("## Next week\n\nTwo days are **free**:\n\n"
                                               "| Day | Meetings | Free |\n|:--|:-:|--:|\n| Monday | 3 | no |\n"
                                               "| Tuesday | 0 | yes |\n| Friday | 0 | yes |\n\nSee `calendar` for more."));
        f.clock.advance(200);
        // A tool call still running after the answer: its row shows only its status line.
        chat.processStreamChunk(QStringLiteral("TOOL_CALL_START:calendar-_-create_event"));
        chat.processStreamChunk(QStringLiteral("{\"created\": "));
        f.clock.advance(5);

        // Let the list settle and the spring animations end.
        QTRY_VERIFY_WITH_TIMEOUT(qFuzzyCompare(view.animationOpacity(), 1.0), 3000);
        for (int i = 0; i < 40; ++i) {
            f.clock.runPending();
            QTest::qWait(10);
        }

        ChatMessageList *list = view.messageList();
        QSet<QString> kinds;
        MessageBubbleView *answer = nullptr;
        for (int r = 0; r < list->rowCount(); ++r) {
            MessageBubbleView *row = list->rowWidget(r);
            QVERIFY2(row, qPrintable(QStringLiteral("row %1 is not on screen").arg(r)));
            QVERIFY(row->isVisible());
            if (row->message()->messageType() == MessageType::User)
                kinds << QStringLiteral("user");
            else if (row->message()->messageType() == MessageType::ToolResponse)
                kinds << QStringLiteral("tool");
            else if (row->statusView()->answerText().startsWith(QLatin1String("Thinking")))
                kinds << QStringLiteral("thinking");
            else if (row->contentView()->aiContent())
                answer = row, kinds << QStringLiteral("answer");
        }
        QCOMPARE(kinds, (QSet<QString>{"user", "thinking", "tool", "answer"}));

        // The answer's table is a table of the document, with its header row.
        AnswerSegments &segments = answer->contentView()->aiContent()->answerView()->segments();
        QTextTable *table = nullptr;
        for (int i = 0; i < segments.count(); ++i)
            for (QTextFrame *frame : segments.document(i)->rootFrame()->childFrames())
                if (auto *t = qobject_cast<QTextTable *>(frame); t && t->columns() == 3)
                    table = t;
        QVERIFY(table);
        QCOMPARE(table->rows(), 4);
        QCOMPARE(table->cellAt(0, 0).firstCursorPosition().block().text(), QStringLiteral("Day"));

        const QImage shot = view.grab().toImage();
        const QString path = QDir::current().filePath(QStringLiteral("chat.png"));
        QVERIFY(shot.save(path));
        QVERIFY(QFile::exists(path));
        // Something is drawn: the picture is not one flat colour.
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 7)
            for (int x = 0; x < shot.width(); x += 7)
                colours << shot.pixel(x, y);
        QVERIFY(colours.size() > 20);
        QVERIFY2(painterWarnings.seen().isEmpty(), painterWarnings.summary().constData());
    }
};

TAVO_TEST_MAIN(ChatScreenshotTest)
#include "tst_chat_screenshot.moc"
