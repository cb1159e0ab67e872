#include "Platform/ModalPrompt.h"
#include "TaskViewFixture.h"
#include "TestMain.h"
#include "categories/AppIconRow.h"
#include "categories/AppIconView.h"
#include "categories/StreamProgressBar.h"
#include "categories/TaskCardBehaviours.h"
#include "categories/TaskItemView.h"
#include "categories/TaskThumbnailView.h"
#include "categories/TintedImageButton.h"
#include "categories/ViewSummaryButton.h"
#include "theme/Gradients.h"
#include "theme/ScaleEffect.h"

#include <QLabel>
#include <QTest>

// The panel's task row and the task-card behaviours it shares with the canvas cards.
class TaskItemViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TaskViewFixture> f;

    // A shown row whose appear work has run.
    std::unique_ptr<TaskItemView> shownRow(TaskData *task, int gradientIndex = 0, bool collapsed = false)
    {
        auto row = std::make_unique<TaskItemView>(task, gradientIndex, collapsed, f->context);
        row->resize(420, TaskItemView::rowHeight);
        row->show();
        f->clock.runPending();
        return row;
    }

private Q_SLOTS:
    void init() { f = std::make_unique<TaskViewFixture>(); }
    void cleanup()
    {
        ModalPrompt::setResponder({});
        TaskCardBehaviours::setStreamStopper({});
        f.reset();
    }

    void alertMessageCutsAtSixtyCharacters_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        const QString family = QStringLiteral("👨‍👩‍👧"); // one character, five code points
        const QString accented = QStringLiteral("e\u0301");  // e + combining acute
        const QString flag = QStringLiteral("🇫🇷");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("60 letters whole") << QString(60, 'a') << QString(60, 'a');
        QTest::newRow("61 letters cut") << QString(61, 'a') << QString(60, 'a') + "…";
        QTest::newRow("60 families whole") << family.repeated(60) << family.repeated(60);
        QTest::newRow("61 families cut") << family.repeated(61) << family.repeated(60) + "…";
        QTest::newRow("combining marks stay with their letter") << accented.repeated(61) << accented.repeated(60) + "…";
        QTest::newRow("flags are one character each") << "x" + flag.repeated(60) << "x" + flag.repeated(59) + "…";
        QTest::newRow("CR LF counts once") << QString(59, 'a') + "\r\n" << QString(59, 'a') + "\r\n";
    }
    void alertMessageCutsAtSixtyCharacters()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QCOMPARE(TaskCardBehaviours::deleteAlertMessage(title),
                 "Are you sure you want to delete '" + shown + "'?\n\nThis action cannot be undone.");
    }

    void iconRowGeometry_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<int>("mainIndex");
        QTest::newRow("1") << 1 << 40 << 0 << 0;
        QTest::newRow("2") << 2 << 36 << -6 << 1;
        QTest::newRow("3") << 3 << 32 << -8 << 1;
        QTest::newRow("4: the second on top") << 4 << 28 << -10 << 1;
        QTest::newRow("5") << 5 << 24 << -12 << 2;
        QTest::newRow("6") << 6 << 20 << -14 << 3;
        QTest::newRow("7: the fourth on top") << 7 << 20 << -14 << 3;
        QTest::newRow("8") << 8 << 20 << -14 << 4;
    }
    void iconRowGeometry()
    {
        QFETCH(int, count);
        QFETCH(int, edge);
        QFETCH(int, spacing);
        QFETCH(int, mainIndex);
        QCOMPARE(TaskItemView::iconMetrics(count), (TaskCardBehaviours::IconMetrics{edge, spacing}));
        QCOMPARE(TaskCardBehaviours::mainIconIndex(count), mainIndex);

        TaskData *task = f->makeTask("Apps");
        task->setApps(f->makeApps(count));
        auto row = shownRow(task);
        AppIconRow *icons = row->thumbnail()->iconRow();
        QCOMPARE(icons->icons().size(), count);
        const QList<QRect> frames = icons->iconFrames();
        for (int i = 0; i < count; ++i) {
            QCOMPARE(frames[i].size(), QSize(edge, edge));
            QCOMPARE(icons->icons()[i]->iconRect().size(), QSize(edge, edge));
            QCOMPARE(icons->icons()[i]->isMain(), i == mainIndex);
            if (i > 0)
                QCOMPARE(frames[i].left() - frames[i - 1].right() - 1, spacing);
        }
        // The row is centred in the thumbnail.
        QVERIFY(qAbs((frames.first().left() + frames.last().right()) - (92 - 1)) <= 1);
        // Main icon on top; of the others, earlier ones lie over later ones.
        QList<AppIconView *> expected;
        for (int i = count - 1; i >= 0; --i)
            if (i != mainIndex)
                expected << icons->icons()[i];
        expected << icons->icons()[mainIndex];
        QCOMPARE(icons->stackingOrder(), expected);
    }

    void thumbnailWithoutAndWithApps()
    {
        TaskData *task = f->makeTask("Plain");
        auto row = shownRow(task, 5);
        QVERIFY(row->displayedApps().isEmpty());
        QVERIFY(row->thumbnail()->showsPlaceholder());
        QVERIFY(!row->thumbnail()->iconRow()->isVisible());
        // Index 5 wears the gradient of index 1.
        QCOMPARE(row->thumbnailGradient().stops, Gradients::taskCardGradient(1).stops);

        AppIconData *gmail = f->makeApp("Gmail", "gmail_logo");
        AppIconData *slack = f->makeApp("Slack", "slack_logo");
        task->setApps({gmail, slack});
        // The row follows its task's apps without being rebuilt.
        QVERIFY(!row->thumbnail()->showsPlaceholder());
        QCOMPARE(row->thumbnail()->backdropIconName(), QStringLiteral("gmail_logo"));
        QCOMPARE(row->thumbnail()->iconRow()->apps(), (QList<AppIconData *>{gmail, slack}));
        task->setApps({});
        QVERIFY(row->thumbnail()->showsPlaceholder());
    }

    void appsOfTheFetchedCopyAreShownAndReported()
    {
        TaskData *given = f->makeTask("Elsewhere");
        // The row's own context holds an unsaved app link the handed-over object lacks.
        ModelContext other(f->container.get());
        TaskData *copy = other.fetch<TaskData>(Predicate::equal("id", given->id())).first();
        auto *app = new AppIconData(QUuid::createUuid(), "Zoom", "#2D8CFF", "zoom_logo", std::nullopt);
        other.insert(app);
        copy->setApps({app});

        TaskItemView row(given, 0, false, &other);
        row.show();
        f->clock.runPending();
        QCOMPARE(row.currentTask(), copy);
        QCOMPARE(row.displayedApps(), QList<AppIconData *>{app});
        QVERIFY(TaskViewFixture::log().contains("📱 TaskItemView: Apps updated for task 'Elsewhere' - Count: 1"));
    }

    void lookUpFallsBackToTheGivenTask()
    {
        TaskData *loose = f->makeTask("Gone", StreamStatus::Completed, false);
        auto row = shownRow(loose);
        QCOMPARE(row->cachedCurrentTask(), loose);
        QVERIFY(TaskViewFixture::log().contains("⚠️ [TaskItemView] Task no longer exists in database: Gone"));
        QVERIFY(TaskViewFixture::log().contains("🔍 [TaskItemView] onAppear - Task: Gone, StreamStatus: completed"));
        QCOMPARE(row->titleLabel()->text(), QStringLiteral("Gone"));
        delete loose;
    }

    void appearStartsTheAnimationAfterARandomDelay()
    {
        TaskData *task = f->makeTask("Appear");
        TaskItemView row(task, 0, false, f->context);
        QVERIFY(!row.isAnimating());
        QCOMPARE(row.cachedCurrentTask(), nullptr);
        row.show();
        QVERIFY(!row.isAnimating()); // the appear work runs on the next turn
        f->clock.runPending();
        QVERIFY(row.isAnimating());
        QVERIFY(row.isItemVisible());
        QCOMPARE(row.cachedCurrentTask(), task);
        QVERIFY(row.appearDelay() >= 0.1 && row.appearDelay() <= 0.3);
        // Invisible and small until the delay has passed, then grown and faded in.
        ScaleEffect *effect = ScaleEffect::of(&row);
        QCOMPARE(effect->opacity(), 0.0);
        QCOMPARE(effect->scale(), 0.8);
        f->clock.advance(300);
        QTRY_COMPARE(effect->opacity(), 1.0);
        QTRY_COMPARE(effect->scale(), 1.0);
        row.hide();
        QVERIFY(!row.isItemVisible());
        QVERIFY(row.isAnimating());
    }

    void streamStatusDisplay_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("progress");
        QTest::newRow("idle") << int(StreamStatus::Idle) << false;
        QTest::newRow("streaming") << int(StreamStatus::Streaming) << true;
        QTest::newRow("completed") << int(StreamStatus::Completed) << false;
        QTest::newRow("failed") << int(StreamStatus::Failed) << false;
    }
    void streamStatusDisplay()
    {
        QFETCH(int, status);
        QFETCH(bool, progress);
        TaskData *task = f->makeTask("Status", StreamStatus(status));
        auto row = shownRow(task);
        QCOMPARE(row->progressBar()->isVisible(), progress);
        QCOMPARE(row->summaryButton()->isVisible(), !progress);
        QCOMPARE(row->deleteButton()->isVisible(), !progress);
        QCOMPARE(row->progressBar()->isTicking(), progress);
    }

    void statusChangeUpdatesTheRowInPlace()
    {
        TaskData *task = f->makeTask("Answering", StreamStatus::Streaming);
        auto row = shownRow(task);
        const TaskThumbnailView *thumbnail = row->thumbnail();
        QVERIFY(row->progressBar()->isVisible());
        const int before = f->logCount("⚠️");
        task->setStreamStatus(StreamStatus::Completed);
        QVERIFY(!row->progressBar()->isVisible());
        QVERIFY(!row->progressBar()->isTicking());
        QVERIFY(row->summaryButton()->isVisible());
        QVERIFY(row->deleteButton()->isVisible());
        QCOMPARE(row->thumbnail(), thumbnail);
        QCOMPARE(f->logCount("⚠️"), before);
        // The text column gives room to the delete button again.
        QVERIFY(row->titleLabel()->geometry().right() < row->deleteButton()->geometry().left());
        task->setTitle("Renamed");
        QCOMPARE(row->titleLabel()->text(), QStringLiteral("Renamed"));
    }

    void summaryGoesToTheHandlerOrTheConsole()
    {
        TaskData *task = f->makeTask("Summary");
        auto row = shownRow(task);
        QTest::mouseClick(row->summaryButton(), Qt::LeftButton, {}, row->summaryButton()->rect().center());
        QVERIFY(TaskViewFixture::log().contains("View Summary tapped for: Summary"));

        QList<TaskData *> handed;
        row->setOnSummaryTap([&](TaskData *t) { handed << t; });
        QTest::mouseClick(row->summaryButton(), Qt::LeftButton, {}, row->summaryButton()->rect().center());
        QCOMPARE(handed, QList<TaskData *>{task});
    }

    void deleteConfirmation_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("handed");
        QTest::newRow("Delete") << 1 << 1;
        QTest::newRow("Cancel") << 0 << 0;
    }
    void deleteConfirmation()
    {
        QFETCH(int, answer);
        QFETCH(int, handed);
        QList<PromptRequest> asked;
        ModalPrompt::setResponder([&](const PromptRequest &r) {
            asked << r;
            return answer;
        });
        TaskData *task = f->makeTask(QString(61, 'x'));
        auto row = shownRow(task);
        QList<TaskData *> deleted;
        row->setOnDeleteTap([&](TaskData *t) { deleted << t; });
        QTest::mouseClick(row->deleteButton(), Qt::LeftButton, {}, row->deleteButton()->rect().center());
        QVERIFY(row->showDeleteConfirmation());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title, QStringLiteral("Delete Task"));
        QCOMPARE(asked[0].buttons, (QStringList{"Cancel", "Delete"}));
        QCOMPARE(asked[0].text, TaskCardBehaviours::deleteAlertMessage(task->title()));
        f->clock.runPending();
        QVERIFY(!row->showDeleteConfirmation());
        QCOMPARE(deleted.size(), handed);
        if (handed)
            QCOMPARE(deleted[0], task);
        // The parent deletes: the row left the store alone.
        QCOMPARE(f->context->fetch<TaskData>().size(), 1);
    }

    void ownDeletionStopsTheStreamFirst()
    {
        TaskData *task = f->makeTask("Streaming", StreamStatus::Streaming);
        const QUuid id = task->id();
        QStringList steps;
        TaskCardBehaviours::setStreamStopper([&](TaskData *t) {
            steps << "stop:" + rawValue(t->streamStatus()) + (t->isDeleted() ? ":deleted" : "");
        });
        connect(task, &TaskData::streamStatusChanged, this, [&] { steps << "status:" + rawValue(task->streamStatus()); });
        connect(f->context, &ModelContext::didSave, this, [&] { steps << "saved"; });
        auto row = shownRow(task);
        row->deleteTask();
        QCOMPARE(steps, (QStringList{"stop:streaming", "status:failed", "saved"}));
        ModelContext fresh(f->container.get());
        QVERIFY(fresh.fetch<TaskData>(Predicate::equal("id", id)).isEmpty());
    }

    void hoverLiftsOnlyWhileExpanded()
    {
        TaskData *task = f->makeTask("Hover");
        auto row = shownRow(task, 0, true);
        QHoverEvent enter(QEvent::HoverEnter, QPointF(10, 10), QPointF(10, 10), QPointF(-1, -1));
        QCoreApplication::sendEvent(row.get(), &enter);
        QVERIFY(!row->isHovering());
        QCOMPARE(row->hoverScaleTarget(), 1.0);

        row->setIsPanelCollapsed(false);
        QCoreApplication::sendEvent(row.get(), &enter);
        QVERIFY(row->isHovering());
        QCOMPARE(row->hoverScaleTarget(), 1.03);

        // Collapsing drops the lift; any hover event while collapsed keeps it down.
        row->setIsPanelCollapsed(true);
        QCOMPARE(row->hoverScaleTarget(), 1.0);
        QHoverEvent move(QEvent::HoverMove, QPointF(12, 10), QPointF(12, 10), QPointF(10, 10));
        QCoreApplication::sendEvent(row.get(), &move);
        QVERIFY(!row->isHovering());
    }
};

TAVO_TEST_MAIN(TaskItemViewTest)
#include "tst_taskitemview.moc"
