#include "NotificationSpy.h"
#include "TaskViewFixture.h"
#include "TestMain.h"
#include "Platform/ModalPrompt.h"
#include "Platform/UuidText.h"
#include "categories/CanvasTaskItemView.h"
#include "categories/CardDropDelegate.h"
#include "categories/CategoryColumnActions.h"
#include "categories/CategoryColumnLayout.h"
#include "categories/CategoryControlsComponent.h"
#include "categories/CategoryStyleSearchField.h"
#include "categories/CategoryView.h"
#include "categories/EmptyTaskCardView.h"
#include "categories/TaskCardBehaviours.h"
#include "categories/TaskCardView.h"
#include "categories/TaskWebContentView.h"
#include "model/CategoryData.h"
#include "theme/Color.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

namespace L = CategoryColumnLayout;

// Records what the column asks of the category list view model.
struct FakeActions : CategoryColumnActions {
    QList<QPair<QUuid, QString>> renames;
    QList<QUuid> deletes;
    QList<QPair<QUuid, QUuid>> moves;
    void renameCategory(const QUuid &id, const QString &title) override { renames.append({id, title}); }
    void deleteCategory(const QUuid &id) override { deletes.append(id); }
    void moveTask(const QUuid &task, const QUuid &category) override { moves.append({task, category}); }
    QHash<QUuid, QString> stored;
    std::optional<QString> storedTitle(const QUuid &id) const override
    {
        return stored.contains(id) ? std::optional<QString>(stored.value(id)) : std::nullopt;
    }
    QList<std::function<void()>> failureObservers;
    void observeFailures(QObject *, std::function<void()> callback) override { failureObservers.append(std::move(callback)); }
    void fail()
    {
        for (const auto &f : std::as_const(failureObservers))
            f();
    }
};

// The category column: its layout, header bar and search, title editor, alerts, detail mode,
// drops, the add-task card and task deletion.
class CategoryViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TaskViewFixture> f;
    std::shared_ptr<FakeActions> actions;

    CategoryData *makeCategory(const QString &title)
    {
        auto *c = new CategoryData(QUuid::createUuid(), title, f->clock.now(), 2240, 1540);
        f->context->insert(c);
        f->context->save();
        return c;
    }
    TaskData *addTask(CategoryData *category, const QString &title, StreamStatus status = StreamStatus::Idle,
                      std::optional<QString> summary = std::nullopt)
    {
        TaskData *t = f->makeTask(title, status, false);
        t->setSummary(summary);
        f->context->insert(t);
        t->setCategory(category);
        f->context->save();
        f->clock.advance(1000); // distinct creation dates
        return t;
    }
    std::unique_ptr<CategoryView> column(CategoryData *category)
    {
        auto view = std::make_unique<CategoryView>(CategoryModel(category), actions, f->context);
        view->setGeometryResolvers([](const QWidget *, const QRectF &r) { return r; },
                                   [] { return std::optional<QRectF>(QRectF(0, 0, 1920, 1080)); });
        return view;
    }
    static QStringList titles(const QList<TaskData *> &tasks)
    {
        QStringList out;
        for (TaskData *t : tasks)
            out << t->title();
        return out;
    }
    static void key(QWidget *w, Qt::Key k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TaskViewFixture>();
        actions = std::make_shared<FakeActions>();
    }
    void cleanup()
    {
        ModalPrompt::setResponder(nullptr);
        TaskCardBehaviours::setStreamStopper(nullptr);
        actions.reset();
        f.reset();
    }

    // Six fixed 224-point columns, 28 apart, centred in the 1630-point stack of a 1670 column.
    void layoutTable_data()
    {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("gridHeight");
        const int header = 96;
        const int top = L::outerPadding + header + L::stackSpacing + L::gridPadding;
        const int left = L::outerPadding + L::gridPadding + (1630 - 32 - 1484) / 2;
        QTest::newRow("only the add card") << 1 << 0 << QRect(left, top, 224, 290) << 290 + 32;
        QTest::newRow("sixth in the first row") << 6 << 5 << QRect(left + 5 * 252, top, 224, 290) << 290 + 32;
        QTest::newRow("seventh opens a row") << 7 << 6 << QRect(left, top + 318, 224, 290) << 2 * 290 + 28 + 32;
        QTest::newRow("thirteen items") << 13 << 12 << QRect(left, top + 2 * 318, 224, 290) << 3 * 290 + 2 * 28 + 32;
    }
    void layoutTable()
    {
        QFETCH(int, items);
        QFETCH(int, index);
        QFETCH(QRect, rect);
        QFETCH(int, gridHeight);
        QCOMPARE(L::columnWidth, 1670);
        QCOMPARE(L::gridWidth(), 1484);
        QCOMPARE(L::headerRowHeight(58), 96);
        QCOMPARE(L::gridItemRect(index, 96), rect);
        QCOMPARE(L::gridHeight(items), gridHeight);
    }

    void columnPlacesCardsAndGrows()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        for (int i = 0; i < 7; ++i)
            addTask(work, QStringLiteral("Task %1").arg(i));
        auto view = column(work);
        QCOMPARE(view->width(), 1670);
        QCOMPARE(view->cardViews().size(), 7);
        const int header = L::headerRowHeight(view->titleLabel()->height());
        QCOMPARE(view->cardViews().at(6)->geometry().adjusted(12, 12, -12, -12), L::gridItemRect(6, header));
        QCOMPARE(view->emptyCard()->geometry(), L::gridItemRect(7, header));
        QCOMPARE(view->height(), L::columnHeight(8, header, 0, false, 88));
    }

    void headerSizeTable_data()
    {
        QTest::addColumn<int>("taskCount");
        QTest::addColumn<bool>("activated");
        QTest::addColumn<int>("headerWidth");
        QTest::addColumn<int>("fieldWidth");
        QTest::addColumn<int>("deletePill");
        QTest::newRow("empty") << 0 << false << 320 << 0 << 48;
        QTest::newRow("one, activated") << 1 << true << 711 << 439 << 48;
        QTest::newRow("three") << 3 << false << 711 << 439 << 48;
        QTest::newRow("four") << 4 << false << 963 << 264 << 182;
        QTest::newRow("seven") << 7 << false << 1215 << 520 << 182;
    }
    void headerSizeTable()
    {
        QFETCH(int, taskCount);
        QFETCH(bool, activated);
        QFETCH(int, headerWidth);
        QFETCH(int, fieldWidth);
        QFETCH(int, deletePill);
        using C = CategoryControlsComponent;
        const C::SizeConfiguration size = C::sizeConfiguration(taskCount, activated);
        QCOMPARE(C::headerWidth(size), headerWidth);
        QCOMPARE(C::searchFieldWidth(size), fieldWidth);
        QCOMPARE(C::pillWidth(C::Pill::deleteCategory, C::isExpanded(size)), deletePill);
        C bar;
        bar.setTaskCount(taskCount);
        if (activated)
            bar.activateSearch();
        QCOMPARE(bar.width(), headerWidth);
        QCOMPARE(bar.showsSearchField(), fieldWidth > 0);
        if (fieldWidth > 0)
            QCOMPARE(bar.searchField()->width(), fieldWidth);
    }

    // Only the delete pill acts, and only in an ordinary column with no streaming task.
    void headerButtons()
    {
        CategoryControlsComponent bar;
        int deletes = 0;
        bar.setOnDeleteCategory([&deletes] { ++deletes; });
        for (auto pill : {CategoryControlsComponent::Pill::notification, CategoryControlsComponent::Pill::date,
                          CategoryControlsComponent::Pill::select})
            QVERIFY(!bar.pill(pill)->isEnabled());
        QAbstractButton *del = bar.pill(CategoryControlsComponent::Pill::deleteCategory);
        QVERIFY(del->isEnabled());
        bar.setHasRunningTasks(true);
        QVERIFY(!del->isEnabled());
        del->click();
        QCOMPARE(deletes, 0);
        bar.setHasRunningTasks(false);
        bar.setIsAllTasksCategory(true);
        QVERIFY(!del->isEnabled());
        bar.setIsAllTasksCategory(false);
        del->click();
        QCOMPARE(deletes, 1);
    }

    // With one task the round button opens the field, which takes the keyboard 0.1 s later; clearing
    // the text closes it again. A second task keeps the field and resets the activation.
    void searchActivation()
    {
        CategoryControlsComponent bar;
        bar.setTaskCount(1);
        QVERIFY(!bar.showsSearchField());
        bar.searchButton()->click();
        QVERIFY(bar.isSearchActivated());
        QCOMPARE(bar.width(), 711);
        QVERIFY(!bar.isSearchFocused());
        f->clock.advance(99);
        QVERIFY(!bar.isSearchFocused());
        f->clock.advance(1);
        QVERIFY(bar.isSearchFocused());
        bar.searchField()->setSearchText(QStringLiteral("ab"));
        QVERIFY(bar.searchField()->showsClearButton());
        bar.searchField()->clearButton()->click();
        QVERIFY(!bar.isSearchActivated());
        QVERIFY(!bar.isSearchFocused());
        QVERIFY(!bar.showsSearchField());
        bar.activateSearch();
        bar.setTaskCount(2);
        QVERIFY(!bar.isSearchActivated());
        QVERIFY(bar.showsSearchField());
        bar.setTaskCount(1);
        QVERIFY(!bar.showsSearchField());
    }

    void searchFilter_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty") << "" << QStringList{"Plan trip", "  ab here", "Budget"};
        QTest::newRow("blanks only") << "  \n " << QStringList{"Plan trip", "  ab here", "Budget"};
        QTest::newRow("case-insensitive title") << "PLAN" << QStringList{"Plan trip"};
        QTest::newRow("summary") << "flights" << QStringList{"Plan trip"};
        QTest::newRow("untrimmed blanks count") << "  ab" << QStringList{"  ab here"};
        QTest::newRow("no match") << "zzz" << QStringList{};
    }
    void searchFilter()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        addTask(work, QStringLiteral("Plan trip"), StreamStatus::Idle, QStringLiteral("Book FLIGHTS"));
        addTask(work, QStringLiteral("  ab here"));
        addTask(work, QStringLiteral("Budget"), StreamStatus::Idle, QStringLiteral("xab"));
        auto view = column(work);
        view->setSearchText(search);
        QCOMPARE(titles(view->filteredTasks()), shown);
        QCOMPARE(view->cardViews().size(), shown.size());
        QCOMPARE(view->controls()->taskCount(), 3); // the header counts every task
    }

    void titleEditor_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<QString>("logPrefix");
        QTest::newRow("reserved with blanks") << " All Tasks " << "Work" << false << "❌ Cannot rename category to 'All Tasks' - this name is reserved";
        QTest::newRow("reserved in capitals") << "ALL TASKS" << "Work" << false << "❌ Cannot rename category to 'All Tasks'";
        QTest::newRow("unchanged") << "Work" << "Work" << false << "";
        QTest::newRow("blank") << "   " << "Work" << false << "";
        QTest::newRow("near miss") << "All Tasks 2" << "All Tasks 2" << true << "✅ Category title updated: 'Work' → 'All Tasks 2'";
        QTest::newRow("trimmed") << "  Home \n" << "Home" << true << "✅ Category title updated: 'Work' → 'Home' (ID: ";
    }
    void titleEditor()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(bool, renamed);
        QFETCH(QString, logPrefix);
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        auto view = column(work);
        view->startTitleEdit();
        QVERIFY(view->isEditingTitle());
        QCOMPARE(view->editingTitle(), QStringLiteral("Work"));
        view->setEditingTitle(typed);
        view->commitTitleEdit();
        view->commitTitleEdit(); // Return, then the focus loss it causes
        QVERIFY(!view->isEditingTitle());
        QVERIFY(!view->titleFieldFocused());
        QCOMPARE(view->category().title, title);
        QCOMPARE(view->titleLabel()->text(), title);
        QCOMPARE(actions->renames.size(), renamed ? 1 : 0);
        if (renamed) {
            QCOMPARE(actions->renames.first().second, title);
            const QString expected = QStringLiteral("✅ Category title updated: 'Work' → '") + title + QStringLiteral("' (ID: ")
                                     + UuidText::toText(work->id()) + QStringLiteral(")");
            QCOMPARE(f->logCount(expected), 1);
            QVERIFY(expected.contains(work->id().toString(QUuid::WithoutBraces).toUpper()));
        }
        if (logPrefix.isEmpty()) {
            QCOMPARE(f->logCount(QStringLiteral("✅ Category title")) + f->logCount(QStringLiteral("❌ Cannot rename")), 0);
        } else {
            QCOMPARE(f->logCount(logPrefix), 1);
        }
    }

    // A rename the store refused: the column shows the stored title again.
    void failedRenameRestoresTitle()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        actions->stored.insert(work->id(), QStringLiteral("Work"));
        auto view = column(work);
        view->startTitleEdit();
        view->setEditingTitle(QStringLiteral("Home"));
        view->commitTitleEdit();
        QCOMPARE(view->titleLabel()->text(), QStringLiteral("Home"));
        actions->fail();
        QCOMPARE(view->category().title, QStringLiteral("Work"));
        QCOMPARE(view->titleLabel()->text(), QStringLiteral("Work"));
    }

    void titleEscapeAndReservedColumn()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        auto view = column(work);
        view->startTitleEdit();
        view->titleEditor()->setText(QStringLiteral("Wor"));
        key(view->titleEditor(), Qt::Key_A);
        QVERIFY(view->isEditingTitle());
        key(view->titleEditor(), Qt::Key_Escape);
        QVERIFY(!view->isEditingTitle());
        QCOMPARE(view->editingTitle(), QStringLiteral("Work"));
        QVERIFY(actions->renames.isEmpty());

        CategoryData *all = makeCategory(QStringLiteral("All Tasks"));
        auto allView = column(all);
        QTest::mouseDClick(allView->titleLabel(), Qt::LeftButton);
        QVERIFY(!allView->isEditingTitle());
        QVERIFY(!allView->controls()->isDeleteEnabled());
        QCOMPARE(allView->titleLabel()->palette().color(QPalette::WindowText).alphaF(), Color::textPrimary().alphaF() * 0.8f);
    }

    // Nothing in a column is drawn in a clear colour, whatever the host's palette holds.
    void textColoursAreNeverClear()
    {
        QCOMPARE(CategoryView::textColour(Qt::transparent), Color::textPrimary());
        QCOMPARE(CategoryView::textColour(QColor()), Color::textPrimary());
        QCOMPARE(CategoryView::textColour(Qt::red), QColor(Qt::red));
        QWidget host;
        QPalette clear = host.palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            clear.setColor(role, Qt::transparent);
        host.setPalette(clear);
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        auto view = column(work);
        view->setParent(&host);
        QVERIFY(view->titleLabel()->palette().color(QPalette::WindowText).alpha() > 0);
        QVERIFY(view->titleEditor()->palette().color(QPalette::Text).alpha() > 0);
        QVERIFY(view->palette().color(QPalette::ButtonText).alpha() > 0);
        view->setParent(nullptr);
    }

    void deleteAlertTexts()
    {
        const PromptRequest running = CategoryView::deleteCategoryAlert(QStringLiteral("Work"), true, 1, 3);
        QCOMPARE(running.title, QStringLiteral("Delete Category"));
        QCOMPARE(running.text, QStringLiteral("Cannot delete 'Work' because 1 task(s) are currently running.\n\n"
                                              "Please wait for all tasks to complete before deleting this category."));
        QCOMPARE(running.buttons, QStringList{QStringLiteral("Cancel")});
        const PromptRequest idle = CategoryView::deleteCategoryAlert(QStringLiteral("Work"), false, 0, 3);
        QCOMPARE(idle.text, QStringLiteral("Are you sure you want to delete 'Work'?\n\nThis will also delete all 3 task(s) in this "
                                           "category.\n\nThis action cannot be undone."));
        QCOMPARE(idle.buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Delete")}));
    }

    void deleteCategoryFlow()
    {
        QList<PromptRequest> asked;
        int answer = 1;
        ModalPrompt::setResponder([&](const PromptRequest &r) {
            asked.append(r);
            return answer;
        });
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        TaskData *streaming = addTask(work, QStringLiteral("A"), StreamStatus::Streaming);
        addTask(work, QStringLiteral("B"));
        auto view = column(work);
        QVERIFY(view->hasRunningTasks());
        QCOMPARE(view->runningTasksCount(), 1);
        view->requestDeleteCategory();
        f->clock.runPending();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().text.startsWith(QStringLiteral("Cannot delete 'Work' because 1 task(s)")));
        QVERIFY(actions->deletes.isEmpty());
        QVERIFY(!view->showDeleteConfirmation());

        streaming->setStreamStatus(StreamStatus::Completed);
        f->context->save();
        f->clock.runPending();
        QVERIFY(view->controls()->isDeleteEnabled());
        view->requestDeleteCategory();
        f->clock.runPending();
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked.last().text.contains(QStringLiteral("delete all 2 task(s)")));
        QCOMPARE(actions->deletes, QList<QUuid>{work->id()});

        CategoryData *all = makeCategory(QStringLiteral("All Tasks"));
        auto allView = column(all);
        allView->requestDeleteCategory();
        f->clock.runPending();
        QCOMPARE(asked.size(), 2);
    }

    // Opening waits 0.3 s, a second tap meanwhile changes nothing, the newest row is on top, and
    // at most ten are open.
    void detailOpening()
    {
        NotificationSpy spy;
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        QList<TaskData *> tasks;
        for (int i = 0; i < 11; ++i)
            tasks << addTask(work, QStringLiteral("T%1").arg(i));
        auto view = column(work);
        view->handleTaskTap(tasks[0]);
        f->clock.advance(200);
        view->handleTaskTap(tasks[0]);
        QVERIFY(view->preparingForDetail().contains(tasks[0]->id()));
        QVERIFY(view->selectedTasks().isEmpty());
        f->clock.advance(100);
        QCOMPARE(view->selectedTasks(), QList<TaskData *>{tasks[0]});
        f->clock.advance(300);
        QCOMPARE(view->selectedTasks().size(), 1);
        QVERIFY(view->showsDetailArea());
        QVERIFY(view->detailCard(tasks[0]->id()));
        QCOMPARE(view->webContent(tasks[0]->id())->pageURL(), TaskWebContentView::defaultPageURLString());
        QCOMPARE(view->cardViews().size(), 11); // still in the grid

        const QList<Notification> scrolls = spy.named(QStringLiteral("canvasScrollToCategory"));
        QCOMPARE(scrolls.size(), 1);
        QCOMPARE(scrolls.first().userInfo.value(QStringLiteral("x")).typeId(), QMetaType::Double);
        QCOMPARE(scrolls.first().userInfo.value(QStringLiteral("y")).toDouble(), 1540.0);
        QCOMPARE(scrolls.first().userInfo.value(QStringLiteral("dy")).typeId(), QMetaType::Int);
        QCOMPARE(scrolls.first().userInfo.value(QStringLiteral("dy")).toInt(), 250);
        // The new row measured itself: a delta at once and the zoom 0.05 s later.
        QCOMPARE(spy.count(QStringLiteral("canvasScrollDelta")), 1);
        QCOMPARE(spy.count(QStringLiteral("canvasZoomToDetail")), 1);

        for (int i = 1; i < 11; ++i) {
            view->handleTaskTap(tasks[i]);
            f->clock.advance(300);
        }
        QCOMPARE(view->selectedTasks().size(), 10);
        QCOMPARE(view->selectedTasks().first(), tasks[9]);
        QCOMPARE(view->selectedTasks().last(), tasks[0]);
        QVERIFY(!view->preparingForDetail().contains(tasks[10]->id()));
        // Newest on top in the layout too.
        QVERIFY(view->detailCard(tasks[9]->id())->y() < view->detailCard(tasks[0]->id())->y());
    }

    // A tap on an open task scrolls to its row: delta = window centre − (row centre + 24).
    void tapOnOpenTask()
    {
        NotificationSpy spy;
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        TaskData *t = addTask(work, QStringLiteral("T"));
        auto view = column(work);
        view->handleTaskTap(t);
        f->clock.advance(400);
        spy.clear();
        const QRectF row = view->detailFrames().value(t->id());
        QVERIFY(!row.isEmpty());
        view->handleTaskTap(t);
        const QList<Notification> deltas = spy.named(QStringLiteral("canvasScrollDelta"));
        QCOMPARE(deltas.size(), 1);
        QCOMPARE(deltas.first().userInfo.value(QStringLiteral("dx")).typeId(), QMetaType::Double);
        QCOMPARE(deltas.first().userInfo.value(QStringLiteral("dx")).toDouble(), 960.0 - row.center().x());
        QCOMPARE(deltas.first().userInfo.value(QStringLiteral("dy")).toDouble(), 540.0 - (row.center().y() + 24));
        QCOMPARE(spy.count(QStringLiteral("canvasZoomToDetail")), 0);
        f->clock.advance(50);
        QCOMPARE(spy.count(QStringLiteral("canvasZoomToDetail")), 1);
        QCOMPARE(view->selectedTasks().size(), 1); // taps never close

        // Without a known frame it scrolls to the category instead.
        view->pruneDetailFrames();
        view->setGeometryResolvers(nullptr, [] { return std::optional<QRectF>(); });
        const_cast<QHash<QUuid, QRectF> &>(view->detailFrames()).clear();
        spy.clear();
        view->handleTaskTap(t);
        QCOMPARE(spy.count(QStringLiteral("canvasScrollToCategory")), 1);
    }

    void detailClosing()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        TaskData *t = addTask(work, QStringLiteral("T"));
        auto view = column(work);
        view->handleTaskTap(t);
        f->clock.advance(300);
        view->closeTaskDetail(t);
        view->closeTaskDetail(t);
        QVERIFY(view->fadingOutTasks().contains(t->id()));
        QVERIFY(!view->detailCard(t->id())->isVisible());
        f->clock.advance(400);
        QVERIFY(view->selectedTasks().isEmpty());
        QVERIFY(view->showsDetailArea()); // the close is still under way
        QVERIFY(view->preparingForClose().contains(t->id()));
        f->clock.advance(100);
        QVERIFY(!view->showsDetailArea());
        QVERIFY(view->fadingOutTasks().isEmpty());
        QVERIFY(!view->detailCard(t->id()));
    }

    void autoExpandTask()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        TaskData *t = addTask(work, QStringLiteral("T"));
        auto view = column(work);
        view->show();
        f->clock.runPending();
        QCOMPARE(view->notificationObserverCount(), 1);
        view->hide();
        view->show();
        f->clock.runPending();
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(QStringLiteral("autoExpandTask")), 1);
        auto post = [](const QVariantMap &info) { NotificationCenter::defaultCenter().post(QStringLiteral("autoExpandTask"), {}, info); };
        const QString id = UuidText::toText(t->id());
        post({{QStringLiteral("taskId"), id}, {QStringLiteral("categoryTitle"), QStringLiteral("work")}});
        post({{QStringLiteral("taskId"), t->id()}, {QStringLiteral("categoryTitle"), QStringLiteral("Work")}});
        post({{QStringLiteral("taskId"), QStringLiteral(" ") + id}, {QStringLiteral("categoryTitle"), QStringLiteral("Work")}});
        post({{QStringLiteral("taskId"), UuidText::newText()}, {QStringLiteral("categoryTitle"), QStringLiteral("Work")}});
        f->clock.advance(1000);
        QVERIFY(view->selectedTasks().isEmpty());
        post({{QStringLiteral("taskId"), id}, {QStringLiteral("categoryTitle"), QStringLiteral("Work")}});
        f->clock.advance(299);
        QVERIFY(view->preparingForDetail().isEmpty());
        f->clock.advance(1);
        QVERIFY(view->preparingForDetail().contains(t->id()));
        f->clock.advance(300);
        QCOMPARE(view->selectedTasks(), QList<TaskData *>{t});
    }

    void drop_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("moves");
        QTest::newRow("upper-case id") << QByteArray("ID") << true;
        QTest::newRow("leading blank") << QByteArray(" ID") << false;
        QTest::newRow("not a uuid") << QByteArray("hello") << false;
        QTest::newRow("braces") << QByteArray("{ID}") << false;
        QTest::newRow("not utf-8") << QByteArray("\xff\xfe") << false;
    }
    void drop()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, moves);
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        const QUuid taskId = QUuid::createUuid();
        payload.replace("ID", UuidText::toText(taskId).toUtf8());
        auto view = column(work);
        QMimeData data;
        data.setData(QStringLiteral("text/plain"), payload);
        QVERIFY(view->performDrop(&data));
        QVERIFY(actions->moves.isEmpty()); // read on a later turn
        f->clock.runPending();
        if (moves)
            QCOMPARE(actions->moves, (QList<QPair<QUuid, QUuid>>{{taskId, work->id()}}));
        else
            QVERIFY(actions->moves.isEmpty());
        QMimeData html;
        html.setHtml(QStringLiteral("<b>x</b>"));
        QVERIFY(!view->performDrop(&html));
    }

    // The live queries move a card between columns by themselves, and a change inside one task
    // leaves the other column untouched.
    void liveQueries()
    {
        CategoryData *a = makeCategory(QStringLiteral("A"));
        CategoryData *b = makeCategory(QStringLiteral("B"));
        TaskData *t = addTask(a, QStringLiteral("T"));
        addTask(b, QStringLiteral("U"));
        auto viewA = column(a);
        auto viewB = column(b);
        const int refreshesB = viewB->refreshCount();
        t->setSummary(QStringLiteral("streamed text"));
        t->setProgress(0.5);
        f->context->save();
        f->clock.runPending();
        QCOMPARE(viewB->refreshCount(), refreshesB);
        t->setCategory(b);
        f->context->save();
        f->clock.runPending();
        QCOMPARE(titles(viewA->categoryTasks()), QStringList{});
        QCOMPARE(titles(viewB->categoryTasks()), (QStringList{"T", "U"}));
        QCOMPARE(viewB->cardViews().size(), 2);
    }

    void addTaskCard()
    {
        NotificationSpy spy;
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        auto view = column(work);
        QTest::mouseClick(view->emptyCard(), Qt::LeftButton);
        const QList<Notification> asks = spy.named(QStringLiteral("focusCanvasAIOverlayWithCategory"));
        QCOMPARE(asks.size(), 1);
        QCOMPARE(asks.first().userInfo.value(QStringLiteral("categoryTitle")).typeId(), QMetaType::QString);
        QCOMPARE(asks.first().userInfo.value(QStringLiteral("categoryTitle")).toString(), QStringLiteral("Work"));
        QCOMPARE(f->logCount(QStringLiteral("Add new task tapped for category: Work")), 1);
    }

    // Deleting a streaming task stops its answer through the coordinator first, then unlinks,
    // deletes and saves; an open detail row goes at once.
    void deleteTaskStopsStreamFirst()
    {
        CategoryData *work = makeCategory(QStringLiteral("Work"));
        TaskData *streaming = addTask(work, QStringLiteral("S"), StreamStatus::Streaming);
        TaskData *idle = addTask(work, QStringLiteral("I"));
        QList<QUuid> stopped;
        bool stillStored = false;
        TaskCardBehaviours::setStreamStopper([&](TaskData *task) {
            stopped.append(task->id());
            stillStored = task->category() != nullptr && !task->isDeleted();
        });
        auto view = column(work);
        view->handleTaskTap(streaming);
        f->clock.advance(300);
        const QUuid streamingId = streaming->id();
        view->deleteTask(streaming);
        QCOMPARE(stopped, QList<QUuid>{streamingId});
        QVERIFY(stillStored);
        QVERIFY(view->selectedTasks().isEmpty());
        QVERIFY(!view->detailCard(streamingId));
        view->deleteTask(idle);
        QCOMPARE(stopped.size(), 1); // an idle task has nothing to stop
        f->clock.runPending();
        QVERIFY(view->categoryTasks().isEmpty());
        QVERIFY(f->context->fetch<TaskData>().isEmpty());
        QVERIFY(work->tasks().isEmpty());
    }

    void webContentAddress()
    {
        TaskData *t = f->makeTask(QStringLiteral("T"));
        AppIconData *first = f->makeApp(QStringLiteral("First"), QStringLiteral("a"));
        AppIconData *second = f->makeApp(QStringLiteral("Second"), QStringLiteral("b"));
        second->setAppLink(QStringLiteral("https://second.example"));
        first->setAppLink(QString());
        t->setApps({first, second});
        QCOMPARE(TaskWebContentView::pageURLString(t), TaskWebContentView::defaultPageURLString());
        TaskWebContentView view(t);
        QSignalSpy identity(&view, &TaskWebContentView::identityChanged);
        first->setAppLink(QStringLiteral("https://first.example"));
        QCOMPARE(view.pageURL(), QStringLiteral("https://first.example"));
        QCOMPARE(identity.size(), 1);
        QCOMPARE(view.identity(), QStringLiteral("webview-https://first.example"));
    }
};

TAVO_TEST_MAIN(CategoryViewTest)
#include "tst_categoryview.moc"
