#include "TaskViewFixture.h"
#include "TestMain.h"
#include "categories/CanvasTaskItemView.h"
#include "categories/TaskCardView.h"
#include "theme/Color.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QScreen>
#include <QTest>

// A column of canvas task cards in each state, and expanded cards, hosted the way the canvas
// hosts them (a widget inside a graphics proxy) on a real X display, saved as a screenshot in the
// test's working folder.
class CanvasCardsScreenshotTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnOfCards()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the X display of the test command");
        TaskViewFixture f;
        // The fixture's virtual clock would hold the progress bars still; real time here.
        Scheduler::setInstance(nullptr);

        struct Row {
            QString title;
            StreamStatus status;
            int apps;
            std::optional<QString> time;
        };
        const QList<Row> rows{
            {QStringLiteral("Plan the team offsite"), StreamStatus::Idle, 0, std::nullopt},
            {QStringLiteral("Summarise the quarterly report for the board"), StreamStatus::Streaming, 2, QStringLiteral("00:12:40")},
            {QStringLiteral("Draft a reply to the design review and book a follow-up meeting with everyone involved"),
             StreamStatus::Completed, 4, QStringLiteral("01:05:00")},
            {QStringLiteral("Collect the open tickets"), StreamStatus::Failed, 7, QStringLiteral("00:03:10")},
            {QStringLiteral("Hovered: compare vendor quotes"), StreamStatus::Completed, 1, QStringLiteral("00:45:00")},
        };
        QList<TaskData *> tasks;
        for (const Row &r : rows) {
            TaskData *t = f.makeTask(r.title, r.status);
            t->setApps(f.makeApps(r.apps));
            t->setTimeRemaining(r.time);
            tasks << t;
        }
        f.context->save();

        auto *column = new QWidget;
        column->setAttribute(Qt::WA_TranslucentBackground);
        column->resize(1040, 1000);
        QList<QWidget *> cards;
        for (int i = 0; i < tasks.size(); ++i) {
            auto *card = new TaskCardView(tasks[i], f.context, column);
            const int x = 20 + (i % 4) * (TaskCardView::cardSize.width() + 28);
            const int y = 20 + (i / 4) * (TaskCardView::cardSize.height() + 28);
            card->setCardGeometry(QRect(QPoint(x, y), TaskCardView::cardSize));
            cards << card;
        }
        const QList<int> expandedRows{0, 1, 3};
        for (int i = 0; i < expandedRows.size(); ++i) {
            auto *card = new CanvasTaskItemView(tasks[expandedRows[i]], 0, false, f.context, column);
            card->setCardGeometry(QRect(QPoint(20 + TaskCardView::cardSize.width() + 28, 20 + TaskCardView::cardSize.height() + 28 + i * 108),
                                        CanvasTaskItemView::cardSize));
            cards << card;
        }

        QGraphicsScene scene;
        scene.setBackgroundBrush(Color::appBackground());
        QGraphicsProxyWidget *proxy = scene.addWidget(column);
        proxy->setAcceptHoverEvents(true);
        QGraphicsView view(&scene);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        view.resize(1080, 1040);
        view.setSceneRect(QRectF(QPointF(-20, -20), QSizeF(1080, 1040)));
        view.move(0, 0);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::qWait(700); // the appear work, fades and icon checks

        // The fifth card under the pointer, through the view and the proxy: lifted, with its
        // delete button.
        auto *hovered = static_cast<TaskCardView *>(cards[4]);
        const QPointF centre = proxy->mapToScene(QPointF(hovered->geometry().topLeft() + hovered->cardRect().center()));
        QCursor::setPos(view.viewport()->mapToGlobal(view.mapFromScene(centre)));
        QTRY_VERIFY(hovered->isHovered());
        QTRY_COMPARE(hovered->currentHoverScale(), TaskCardView::hoverScale);
        QVERIFY(hovered->showsDeleteButton());
        QTest::qWait(300);

        const QImage image = view.grab().toImage();
        const QColor background = Color::appBackground();
        for (QWidget *card : std::as_const(cards)) {
            // Every card is drawn: along its middle line its colours differ from the canvas.
            const QRect r(view.mapFromScene(proxy->mapToScene(QPointF(card->geometry().topLeft()))), card->size());
            int differing = 0;
            for (int x = r.left() + 20; x < r.right() - 20; x += 4)
                differing += QColor(image.pixel(x, r.center().y())) != background ? 1 : 0;
            QVERIFY2(differing > 20, qPrintable(card->metaObject()->className()));
        }

        QScreen *screen = view.screen();
        const QPixmap shot = screen->grabWindow(0);
        QVERIFY(!shot.isNull());
        const QString path = QDir::current().filePath(QStringLiteral("canvas_task_cards.png"));
        QVERIFY(shot.save(path));
        QVERIFY(QFileInfo(path).size() > 0);
        view.hide();
    }
};

TAVO_TEST_MAIN(CanvasCardsScreenshotTest)
#include "tst_canvascards_screenshot.moc"
