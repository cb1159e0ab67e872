#include "TaskViewFixture.h"
#include "TestMain.h"
#include "categories/AppIconView.h"
#include "categories/BlurredIconCache.h"

#include <QTest>

// The app icon of task views, and the blurred icon backdrops.
class AppIconViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TaskViewFixture> f;

private Q_SLOTS:
    void init() { f = std::make_unique<TaskViewFixture>(); }
    void cleanup() { f.reset(); }

    void pictureAfterTheAssetCheck_data()
    {
        QTest::addColumn<QString>("iconName");
        QTest::addColumn<QString>("shown");
        QTest::newRow("existing asset") << "gmail_logo" << "gmail_logo";
        QTest::newRow("missing asset") << "no_such_logo" << "app_logo_placeholder_1";
        QTest::newRow("empty name") << "" << "app_logo_placeholder_1";
        QTest::newRow("path-like name") << "../gmail_logo" << "app_logo_placeholder_1";
    }
    void pictureAfterTheAssetCheck()
    {
        QFETCH(QString, iconName);
        QFETCH(QString, shown);
        AppIconView view(f->makeApp("App", iconName), false);
        // The placeholder shows first; the check's result arrives a turn later.
        QCOMPARE(view.pictureName(), QStringLiteral("app_logo_placeholder_1"));
        view.show();
        QCOMPARE(view.pictureName(), QStringLiteral("app_logo_placeholder_1"));
        f->clock.runPending();
        QCOMPARE(view.pictureName(), shown);
    }

    void followsIconNameChanges()
    {
        AppIconData *app = f->makeApp("App", "gmail_logo");
        AppIconView view(app, true);
        view.show();
        f->clock.runPending();
        QVERIFY(view.imageExists());
        app->setIconName("missing_logo");
        f->clock.runPending();
        QCOMPARE(view.pictureName(), QStringLiteral("app_logo_placeholder_1"));
        app->setIconName("slack_logo");
        f->clock.runPending();
        QCOMPARE(view.pictureName(), QStringLiteral("slack_logo"));
    }

    void sizes_data()
    {
        QTest::addColumn<bool>("isMain");
        QTest::addColumn<QSize>("custom");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("main") << true << QSize() << QSize(72, 72);
        QTest::newRow("other") << false << QSize() << QSize(56, 56);
        QTest::newRow("custom main") << true << QSize(40, 30) << QSize(40, 30);
        QTest::newRow("custom other") << false << QSize(40, 30) << QSize(40, 30);
    }
    void sizes()
    {
        QFETCH(bool, isMain);
        QFETCH(QSize, custom);
        QFETCH(QSize, expected);
        AppIconView view(f->makeApp("App", "gmail_logo"), isMain, custom.isValid() ? std::optional<QSize>(custom) : std::nullopt);
        QCOMPARE(view.iconSize(), expected);
        view.setIconGeometry(QRect(QPoint(100, 50), expected));
        QCOMPARE(view.mapToParent(view.iconRect().topLeft()), QPoint(100, 50));
        QCOMPARE(view.iconRect().size(), expected);
    }

    void backdropIsMadeOncePerIconAndSize()
    {
        BlurredIconCache::clear();
        const int before = BlurredIconCache::buildCount();
        const QImage a = BlurredIconCache::image("gmail_logo", QSize(92, 72), 30);
        QVERIFY(!a.isNull());
        QCOMPARE(a.size(), QSize(92, 72));
        QCOMPARE(BlurredIconCache::image("gmail_logo", QSize(92, 72), 30), a);
        QCOMPARE(BlurredIconCache::buildCount(), before + 1);
        BlurredIconCache::image("gmail_logo", QSize(224, 290), 30);
        BlurredIconCache::image("slack_logo", QSize(92, 72), 30);
        QCOMPARE(BlurredIconCache::buildCount(), before + 3);
        QVERIFY(BlurredIconCache::image("no_such_logo", QSize(92, 72), 30).isNull());
        // The edges fade out; the middle keeps the icon's colour.
        QVERIFY(qAlpha(a.pixel(0, 0)) < qAlpha(a.pixel(46, 36)));
    }
};

TAVO_TEST_MAIN(AppIconViewTest)
#include "tst_appiconview.moc"
