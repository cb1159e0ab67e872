// A task typed into the canvas prompt bar, aimed at a column, travels through the real
// coordinator and session channel to the assistant stand-in and streams into that column's
// category.
#include "AssistantStandin.h"
#include "CoordinatorFixture.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "canvas/CanvasAIOverlayView.h"
#include "canvas/CanvasSearchFieldView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "Platform/UuidText.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

class TestCanvasPromptRoad : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typedTaskStreamsIntoItsColumn()
    {
        AssistantStandin service;
        service.start();
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        service.queueReply({AssistantStandin::text("[{\"a\":\"ST_OF_TNK_STR weighing ED_OF_TNK_STR ST_OF_MSG_STR Three venues found ED_OF_MSG_STR\"}"),
                            AssistantStandin::text(",{\"done\":1}]"), AssistantStandin::text("END_OF_MESSAGE")});
        auto f = std::make_unique<CoordinatorFixture>();
        MainViewModel &vm = f->make();
        auto *research = new CategoryData(QUuid::createUuid(), QStringLiteral("Research"), QDateTime::currentDateTimeUtc(), 2240, 1540);
        f->context()->insert(research);
        f->context()->save();

        // The canvas as the window hosts it, with the coordinator handed over as a QObject.
        auto window = std::make_unique<QWidget>();
        auto controller = std::make_unique<EnhancedCanvasViewController>();
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller->view());
        window->resize(1300, 800);
        window->show();
        controller->setup(std::make_shared<ModelContext>(&f->container), &vm);
        CanvasAIOverlayView *bar = controller->canvasAIOverlayView();
        QVERIFY(bar);

        NotificationSpy spy;
        NotificationCenter::defaultCenter().post(QStringLiteral("focusCanvasAIOverlayWithCategory"), {},
                                                 {{QStringLiteral("categoryTitle"), QStringLiteral("Research")}});
        QPlainTextEdit *editor = bar->searchField()->editor();
        QTest::keyClicks(editor, "Find a venue for the offsite");
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(editor->toPlainText(), QString());
        QCOMPARE(bar->targetCategoryTitle(), QStringLiteral("All Tasks"));

        const QList<TaskData *> tasks = research->tasks();
        QCOMPARE(tasks.size(), 1);
        TaskData *task = tasks.first();
        QCOMPARE(task->title(), QStringLiteral("Find a venue for the offsite"));
        QCOMPARE(task->streamStatus(), StreamStatus::Streaming);
        QTRY_COMPARE_WITH_TIMEOUT(task->streamStatus(), StreamStatus::Completed, 10000);
        QStringList answers;
        for (ChatMessageData *m : task->chatMessages()) {
            if (m->messageType() == MessageType::Ai)
                answers << m->aiFinalReplyText().value_or(QString());
        }
        QVERIFY2(answers.join('|').contains("Three venues found"), qPrintable(answers.join('|')));
        const QJsonObject user = service.json(0, "user").first();
        QCOMPARE(user.value("session_id").toString(), UuidText::toText(task->id()));
        QCOMPARE(f->analytics.lastProperties("user_query_submitted").value("source").toString(), QStringLiteral("canvas"));
        // The column of that title is asked to open the task.
        QTRY_COMPARE(spy.count("autoExpandTask"), 1);
        const QVariantMap expand = spy.named("autoExpandTask").first().userInfo;
        QCOMPARE(expand.value("categoryTitle").toString(), QStringLiteral("Research"));
        QCOMPARE(expand.value("taskId").toString(), UuidText::toText(task->id()));

        // The canvas and its store context go before the store.
        controller.reset();
        window.reset();
        f.reset();
        qunsetenv("TAVO_ASSISTANT_SOCKET_URL");
    }
};

TAVO_TEST_MAIN(TestCanvasPromptRoad)
#include "tst_canvas_prompt_road.moc"
