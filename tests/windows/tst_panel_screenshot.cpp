#include "TestMain.h"
#include "PainterWarnings.h"
#include "CoordinatorFixture.h"
#include "Platform/Settings.h"
#include "model/TaskData.h"
#include "windows/FloatingPanelView.h"
#include "windows/PanelWindowManager.h"

#include <QDir>
#include <QScreen>

// The floating panel with three tasks on a real X display, saved as a screenshot in the test's
// working folder.
class TestPanelScreenshot : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelWithThreeTasks()
    {
        PainterWarnings painterWarnings;
        for (const QString &key : {FloatingPanelView::collapsedKey, FloatingPanelView::showChatKey, FloatingPanelView::selectedTaskIdKey})
            Settings::instance().remove(key);
        CoordinatorFixture f;
        MainViewModel &vm = f.make();
        const QStringList titles{QStringLiteral("Plan the team offsite"), QStringLiteral("Summarise the quarterly report"),
                                 QStringLiteral("Draft a reply to the design review")};
        for (int i = 0; i < titles.size(); ++i) {
            auto *task = new TaskData(QUuid::createUuid(), titles[i], std::nullopt, std::nullopt,
                                      QDateTime::currentDateTimeUtc().addSecs(i), false, 0.4, std::nullopt,
                                      i == 2 ? StreamStatus::Streaming : StreamStatus::Completed, false);
            f.context()->insert(task);
        }
        f.context()->save();

        PanelWindowManager manager(&f.container);
        manager.setMainViewModel(&vm);
        manager.show();
        QTRY_VERIFY(manager.window()->isVisible());
        QTRY_COMPARE(manager.window()->windowOpacity(), 1.0);
        FloatingPanelView *view = manager.hostingView();
        QVERIFY(view);
        QCOMPARE(view->listRows().size(), 3);
        QTest::qWait(1500); // the list area's entrance and the rows' own appearance

        QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QRect avail = screen->availableGeometry();
        const QRect g = manager.window()->geometry();
        QCOMPARE(g.width(), 420);
        QCOMPARE(g.right(), screen->geometry().right());
        QCOMPARE(g.bottom(), avail.bottom());
        // Every row is drawn: its title's pixels differ from the empty list's.
        const QImage image = view->grab().toImage();
        for (QWidget *row : view->listRows()) {
            QVERIFY(row->isVisible());
            const QRect r(row->mapTo(view, QPoint()), row->size());
            QSet<QRgb> colours;
            for (int x = r.left(); x < r.right(); x += 3)
                colours.insert(image.pixel(x, r.center().y()));
            QVERIFY2(colours.size() > 4, "a row is not drawn");
        }

        const QPixmap shot = screen->grabWindow(0);
        QVERIFY(!shot.isNull());
        const QString path = QDir::current().filePath(QStringLiteral("floating_panel.png"));
        QVERIFY(shot.save(path));
        QVERIFY(QFileInfo(path).size() > 0);

        manager.hide();
        QTRY_VERIFY(!manager.window()->isVisible());
        QVERIFY2(painterWarnings.seen().isEmpty(), painterWarnings.summary().constData());
    }
};

TAVO_TEST_MAIN(TestPanelScreenshot)
#include "tst_panel_screenshot.moc"
