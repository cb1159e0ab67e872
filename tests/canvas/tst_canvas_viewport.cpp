#include "TestMain.h"
#include "canvas/CanvasNotificationPayload.h"
#include "canvas/CanvasViewport.h"

#include <QUuid>

Q_DECLARE_METATYPE(std::optional<QSizeF>)

class TestCanvasViewport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void zoomSteps_data()
    {
        QTest::addColumn<bool>("zoomIn");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("label");
        QTest::newRow("start") << true << 0 << 0.75 << "75%";
        QTest::newRow("in 1") << true << 1 << 0.825 << "82%";
        QTest::newRow("in 2") << true << 2 << 0.9075 << "90%";
        QTest::newRow("in 3") << true << 3 << 0.99825 << "99%";
        QTest::newRow("in 4 reaches the ceiling") << true << 4 << 1.0 << "100%";
        QTest::newRow("in 6 stays there") << true << 6 << 1.0 << "100%";
        QTest::newRow("out 1") << false << 1 << 0.6818181818181818 << "68%";
        QTest::newRow("out 2") << false << 2 << 0.6198347107438017 << "61%";
        QTest::newRow("out 13 just above the floor") << false << 13 << 0.75 * std::pow(0.9090909090909091, 13) << "21%";
        QTest::newRow("out 14 reaches the floor") << false << 14 << 0.2 << "20%";
        QTest::newRow("out 20 stays there") << false << 20 << 0.2 << "20%";
    }
    void zoomSteps()
    {
        QFETCH(bool, zoomIn);
        QFETCH(int, steps);
        QFETCH(double, scale);
        QFETCH(QString, label);
        qreal s = CanvasViewport::defaultScale;
        for (int i = 0; i < steps; ++i)
            s = CanvasViewport::zoomStep(s, zoomIn);
        QVERIFY2(qAbs(s - scale) < 1e-12, qPrintable(QString::number(s, 'g', 17)));
        QCOMPARE(CanvasViewport::zoomLabel(s), label);
    }

    void clamp_data()
    {
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::newRow("below") << 0.05 << 0.2;
        QTest::newRow("negative") << -3.0 << 0.2;
        QTest::newRow("floor") << 0.2 << 0.2;
        QTest::newRow("inside") << 0.5 << 0.5;
        QTest::newRow("ceiling") << 1.0 << 1.0;
        QTest::newRow("above") << 4.0 << 1.0;
    }
    void clamp()
    {
        QFETCH(double, in);
        QFETCH(double, out);
        QCOMPARE(CanvasViewport::clampScale(in), out);
        CanvasViewport v;
        v.setScale(in);
        QCOMPARE(v.scale(), out);
    }

    // The canvas point under the anchor stays where it is, for any pair of scales.
    void anchoredZoom_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QPointF>("anchor");
        QTest::addColumn<double>("oldScale");
        QTest::addColumn<double>("newScale");
        QTest::addColumn<QPointF>("expected");
        QTest::newRow("centre, zoom in") << QPointF(-1350, -315) << QPointF(960, 540) << 0.75 << 0.825 << QPointF(-1581, -400.5);
        QTest::newRow("centre, zoom out") << QPointF(-1350, -315) << QPointF(960, 540) << 0.75 << 0.6818181818181818
                                         << QPointF(-1140.0, -237.27272727272725);
        QTest::newRow("origin anchor") << QPointF(100, 50) << QPointF(0, 0) << 0.5 << 1.0 << QPointF(200, 100);
        QTest::newRow("same scale") << QPointF(7, 9) << QPointF(300, 200) << 0.4 << 0.4 << QPointF(7, 9);
    }
    void anchoredZoom()
    {
        QFETCH(QPointF, offset);
        QFETCH(QPointF, anchor);
        QFETCH(double, oldScale);
        QFETCH(double, newScale);
        QFETCH(QPointF, expected);
        const QPointF result = CanvasViewport::anchoredOffset(offset, anchor, oldScale, newScale);
        QVERIFY2(qAbs(result.x() - expected.x()) < 1e-9 && qAbs(result.y() - expected.y()) < 1e-9,
                 qPrintable(QStringLiteral("%1, %2").arg(result.x(), 0, 'g', 17).arg(result.y(), 0, 'g', 17)));
        const CanvasViewport before(oldScale, offset);
        const CanvasViewport after(newScale, result);
        const QPointF canvasPoint = before.toCanvas(anchor);
        QVERIFY(qAbs(after.toView(canvasPoint).x() - anchor.x()) < 1e-9);
        QVERIFY(qAbs(after.toView(canvasPoint).y() - anchor.y()) < 1e-9);
    }

    void defaultOffset_data()
    {
        QTest::addColumn<std::optional<QSizeF>>("screen");
        QTest::addColumn<QPointF>("offset");
        QTest::newRow("1920 x 1080") << std::optional<QSizeF>(QSizeF(1920, 1080)) << QPointF(-1350, -315);
        QTest::newRow("no screen") << std::optional<QSizeF>() << QPointF(-1350, -315);
        QTest::newRow("1440 x 900") << std::optional<QSizeF>(QSizeF(1440, 900)) << QPointF(-1590, -405);
        QTest::newRow("2560 x 1440") << std::optional<QSizeF>(QSizeF(2560, 1440)) << QPointF(-1030, -135);
        QTest::newRow("1366 x 768") << std::optional<QSizeF>(QSizeF(1366, 768)) << QPointF(-1627, -471);
    }
    void defaultOffset()
    {
        QFETCH(std::optional<QSizeF>, screen);
        QFETCH(QPointF, offset);
        QCOMPARE(CanvasViewport::defaultOffset(screen), offset);
        // The welcome component's centre, 100 units lower, lands on the screen's centre.
        const CanvasViewport v(CanvasViewport::defaultScale, offset);
        const QSizeF size = screen.value_or(QSizeF(1920, 1080));
        QCOMPARE(v.toView(QPointF(3080, 1140)), QPointF(size.width() / 2, size.height() / 2));
    }

    void mapping()
    {
        const CanvasViewport v(0.5, QPointF(-1350, -315));
        QCOMPARE(v.viewRect(QRectF(100, 200, 1680, 500)), QRectF(-1300, -215, 840, 250));
        QCOMPARE(v.toCanvas(v.toView(QPointF(123, -45))), QPointF(123, -45));
        QCOMPARE(v.transform().map(QPointF(100, 200)), v.toView(QPointF(100, 200)));
        QCOMPARE(v.scrolledOffset(QSizeF(1000, 800), 100, 200, 0, 250), QPointF(450, 425));
    }

    void scrollToCategoryPayload_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("shift");
        const auto s = [](const char *t) { return QVariant(QString::fromLatin1(t)); };
        QTest::newRow("integers") << QVariantMap{{"x", 100}, {"y", 200}, {"dy", 250}} << true << QPointF(100, 200) << QPointF(0, 250);
        QTest::newRow("reals") << QVariantMap{{"x", 1.5}, {"y", -2.25}, {"dx", 3.0}, {"dy", 4.5}} << true << QPointF(1.5, -2.25)
                               << QPointF(3, 4.5);
        QTest::newRow("64-bit integer") << QVariantMap{{"x", qint64(7)}, {"y", 8.0}} << true << QPointF(7, 8) << QPointF(0, 0);
        QTest::newRow("string x") << QVariantMap{{"x", s("100")}, {"y", 200}} << false << QPointF() << QPointF();
        QTest::newRow("missing y") << QVariantMap{{"x", 100}} << false << QPointF() << QPointF();
        QTest::newRow("bool y") << QVariantMap{{"x", 100}, {"y", true}} << false << QPointF() << QPointF();
        QTest::newRow("string dy counts as 0") << QVariantMap{{"x", 1}, {"y", 2}, {"dy", s("250")}} << true << QPointF(1, 2)
                                               << QPointF(0, 0);
        QTest::newRow("empty") << QVariantMap() << false << QPointF() << QPointF();
    }
    void scrollToCategoryPayload()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(bool, accepted);
        QFETCH(QPointF, point);
        QFETCH(QPointF, shift);
        const auto target = CanvasNotificationPayload::scrollToCategory(userInfo);
        QCOMPARE(target.has_value(), accepted);
        if (!target)
            return;
        QCOMPARE(QPointF(target->x, target->y), point);
        QCOMPARE(QPointF(target->dx, target->dy), shift);
    }

    void scrollDeltaPayload_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QPointF>("delta");
        QTest::newRow("integers") << QVariantMap{{"dx", 10}, {"dy", -20}} << true << QPointF(10, -20);
        QTest::newRow("reals") << QVariantMap{{"dx", 0.5}, {"dy", 1.25}} << true << QPointF(0.5, 1.25);
        QTest::newRow("mixed") << QVariantMap{{"dx", 3}, {"dy", 1.5}} << true << QPointF(3, 1.5);
        QTest::newRow("only dx") << QVariantMap{{"dx", 10}} << false << QPointF();
        QTest::newRow("string dy") << QVariantMap{{"dx", 10}, {"dy", QStringLiteral("5")}} << false << QPointF();
        QTest::newRow("uuid dx") << QVariantMap{{"dx", QUuid::createUuid()}, {"dy", 5}} << false << QPointF();
    }
    void scrollDeltaPayload()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(bool, accepted);
        QFETCH(QPointF, delta);
        const auto result = CanvasNotificationPayload::scrollDelta(userInfo);
        QCOMPARE(result.has_value(), accepted);
        if (result)
            QCOMPARE(*result, delta);
    }
};

TAVO_TEST_MAIN(TestCanvasViewport)
#include "tst_canvas_viewport.moc"
