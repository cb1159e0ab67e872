#include "ModelTestSupport.h"
#include "FakeCanvasCoordinator.h"
#include "FakeScheduler.h"
#include "TestMain.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "categories/CategoryCreationPopupView.h"
#include "categories/CategoryViewModel.h"
#include "model/CategoryData.h"
#include "model/MigrationService.h"
#include "Platform/AppInfo.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Settings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMouseEvent>

namespace {
const QString kVersionKey = QStringLiteral("LastMigratedAppVersion");

CategoryData *storedCategory(ModelContext *context, const QString &title, QPointF position, const QDateTime &createdAt)
{
    auto *category = new CategoryData(QUuid::createUuid(), title, createdAt, position.x(), position.y());
    context->insert(category);
    context->save();
    return category;
}

QList<NSCanvasComponentPtr> columns(const EnhancedCanvasViewController &controller)
{
    QList<NSCanvasComponentPtr> out;
    for (const NSCanvasComponentPtr &c : controller.components()) {
        if (c->type().isCategoryView())
            out.append(c);
    }
    return out;
}
}

// A canvas of 1000 × 800 over a store, set up with or without a coordinator. Nothing of the
// category load runs until the test lets the turns and the background fetch run.
struct ColumnsFixture {
    FakeScheduler clock;
    QTemporaryDir dir;
    std::unique_ptr<ModelContainer> store;
    std::shared_ptr<ModelContext> context;
    FakeCanvasCoordinator coordinator;
    std::unique_ptr<EnhancedCanvasViewController> controller;

    explicit ColumnsFixture(bool fileStore = false)
        : store(fileStore ? makeFileStore(dir) : makeMemoryStore())
        , context(std::make_shared<ModelContext>(store.get()))
    {
        Settings::instance().setValue(EnhancedCanvasViewController::kHasShownCanvasTutorial, true);
    }
    // What the first run's seeding leaves (the seeding itself runs once per process).
    void storeAllTasks()
    {
        storedCategory(context.get(), QStringLiteral("All Tasks"), {2240, 1540}, clock.now().addSecs(-60));
    }
    void setUp(bool withCoordinator = true)
    {
        if (!controller) {
            controller = std::make_unique<EnhancedCanvasViewController>();
            controller->view()->resize(1000, 800);
            controller->view()->show();
        }
        controller->setup(context, withCoordinator ? &coordinator : nullptr);
    }
    EnhancedCanvasView *canvas() { return controller->enhancedCanvasView(); }
    // Runs the turns, the fetch on the thread pool and its delivery until n columns are there.
    bool waitForColumns(int n)
    {
        for (int i = 0; i < 500; ++i) {
            clock.runPending();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (columns(*controller).size() == n)
                return true;
        }
        return false;
    }
    void rightPress(const QPointF &p)
    {
        QMouseEvent press(QEvent::MouseButtonPress, p, canvas()->viewport()->mapToGlobal(p), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas()->viewport(), &press);
    }
    CategoryCreationPopupView *popup() { return qobject_cast<CategoryCreationPopupView *>(controller->categoryCreationPopup()); }
};

class TestCategoryComponents : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        Settings::instance().remove(kVersionKey);
        AppInfo::instance().setDictionary({{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.0.0")}});
    }

    void reservedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("reserved");
        QTest::newRow("exact") << QStringLiteral("All Tasks") << true;
        QTest::newRow("lower case") << QStringLiteral("all tasks") << true;
        QTest::newRow("mixed case with blanks") << QStringLiteral("  aLL tASKS \t") << true;
        QTest::newRow("line breaks around") << QStringLiteral("\nAll Tasks\n") << true;
        QTest::newRow("followed by a digit") << QStringLiteral("All Tasks2") << false;
        QTest::newRow("written together") << QStringLiteral("AllTasks") << false;
        QTest::newRow("two spaces inside") << QStringLiteral("All  Tasks") << false;
    }
    void reservedNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, reserved);
        QStringList confirmed;
        CategoryCreationPopupView popup([&](const QString &n) { confirmed.append(n); }, [] {}, QPointF(200, 150));
        popup.nameField()->setText(name);
        QCOMPARE(popup.isReservedName(), reserved);
        QCOMPARE(popup.saveButton()->isEnabled(), !reserved);
        QCOMPARE(popup.reservedMessage()->isVisibleTo(&popup), reserved);
        popup.confirmName();
        QCOMPARE(confirmed, reserved ? QStringList() : QStringList{name.trimmed()});
        if (reserved)
            QCOMPARE(popup.categoryName(), QString()); // cleared, not confirmed
    }

    // Escape cancels whatever the field holds; Return confirms a name and passes on without one;
    // other keys (keypad Enter, Tab) always pass; after the popup has gone nothing is taken.
    void popupKeys()
    {
        FakeScheduler clock;
        QStringList confirmed;
        int cancels = 0;
        auto popup = std::make_unique<CategoryCreationPopupView>([&](const QString &n) { confirmed.append(n); }, [&] { ++cancels; },
                                                                 QPointF(200, 150));
        popup->resize(400, 300);
        popup->show();
        QApplication::setActiveWindow(popup.get());
        QVERIFY(QTest::qWaitForWindowActive(popup.get()));
        QVERIFY(popup->hasKeyMonitor());
        clock.advance(CategoryCreationPopupView::focusDelayMs);
        QVERIFY(popup->nameField()->hasFocus());

        QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QVERIFY(!popup->handleKeyDown(returnKey)); // empty: passes on
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(popup->handleKeyDown(escape));
        QCOMPARE(cancels, 1);
        popup->nameField()->setText(QStringLiteral(" Ideas "));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier);
        QVERIFY(!popup->handleKeyDown(enter));
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QVERIFY(!popup->handleKeyDown(tab));
        QVERIFY(confirmed.isEmpty());
        // Through the application, as typed: the monitor confirms once, the field not again.
        QTest::keyClick(popup->nameField(), Qt::Key_Return);
        QCOMPARE(confirmed, QStringList{QStringLiteral("Ideas")});
        popup->hide();
        QVERIFY(!popup->hasKeyMonitor());
        QVERIFY(!popup->handleKeyDown(escape));
        QCOMPARE(cancels, 1);
    }

    void emptyStoreSeedsAllTasksOnceAndMigratesOncePerVersion()
    {
        ColumnsFixture f;
        LogCapture log;
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        const NSCanvasComponentPtr column = columns(*f.controller).first();
        QCOMPARE(column->type().category().title, QStringLiteral("All Tasks"));
        QCOMPARE(column->frame(), QRectF(2240, 1540, 1680, 500));
        QCOMPARE(Settings::instance().value(kVersionKey).toString(), QStringLiteral("2.0.0"));
        const QString migrationLine = QStringLiteral("🔄 [MigrationService] Starting mini app toggle migration...");
        QCOMPARE(log.lines().count(migrationLine), 1);

        // The same version: no migration, the stored (moved) position stays.
        ModelContext main(f.store.get());
        main.fetch<CategoryData>().first()->setPosition(QPointF(5, 6));
        main.save();
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        QCOMPARE(columns(*f.controller).first()->frame().topLeft(), QPointF(5, 6));
        QCOMPARE(log.lines().count(migrationLine), 1);
        QCOMPARE(main.fetch<CategoryData>().size(), 1); // seeded once
    }

    void columnsLoadOldestFirstAndShareOneViewModel()
    {
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        const QDateTime t0 = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
        storedCategory(f.context.get(), QStringLiteral("Newer"), {4420, 1540}, t0.addSecs(60));
        storedCategory(f.context.get(), QStringLiteral("Older"), {60, 1540}, t0);
        f.setUp(false);
        QVERIFY(f.waitForColumns(2));
        const QList<NSCanvasComponentPtr> shown = columns(*f.controller);
        QCOMPARE(shown[0]->type().category().title, QStringLiteral("Older"));
        QCOMPARE(shown[0]->frame().topLeft(), QPointF(60, 1540));
        QCOMPARE(shown[1]->type().category().title, QStringLiteral("Newer"));
        QVERIFY(shown[0]->type().categoryViewModel());
        QCOMPARE(shown[0]->type().categoryViewModel(), shown[1]->type().categoryViewModel());
        QCOMPARE(f.controller->nextCategoryPosition(), QPointF(6600, 1540));
    }

    void nextCategoryPosition()
    {
        ColumnsFixture f;
        f.setUp(false);
        QCOMPARE(f.controller->nextCategoryPosition(), QPointF(60, 1540));
        for (qreal x : {60.0, 2240.0}) {
            CategoryModel column;
            column.id = QUuid::createUuid();
            column.position = QPointF(x, 900);
            f.controller->addCategoryComponent(column, nullptr);
        }
        QCOMPARE(f.controller->nextCategoryPosition(), QPointF(4420, 1540));
    }

    void popupPlacement_data()
    {
        QTest::addColumn<QSize>("view");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<QPointF>("canvasPoint");
        QTest::newRow("top-left corner") << QSize(1000, 800) << 0.75 << QPointF(-1350, -315) << QPointF(5, 5) << QPointF(210, 152.5)
                                         << QPointF(2080, 467.5 / 0.75);
        QTest::newRow("bottom-right corner") << QSize(1000, 800) << 1.0 << QPointF() << QPointF(990, 790) << QPointF(790, 647.5)
                                             << QPointF(790, 647.5);
        QTest::newRow("inside") << QSize(1000, 800) << 0.5 << QPointF(100, 50) << QPointF(500, 400) << QPointF(500, 400)
                                << QPointF(800, 700);
        QTest::newRow("view too small: the lower limit wins") << QSize(300, 200) << 1.0 << QPointF() << QPointF(150, 100)
                                                              << QPointF(210, 152.5) << QPointF(210, 152.5);
    }
    void popupPlacement()
    {
        QFETCH(QSize, view);
        QFETCH(qreal, scale);
        QFETCH(QPointF, offset);
        QFETCH(QPointF, press);
        QFETCH(QPointF, centre);
        QFETCH(QPointF, canvasPoint);
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        f.storeAllTasks();
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        f.controller->view()->resize(view);
        f.controller->setScale(scale);
        f.controller->setOffset(offset);
        f.controller->showCategoryCreationPopup(press);
        QVERIFY(f.popup());
        QCOMPARE(f.popup()->position(), centre);
        QCOMPARE(f.popup()->geometry(), f.controller->view()->rect());
        f.popup()->nameField()->setText(QStringLiteral("Placed"));
        f.popup()->confirmName();
        QVERIFY(f.waitForColumns(2));
        const NSCanvasComponentPtr added = columns(*f.controller).last();
        QCOMPARE(added->type().category().title, QStringLiteral("Placed"));
        QVERIFY(qAbs(added->frame().x() - canvasPoint.x()) < 1e-9);
        QVERIFY(qAbs(added->frame().y() - canvasPoint.y()) < 1e-9);
        ModelContext check(f.store.get());
        const QList<CategoryData *> stored = check.fetch<CategoryData>(Predicate::equal(QStringLiteral("title"), QStringLiteral("Placed")));
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.first()->id(), added->type().category().id);
    }

    // A right press on empty canvas opens the popup; Return confirms; the column appears where
    // asked; the canvas takes no input until the popup's fade-out has ended.
    void rightPressCreatesAColumnWhereAsked()
    {
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        f.storeAllTasks();
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        f.controller->setScale(0.5);
        f.controller->setOffset(QPointF(-1000, -700));
        f.controller->applyTransform();
        f.rightPress(QPointF(600, 500)); // empty canvas, left of the seeded column
        QVERIFY(f.popup());
        QVERIFY(f.controller->isCreatingCategory());
        f.rightPress(QPointF(600, 500));
        QCOMPARE(f.controller->view()->findChildren<CategoryCreationPopupView *>().size(), 1);

        f.popup()->nameField()->setText(QStringLiteral("  Research  "));
        f.popup()->confirmName();
        QVERIFY(f.waitForColumns(2));
        const NSCanvasComponentPtr added = columns(*f.controller).last();
        QCOMPARE(added->type().category().title, QStringLiteral("Research"));
        QCOMPARE(added->frame().topLeft(), QPointF(3200, 2400));
        QVERIFY(f.canvas()->componentView(added->id()));
        // Still fading: input stays locked until the 0.2 s are over.
        QVERIFY(f.controller->isCreatingCategory());
        f.clock.advance(EnhancedCanvasViewController::popupFadeOutMs);
        QVERIFY(!f.controller->isCreatingCategory());
        QVERIFY(!f.controller->categoryCreationPopup());
        f.rightPress(QPointF(50, 700)); // the new column now lies under the first press point
        QVERIFY(f.popup());
    }

    void confirmationWithoutCoordinatorKeepsThePopup()
    {
        ColumnsFixture f;
        f.storeAllTasks();
        f.setUp(false);
        QVERIFY(f.waitForColumns(1));
        f.controller->showCategoryCreationPopup(QPointF(500, 400));
        f.popup()->nameField()->setText(QStringLiteral("Nowhere"));
        f.popup()->confirmName();
        f.clock.advance(1000);
        QVERIFY(f.popup());
        QCOMPARE(columns(*f.controller).size(), 1);
    }

    // The column added after a confirmation is the created category's, found by id: an older
    // category of the same title (here created "later" by a clock that was set back) gets no
    // second column, and the new one gets its own.
    void createdColumnIsFoundById()
    {
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        CategoryData *older = storedCategory(f.context.get(), QStringLiteral("Ideas"), {60, 1540}, f.clock.now().addDays(1));
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        f.controller->showCategoryCreationPopup(QPointF(500, 400));
        f.popup()->nameField()->setText(QStringLiteral("Ideas"));
        f.popup()->confirmName();
        QVERIFY(f.waitForColumns(2));
        f.clock.advance(1000);
        const QList<NSCanvasComponentPtr> shown = columns(*f.controller);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0]->type().category().id, older->id());
        QVERIFY(shown[1]->type().category().id != older->id());
        QCOMPARE(shown[1]->type().category().title, QStringLiteral("Ideas"));
    }

    // A creation whose save fails adds no column, whatever else carries the title.
    void failedCreationAddsNoColumn()
    {
        ColumnsFixture f(true);
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        storedCategory(f.context.get(), QStringLiteral("Ideas"), {60, 1540}, f.clock.now());
        f.setUp();
        QVERIFY(f.waitForColumns(1));
        LogCapture log;
        {
            RawConnection other(f.store.get());
            QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
            f.controller->showCategoryCreationPopup(QPointF(500, 400));
            f.popup()->nameField()->setText(QStringLiteral("Ideas"));
            f.popup()->confirmName();
            f.clock.advance(1000);
        }
        QCOMPARE(columns(*f.controller).size(), 1);
        QVERIFY(log.contains(QStringLiteral("🎯 ❌ Failed to find newly created category in database")));
    }

    void categoryDeletedRemovesTheColumn()
    {
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        CategoryData *work = storedCategory(f.context.get(), QStringLiteral("Work"), {2240, 1540}, f.clock.now().addSecs(1));
        f.storeAllTasks();
        f.setUp();
        QVERIFY(f.waitForColumns(2));
        NotificationCenter::defaultCenter().post(QStringLiteral("categoryDeleted"), {}, {{QStringLiteral("categoryId"), work->id().toString()}});
        QCOMPARE(columns(*f.controller).size(), 2);
        // Through the columns' own view model: the store loses it and the column goes.
        auto *viewModel = qobject_cast<CategoryViewModel *>(columns(*f.controller).last()->type().categoryViewModel());
        QVERIFY(viewModel);
        f.clock.runPending(); // its list loads first
        viewModel->deleteCategory(work->id());
        f.clock.runPending();
        QCOMPARE(columns(*f.controller).size(), 1);
        QCOMPARE(columns(*f.controller).first()->type().category().title, QStringLiteral("All Tasks"));
    }

    void loadFailureKeepsTheWelcomeComponent()
    {
        ColumnsFixture f;
        Settings::instance().setValue(kVersionKey, QStringLiteral("2.0.0"));
        RawConnection damage(f.store.get());
        QVERIFY(damage.exec(QStringLiteral("DROP TABLE CategoryData")));
        LogCapture log;
        f.setUp(false);
        for (int i = 0; i < 100 && log.lines().filter(QStringLiteral("Failed to load categories from database: ")).isEmpty(); ++i) {
            f.clock.runPending();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCOMPARE(log.lines().filter(QStringLiteral("Failed to load categories from database: ")).size(), 1);
        QCOMPARE(columns(*f.controller).size(), 0);
        QCOMPARE(f.canvas()->components().size(), 1);
    }
};

TAVO_TEST_MAIN(TestCategoryComponents)
#include "tst_category_components.moc"
