#include "Platform/ModalPrompt.h"
#include "TaskViewFixture.h"
#include "TestMain.h"
#include "categories/AppIconRow.h"
#include "categories/AppIconView.h"
#include "categories/BlurredIconCache.h"
#include "categories/CanvasTaskItemView.h"
#include "categories/TaskCardBehaviours.h"
#include "categories/TaskCardView.h"
#include "theme/Fonts.h"
#include "theme/Gradients.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

// The canvas task card and the expanded canvas task card: what they draw, how they follow their
// task, and the behaviours they share with the panel row.
class CanvasTaskCardsTest : public QObject {
    Q_OBJECT

    enum Kind { Card, Expanded };
    std::unique_ptr<TaskViewFixture> f;

    // A card of either kind, shown, with its appear work done.
    std::unique_ptr<QWidget> shownCard(Kind kind, TaskData *task, ModelContext *context = nullptr)
    {
        ModelContext *c = context ? context : f->context;
        std::unique_ptr<QWidget> w;
        if (kind == Card)
            w = std::make_unique<TaskCardView>(task, c);
        else
            w = std::make_unique<CanvasTaskItemView>(task, 0, false, c);
        w->show();
        f->clock.runPending();
        return w;
    }
    static TaskCardBehaviours *behaviours(QWidget *w)
    {
        if (auto *card = qobject_cast<TaskCardView *>(w))
            return card->behaviours();
        return qobject_cast<CanvasTaskItemView *>(w)->behaviours();
    }
    static AppIconRow *iconRow(QWidget *w)
    {
        if (auto *card = qobject_cast<TaskCardView *>(w))
            return card->iconRow();
        return qobject_cast<CanvasTaskItemView *>(w)->iconRow();
    }
    static void hoverAt(QWidget *w, const QPointF &pos)
    {
        QHoverEvent enter(QEvent::HoverEnter, pos, w->mapToGlobal(pos), QPointF(-1, -1));
        QCoreApplication::sendEvent(w, &enter);
    }
    static void hoverLeave(QWidget *w)
    {
        QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(5, 5));
        QCoreApplication::sendEvent(w, &leave);
    }
    static void addKinds()
    {
        QTest::addColumn<int>("kind");
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TaskViewFixture>();
        BlurredIconCache::clear();
    }
    void cleanup()
    {
        ModalPrompt::setResponder({});
        TaskCardBehaviours::setStreamStopper({});
        f.reset();
    }

    void iconRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("mainIndex");
        QTest::addColumn<int>("edge");    // every icon (expanded card); 0: main 72, others 56 (card)
        QTest::addColumn<int>("spacing");
        const QList<std::tuple<int, int, int, int>> expanded{{1, 0, 40, 0},   {2, 1, 36, -6},  {3, 1, 32, -8}, {4, 1, 28, -10},
                                                           {5, 2, 24, -12}, {6, 3, 20, -14}, {7, 3, 20, -14}};
        for (const auto &[count, main, edge, spacing] : expanded) {
            QTest::addRow("card, %d", count) << int(Card) << count << main << 0 << -12;
            QTest::addRow("expanded, %d", count) << int(Expanded) << count << main << edge << spacing;
        }
    }
    void iconRows()
    {
        QFETCH(int, kind);
        QFETCH(int, count);
        QFETCH(int, mainIndex);
        QFETCH(int, edge);
        QFETCH(int, spacing);
        TaskData *task = f->makeTask("Apps");
        task->setApps(f->makeApps(count));
        auto w = shownCard(Kind(kind), task);
        AppIconRow *row = iconRow(w.get());
        QCOMPARE(row->presentation(), AppIconRow::Presentation::Painted);
        QCOMPARE(row->apps(), task->apps());
        const QList<AppIconView *> icons = row->icons();
        const QList<QRect> frames = row->iconFrames(QSize(400, 100));
        QCOMPARE(frames.size(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(icons[i]->isMain(), i == mainIndex);
            const int expectedEdge = edge ? edge : (i == mainIndex ? 72 : 56);
            QCOMPARE(frames[i].size(), QSize(expectedEdge, expectedEdge));
            if (i > 0)
                QCOMPARE(frames[i].left() - frames[i - 1].right() - 1, spacing);
        }
        // Centred as a whole.
        QVERIFY(qAbs(frames.first().left() + frames.last().right() - 399) <= 1);
        // Bottom to top: later icons first, so earlier ones lie over them; the main icon last.
        QList<AppIconView *> expected;
        for (int i = count - 1; i >= 0; --i)
            if (i != mainIndex)
                expected << icons[i];
        expected << icons[mainIndex];
        QCOMPARE(row->stackingOrder(), expected);
        // The icons are drawn by the card, never shown as widgets of their own.
        for (AppIconView *icon : icons)
            QVERIFY(!icon->isVisible());
    }

    void cardKeepsTheLastAppsItSaw()
    {
        TaskData *task = f->makeTask("Keeps");
        auto w = shownCard(Card, task);
        auto *card = static_cast<TaskCardView *>(w.get());
        QVERIFY(card->displayedApps().isEmpty());
        QVERIFY(card->iconRow()->apps().isEmpty());
        QTRY_COMPARE(card->currentOpacity(), 1.0);
        card->grab();
        f->clock.runPending();
        QCOMPARE(card->lastBackgroundIconName(), QString());
        QVERIFY(!card->behaviours()->hasCachedBlurredBackground());

        const QList<AppIconData *> apps{f->makeApp("Gmail", "gmail_logo"), f->makeApp("Slack", "slack_logo")};
        task->setApps(apps);
        QCOMPARE(card->iconRow()->apps(), apps);
        f->clock.runPending();
        QCOMPARE(card->cachedAppIcons(), apps);
        card->grab();
        f->clock.runPending();
        // The background is the last app's icon.
        QCOMPARE(card->lastBackgroundIconName(), QStringLiteral("slack_logo"));

        // An emptied list keeps showing the cached icons and their background.
        task->setApps({});
        QCOMPARE(card->displayedApps(), apps);
        QCOMPARE(card->iconRow()->apps(), apps);
        card->grab();
        f->clock.runPending();
        QCOMPARE(card->lastBackgroundIconName(), QStringLiteral("slack_logo"));
    }

    void expandedCardShowsThePlaceholderWithoutApps()
    {
        TaskData *task = f->makeTask("Plain");
        auto *card = new CanvasTaskItemView(task, 0, false, f->context);
        std::unique_ptr<QWidget> owner(card);
        card->show();
        f->clock.runPending();
        QVERIFY(card->showsPlaceholder());
        QCOMPARE(card->thumbnailBackdropIconName(), QString());
        QCOMPARE(card->thumbnailGradient().stops, Gradients::taskCardGradient(0).stops);
        QVERIFY(card->behaviours()->blurredBackground(card->displayedApps(), CanvasTaskItemView::cardSize,
                                                      BlurredIconCache::Edges::FadeOut, 1.0)
                    .isNull());
        // The fill and its edge stand 12 in from either side of the 500 wide card.
        QCOMPARE(card->cardRect().size(), QSize(500, 88));
        QCOMPARE(card->fillRect(), card->cardRect().adjusted(12, 0, -12, 0));
        QCOMPARE(card->thumbnailRect().size(), QSize(92, 72));

        // The first app gives both backdrops the last app's icon.
        task->setApps(f->makeApps(3));
        QVERIFY(!card->showsPlaceholder());
        QCOMPARE(card->thumbnailBackdropIconName(), task->apps().last()->iconName());
        QTRY_COMPARE(card->currentOpacity(), 1.0);
        card->grab();
        f->clock.runPending();
        QCOMPARE(card->lastBackgroundIconName(), task->apps().last()->iconName());
    }

    void savedTime_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("shown");
        QTest::newRow("absent") << false << "" << "You Saved 00:00:00";
        QTest::newRow("set") << true << "01:24:05" << "You Saved 01:24:05";
        QTest::newRow("empty is kept") << true << "" << "You Saved ";
    }
    void savedTime()
    {
        QFETCH(bool, present);
        QFETCH(QString, time);
        QFETCH(QString, shown);
        QCOMPARE(TaskCardView::savedTimeText(present ? std::optional<QString>(time) : std::nullopt), shown);
        TaskData *task = f->makeTask("Time");
        auto w = shownCard(Card, task);
        auto *card = static_cast<TaskCardView *>(w.get());
        QCOMPARE(card->savedTime(), QStringLiteral("You Saved 00:00:00"));
        task->setTimeRemaining(present ? std::optional<QString>(time) : std::nullopt);
        QCOMPARE(card->savedTime(), shown);
    }

    void titles()
    {
        const QString longTitle = QStringLiteral("Compare the travel budgets of the three offices and draft a short note for the finance "
                                                 "team about the differences we found this quarter");
        TaskData *task = f->makeTask(longTitle);
        auto cardOwner = shownCard(Card, task);
        auto *card = static_cast<TaskCardView *>(cardOwner.get());
        const QStringList lines = card->titleLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].endsWith(QStringLiteral("…")));
        QVERIFY(longTitle.startsWith(lines[0]));
        const QFontMetricsF fm(Fonts::emphasisFont());
        for (const QString &l : lines)
            QVERIFY(fm.horizontalAdvance(l) <= 192);

        task->setTitle(QStringLiteral("Short"));
        QCOMPARE(card->titleLines(), QStringList{"Short"});

        // The expanded card keeps its title to one line.
        task->setTitle(longTitle);
        auto expandedOwner = shownCard(Expanded, task);
        auto *expanded = static_cast<CanvasTaskItemView *>(expandedOwner.get());
        QVERIFY(expanded->titleText().endsWith(QStringLiteral("…")));
        QVERIFY(fm.horizontalAdvance(expanded->titleText()) <= expanded->titleRect().width());
    }

    void statusDisplay_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("progress");
        for (int kind : {int(Card), int(Expanded)}) {
            const char *name = kind == Card ? "card" : "expanded";
            QTest::addRow("%s idle", name) << kind << int(StreamStatus::Idle) << false;
            QTest::addRow("%s streaming", name) << kind << int(StreamStatus::Streaming) << true;
            QTest::addRow("%s completed", name) << kind << int(StreamStatus::Completed) << false;
            QTest::addRow("%s failed", name) << kind << int(StreamStatus::Failed) << false;
        }
    }
    void statusDisplay()
    {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(bool, progress);
        TaskData *task = f->makeTask("Status", StreamStatus(status));
        auto w = shownCard(Kind(kind), task);
        if (kind == Card) {
            auto *card = static_cast<TaskCardView *>(w.get());
            QCOMPARE(card->showsProgressBar(), progress);
            QCOMPARE(card->showsSummaryButton(), !progress);
            QCOMPARE(card->isTicking(), progress);
            // The delete button waits for the pointer, and never shows while the answer streams.
            QVERIFY(!card->showsDeleteButton());
            hoverAt(card, card->cardRect().center());
            QVERIFY(card->isHovered());
            QCOMPARE(card->showsDeleteButton(), !progress);
        } else {
            auto *card = static_cast<CanvasTaskItemView *>(w.get());
            QCOMPARE(card->showsProgressBar(), progress);
            QCOMPARE(card->showsSummaryButton(), !progress);
            QCOMPARE(card->showsDeleteButton(), !progress);
            QCOMPARE(card->isTicking(), progress);
            // Without the delete button the text column reaches the trailing padding.
            QCOMPARE(card->titleRect().right() + 1, progress ? card->fillRect().right() + 1 - 12 : card->deleteButtonRect().left() - 12);
        }
    }

    void statusChangeRefreshesTheCard_data() { addKinds(); QTest::newRow("card") << int(Card); QTest::newRow("expanded") << int(Expanded); }
    void statusChangeRefreshesTheCard()
    {
        QFETCH(int, kind);
        TaskData *given = f->makeTask("Answering", StreamStatus::Streaming);
        // The card's own context: a status change of the handed-over task looks the task up anew.
        ModelContext other(f->container.get());
        auto w = shownCard(Kind(kind), given, &other);
        TaskData *copy = behaviours(w.get())->cachedCurrentTask();
        QVERIFY(copy && copy != given);
        given->setStreamStatus(StreamStatus::Completed);
        f->context->save();
        QCOMPARE(behaviours(w.get())->currentTask(), copy);
        QCOMPARE(rawValue(copy->streamStatus()), QStringLiteral("completed"));
        QVERIFY(!behaviours(w.get())->isStreaming());
        if (kind == Card) {
            auto *card = static_cast<TaskCardView *>(w.get());
            QVERIFY(card->showsSummaryButton());
            QVERIFY(!card->isTicking());
        } else {
            auto *card = static_cast<CanvasTaskItemView *>(w.get());
            QVERIFY(card->showsSummaryButton());
            QVERIFY(card->showsDeleteButton());
            QVERIFY(!card->isTicking());
        }
    }

    void appearLines_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tag");
        QTest::newRow("card") << int(Card) << "TaskCardView";
        QTest::newRow("expanded") << int(Expanded) << "TaskItemView";
    }
    void appearLines()
    {
        QFETCH(int, kind);
        QFETCH(QString, tag);
        TaskData *loose = f->makeTask("Gone", StreamStatus::Failed, false);
        std::unique_ptr<QWidget> w;
        if (kind == Card)
            w = std::make_unique<TaskCardView>(loose, f->context);
        else
            w = std::make_unique<CanvasTaskItemView>(loose, 0, false, f->context);
        QCOMPARE(behaviours(w.get())->cachedCurrentTask(), nullptr);
        w->show();
        QCOMPARE(behaviours(w.get())->cachedCurrentTask(), nullptr); // the appear work runs a turn later
        f->clock.runPending();
        QCOMPARE(behaviours(w.get())->cachedCurrentTask(), loose);
        QVERIFY(TaskViewFixture::log().contains("⚠️ [" + tag + "] Task no longer exists in database: Gone"));
        QVERIFY(TaskViewFixture::log().contains("🔍 [" + tag + "] onAppear - Task: Gone, StreamStatus: failed"));
        if (kind == Card) {
            QVERIFY(static_cast<TaskCardView *>(w.get())->hasAppeared());
        } else {
            auto *card = static_cast<CanvasTaskItemView *>(w.get());
            QVERIFY(card->isAnimating() && card->isItemVisible());
            QTRY_COMPARE(card->currentScale(), 1.0);
            w->hide();
            QVERIFY(!card->isItemVisible());
        }
        w.reset();
        delete loose;
    }

    void deleteAlert_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        const QString sixty(60, 'x');
        const QString family = QStringLiteral("👨‍👩‍👧");
        QTest::newRow("card: 61 whole") << int(Card) << sixty + "y" << sixty + "y";
        QTest::newRow("expanded: 60 whole") << int(Expanded) << sixty << sixty;
        QTest::newRow("expanded: 61 cut") << int(Expanded) << sixty + "y" << sixty + "…";
        QTest::newRow("expanded: characters, not code units") << int(Expanded) << family.repeated(61) << family.repeated(60) + "…";
    }
    void deleteAlert()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QList<PromptRequest> asked;
        ModalPrompt::setResponder([&](const PromptRequest &r) {
            asked << r;
            return 0; // Cancel
        });
        TaskData *task = f->makeTask(title);
        auto w = shownCard(Kind(kind), task);
        if (kind == Card)
            static_cast<TaskCardView *>(w.get())->requestDelete();
        else
            static_cast<CanvasTaskItemView *>(w.get())->requestDelete();
        QVERIFY(behaviours(w.get())->showDeleteConfirmation());
        f->clock.runPending();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title, QStringLiteral("Delete Task"));
        QCOMPARE(asked[0].buttons, (QStringList{"Cancel", "Delete"}));
        QCOMPARE(asked[0].text, "Are you sure you want to delete '" + shown + "'?\n\nThis action cannot be undone.");
        QVERIFY(!behaviours(w.get())->showDeleteConfirmation());
        QCOMPARE(f->context->fetch<TaskData>().size(), 1);
    }

    void confirmedDeleteWithHandler_data() { addKinds(); QTest::newRow("card") << int(Card); QTest::newRow("expanded") << int(Expanded); }
    void confirmedDeleteWithHandler()
    {
        QFETCH(int, kind);
        ModalPrompt::setResponder([](const PromptRequest &) { return 1; });
        TaskData *given = f->makeTask("Handled", StreamStatus::Streaming);
        ModelContext other(f->container.get());
        auto w = shownCard(Kind(kind), given, &other);
        bool stopped = false;
        TaskCardBehaviours::setStreamStopper([&](TaskData *) { stopped = true; });
        QList<TaskData *> handed;
        behaviours(w.get())->setOnDeleteTap([&](TaskData *t) { handed << t; });
        behaviours(w.get())->requestDelete(w.get());
        f->clock.runPending();
        // Only the parent's handler runs, with the task as the card fetched it.
        QCOMPARE(handed, QList<TaskData *>{behaviours(w.get())->cachedCurrentTask()});
        QVERIFY(handed[0] != given);
        QVERIFY(!stopped);
        QCOMPARE(rawValue(given->streamStatus()), QStringLiteral("streaming"));
        QCOMPARE(other.fetch<TaskData>().size(), 1);
        QVERIFY(!other.hasChanges());
    }

    // Without a handler the card deletes by itself: the coordinator stops the task's answer
    // before anything else, so no stream writes into the deleted task.
    void handlerLessDeleteStopsTheAnswerFirst_data() { addKinds(); QTest::newRow("card") << int(Card); QTest::newRow("expanded") << int(Expanded); }
    void handlerLessDeleteStopsTheAnswerFirst()
    {
        QFETCH(int, kind);
        ModalPrompt::setResponder([](const PromptRequest &) { return 1; });
        TaskData *task = f->makeTask("Streaming", StreamStatus::Streaming);
        const QUuid id = task->id();
        QStringList steps;
        TaskCardBehaviours::setStreamStopper([&](TaskData *t) {
            steps << "stop:" + rawValue(t->streamStatus()) + (t->isDeleted() ? ":deleted" : "");
        });
        connect(task, &TaskData::streamStatusChanged, this, [&] { steps << "status:" + rawValue(task->streamStatus()); });
        connect(f->context, &ModelContext::didSave, this, [&] { steps << QStringLiteral("saved") + (task->isDeleted() ? ":deleted" : ""); });
        auto w = shownCard(Kind(kind), task);
        behaviours(w.get())->requestDelete(w.get());
        f->clock.runPending();
        QCOMPARE(steps, (QStringList{"stop:streaming", "status:failed", "saved:deleted"}));
        ModelContext fresh(f->container.get());
        QVERIFY(fresh.fetch<TaskData>(Predicate::equal("id", id)).isEmpty());
        QVERIFY(!behaviours(w.get())->showDeleteConfirmation());
    }

    // The parent may drop the card while the delete runs (a list that follows the store): the
    // card must not touch itself afterwards.
    void cardDroppedByItsHandlerDuringTheDelete()
    {
        ModalPrompt::setResponder([](const PromptRequest &) { return 1; });
        TaskData *task = f->makeTask("Dropped");
        auto *card = new TaskCardView(task, f->context);
        card->show();
        f->clock.runPending();
        QPointer<TaskCardView> guard(card);
        card->setOnDeleteTap([card](TaskData *) { delete card; });
        card->requestDelete();
        f->clock.runPending();
        QVERIFY(!guard);
    }

    void blurredBackgroundIsMadeOncePerIcon_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("pictures"); // backgrounds (and thumbnail backdrops) per icon
        QTest::newRow("card") << int(Card) << 1;
        QTest::newRow("expanded") << int(Expanded) << 2;
    }
    void blurredBackgroundIsMadeOncePerIcon()
    {
        QFETCH(int, kind);
        QFETCH(int, pictures);
        const int before = BlurredIconCache::buildCount();
        AppIconData *gmail = f->makeApp("Gmail", "gmail_logo");
        TaskData *first = f->makeTask("First");
        first->setApps({gmail});
        auto a = shownCard(Kind(kind), first);
        QTRY_VERIFY(a->grab().toImage().pixel(a->rect().center()) != 0);
        f->clock.runPending();
        QCOMPARE(BlurredIconCache::buildCount(), before + pictures);
        QCOMPARE(behaviours(a.get())->lastBackgroundIconName(), QStringLiteral("gmail_logo"));

        // A second card with the same icon, and more passes of the first, take the pictures from
        // the cache.
        TaskData *second = f->makeTask("Second");
        second->setApps({f->makeApp("Mail again", "gmail_logo")});
        auto b = shownCard(Kind(kind), second);
        QTRY_VERIFY(b->grab().toImage().pixel(b->rect().center()) != 0);
        a->grab();
        f->clock.runPending();
        QCOMPARE(BlurredIconCache::buildCount(), before + pictures);
        QCOMPARE(behaviours(b.get())->lastBackgroundIconName(), QStringLiteral("gmail_logo"));
        // Another last icon makes new pictures.
        second->setApps({gmail, f->makeApp("Slack", "slack_logo")});
        b->grab();
        f->clock.runPending();
        QCOMPARE(BlurredIconCache::buildCount(), before + 2 * pictures);
        QCOMPARE(behaviours(b.get())->lastBackgroundIconName(), QStringLiteral("slack_logo"));
    }

    void hover()
    {
        TaskData *task = f->makeTask("Hover");
        auto cardOwner = shownCard(Card, task);
        auto *card = static_cast<TaskCardView *>(cardOwner.get());
        hoverAt(card, QPointF(2, 2)); // the margin around the card is not the card
        QVERIFY(!card->isHovered());
        hoverAt(card, card->cardRect().center());
        QVERIFY(card->isHovered());
        QCOMPARE(card->hoverScaleTarget(), 1.02);
        QVERIFY(card->showsDeleteButton());
        hoverLeave(card);
        QVERIFY(!card->isHovered());
        QCOMPARE(card->hoverScaleTarget(), 1.0);
        QVERIFY(!card->showsDeleteButton());

        auto *collapsed = new CanvasTaskItemView(task, 0, true, f->context);
        std::unique_ptr<QWidget> collapsedOwner(collapsed);
        collapsed->show();
        f->clock.runPending();
        hoverAt(collapsed, collapsed->cardRect().center());
        QVERIFY(!collapsed->isHovering());
        QCOMPARE(collapsed->hoverScaleTarget(), 1.0);

        auto expandedOwner = shownCard(Expanded, task);
        auto *expanded = static_cast<CanvasTaskItemView *>(expandedOwner.get());
        hoverAt(expanded, expanded->cardRect().center());
        QVERIFY(expanded->isHovering());
        QCOMPARE(expanded->hoverScaleTarget(), 1.03);
    }

    void taps()
    {
        TaskData *task = f->makeTask("Taps");
        QList<TaskData *> summaries;
        auto cardOwner = shownCard(Card, task);
        auto *card = static_cast<TaskCardView *>(cardOwner.get());
        card->setOnSummaryTap([&](TaskData *t) { summaries << t; });
        QSignalSpy cardTaps(card, &TaskCardView::tapped);
        QTest::mouseClick(card, Qt::LeftButton, {}, card->summaryButtonRect().center());
        QCOMPARE(summaries, QList<TaskData *>{task});
        QCOMPARE(cardTaps.size(), 0);
        QTest::mouseClick(card, Qt::LeftButton, {}, card->cardRect().center());
        QCOMPARE(cardTaps.size(), 1);

        auto expandedOwner = shownCard(Expanded, task);
        auto *expanded = static_cast<CanvasTaskItemView *>(expandedOwner.get());
        QSignalSpy expandedTaps(expanded, &CanvasTaskItemView::tapped);
        QTRY_COMPARE(expanded->currentScale(), 1.0); // the appear growth, which hit tests follow
        // Without a handler a tap on the thumbnail does nothing, and does not open the task.
        QTest::mouseClick(expanded, Qt::LeftButton, {}, expanded->thumbnailRect().center());
        QCOMPARE(expandedTaps.size(), 0);
        int thumbnailTaps = 0;
        expanded->setOnThumbnailTap([&] { ++thumbnailTaps; });
        QTest::mouseClick(expanded, Qt::LeftButton, {}, expanded->thumbnailRect().center());
        QCOMPARE(thumbnailTaps, 1);
        // The pill takes clicks a little beyond its frame; without a handler it writes a line.
        QTest::mouseClick(expanded, Qt::LeftButton, {}, expanded->summaryPillRect().topLeft() - QPoint(3, 3));
        QVERIFY(TaskViewFixture::log().contains("View Summary tapped for: Taps"));
        QCOMPARE(expandedTaps.size(), 0);
        QTest::mouseClick(expanded, Qt::LeftButton, {}, QPoint(expanded->titleRect().center().x(), expanded->cardRect().top() + 4));
        QCOMPARE(expandedTaps.size(), 1);
    }

    // Inside a canvas proxy, where graphics effects draw nothing, the cards still draw.
    void cardsDrawInsideAProxy_data() { addKinds(); QTest::newRow("card") << int(Card); QTest::newRow("expanded") << int(Expanded); }
    void cardsDrawInsideAProxy()
    {
        QFETCH(int, kind);
        TaskData *task = f->makeTask("Proxied", StreamStatus::Completed);
        task->setApps(f->makeApps(3));
        QGraphicsScene scene;
        QWidget *w = kind == Card ? static_cast<QWidget *>(new TaskCardView(task, f->context))
                                  : static_cast<QWidget *>(new CanvasTaskItemView(task, 0, false, f->context));
        QGraphicsProxyWidget *proxy = scene.addWidget(w);
        proxy->setAcceptHoverEvents(true);
        f->clock.runPending();
        QTest::qWait(400); // the appear fade
        for (QWidget *child : w->findChildren<QWidget *>())
            QVERIFY2(!child->graphicsEffect(), qPrintable(child->metaObject()->className()));
        QVERIFY(!w->graphicsEffect());
        QImage image(w->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        scene.render(&p, QRectF(QPointF(), w->size()), proxy->sceneBoundingRect());
        p.end();
        const QRect card = kind == Card ? static_cast<TaskCardView *>(w)->cardRect() : static_cast<CanvasTaskItemView *>(w)->cardRect();
        QVERIFY(qAlpha(image.pixel(card.center())) > 200);
        QCOMPARE(qAlpha(image.pixel(1, 1)), 0);
    }
};

TAVO_TEST_MAIN(CanvasTaskCardsTest)
#include "tst_canvastaskcards.moc"
