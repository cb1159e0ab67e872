#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "theme/BlurredGradientBackground.h"
#include "theme/CircleButton.h"
#include "theme/CustomToggle.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/NebulaBackgroundView.h"
#include "theme/TavoButtonStyle.h"
#include "theme/TavoCircleLoading.h"
#include "theme/TavoProgressView.h"

#include "theme/Color.h"

#include <QLabel>
#include <QSignalSpy>
#include <QPainter>
#include <QPushButton>
#include <cmath>

// Geometry and state of the shared controls, and the nebula's one notification.
class TestThemeControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void switchFlipsOnTheSwitchNotTheLabel()
    {
        CustomToggle toggle(QStringLiteral("Dynamic App"), CustomToggleStyle{20, 12, 8, 4});
        toggle.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toggle));
        QSignalSpy spy(&toggle, &CustomToggle::toggled);

        QTest::mouseClick(toggle.label(), Qt::LeftButton);
        QCOMPARE(toggle.isOn(), false);
        QCOMPARE(spy.count(), 0);

        QWidget *sw = toggle.childAt(toggle.switchGeometry().center());
        QVERIFY(sw && sw != toggle.label());
        QTest::mouseClick(sw, Qt::LeftButton);
        QCOMPARE(toggle.isOn(), true);
        QCOMPARE(spy.count(), 1);
        // The knob settles 4 pt right of the track's centre when on ...
        QTRY_VERIFY(qAbs(toggle.knobOffset() - 4.0) < 0.01);
        QTest::mouseClick(sw, Qt::LeftButton);
        QCOMPARE(toggle.isOn(), false);
        // ... and 4 pt left when off.
        QTRY_VERIFY(qAbs(toggle.knobOffset() + 4.0) < 0.01);
        QTRY_COMPARE(toggle.trackFill(), Color::controlFill());
        QCOMPARE(spy.count(), 2);
    }

    void circleButtonSizes_data()
    {
        QTest::addColumn<bool>("withLabel");
        QTest::addColumn<double>("size"); // 0: none given
        QTest::addColumn<double>("diameter");
        QTest::newRow("label, no size") << true << 0.0 << 56.0;
        QTest::newRow("no label, no size") << false << 0.0 << 24.0;
        QTest::newRow("label and size") << true << 40.0 << 40.0;
        QTest::newRow("size, no label") << false << 32.0 << 32.0;
    }
    void circleButtonSizes()
    {
        QFETCH(bool, withLabel);
        QFETCH(double, size);
        QFETCH(double, diameter);
        const auto label = withLabel ? std::optional<QString>(QStringLiteral("Apps")) : std::nullopt;
        const auto givenSize = size > 0 ? std::optional<qreal>(size) : std::nullopt;
        CircleButton button(QStringLiteral("btn_canvas"), nullptr, label, givenSize, {});
        button.resize(button.sizeHint());
        QCOMPARE(button.circleRect().width(), diameter);
        QCOMPARE(button.circleRect().height(), diameter);
        QCOMPARE(button.iconRect().width(), diameter / 2);
        QCOMPARE(button.iconRect().center(), button.circleRect().center());
        if (withLabel) {
            // The caption sits spacingL (16) below the circle.
            QCOMPARE(button.captionRect().top() - button.circleRect().bottom(), 16.0);
            QCOMPARE(button.sizeHint().height(), qRound(diameter + 16 + button.captionRect().height()));
        } else {
            QVERIFY(button.captionRect().isEmpty());
            QCOMPARE(button.sizeHint(), QSize(int(diameter), int(diameter)));
        }
    }

    void circleButtonRunsItsActionOnce()
    {
        int runs = 0;
        CircleButton button(QString(), nullptr, std::nullopt, std::nullopt, [&] { ++runs; });
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::mouseClick(&button, Qt::LeftButton, {}, button.circleRect().center().toPoint());
        QCOMPARE(runs, 1);
    }

    void circleButtonCustomViewFillsTheCircle()
    {
        auto *custom = new QLabel(QStringLiteral("A"));
        CircleButton button(QStringLiteral("btn_canvas"), custom, std::nullopt, 40.0, {});
        button.resize(button.sizeHint());
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QCOMPARE(QRectF(custom->geometry()), button.circleRect());
        QVERIFY(!custom->mask().isEmpty());
        QVERIFY(!custom->mask().contains(QPoint(1, 1))); // the corner is clipped away
    }

    void hoverAndPressTargets()
    {
        QPushButton button(QStringLiteral("Go"));
        auto *hover = HoverScaleEffectModifier::apply(&button, 1.1);
        auto *press = TavoButtonStyle::apply(&button);
        QCOMPARE(hover->targetScale(), 1.0);
        hover->setHovered(true);
        QCOMPARE(hover->targetScale(), 1.1);
        QTRY_VERIFY(qAbs(hover->currentScale() - 1.1) < 1e-6);
        hover->setHovered(false);
        QTRY_VERIFY(qAbs(hover->currentScale() - 1.0) < 1e-6);

        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::mousePress(&button, Qt::LeftButton);
        QVERIFY(press->isPressed());
        QCOMPARE(press->targetScale(), 0.98);
        QCOMPARE(press->targetOpacity(), 0.9);
        QTRY_VERIFY(qAbs(press->pressProgress() - 1.0) < 1e-6);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QVERIFY(!press->isPressed());
        QTRY_VERIFY(qAbs(press->pressProgress()) < 1e-6);
    }

    void progressBarExtent()
    {
        TavoProgressViewStyle still{false, true, true};
        QCOMPARE(still.gradientExtent(1.0), std::make_pair(qreal(-0.5), qreal(0.5)));
        TavoProgressViewStyle idle{true, false, false};
        QCOMPARE(idle.gradientExtent(1.0), std::make_pair(qreal(-0.5), qreal(0.5)));
        TavoProgressViewStyle moving{true, true, false};
        QCOMPARE(moving.gradientExtent(800000000.0), std::make_pair(qreal(-0.5), qreal(0.5)));
        QCOMPARE(moving.gradientExtent(800000001.0), std::make_pair(qreal(0.5), qreal(1.5)));

        TavoProgressView view;
        view.resize(300, 8);
        QCOMPARE(view.barWidth(), 0.0);
        view.setFractionCompleted(0.5);
        QCOMPARE(view.barWidth(), 150.0);
        view.setFractionCompleted(std::nan(""));
        QCOMPARE(view.barWidth(), 0.0);
    }

    void circleLoadingSizes()
    {
        TavoCircleLoading loading(20);
        QCOMPARE(loading.sizeHint(), QSize(20, 20));
        QCOMPARE(loading.arcSize(), 16.0);
        QCOMPARE(loading.tint(), Color::accentBlue());
        TavoCircleLoading tinted(20, QColor(Qt::red));
        QCOMPARE(tinted.tint(), QColor(Qt::red));
    }

    void nebulaPostsOnceAfterItsFirstAppearance()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        const QString name = QStringLiteral("NebulaAnimationFinished");
        NebulaBackgroundView nebula;
        nebula.resize(800, 600);
        QCOMPARE(nebula.scale(), 2.0);
        QVERIFY(!NebulaBackgroundView::hasFinished());

        nebula.show();
        clock.advance(999);
        QCOMPARE(spy.count(name), 0);
        QVERIFY(nebula.scale() < 1.01 && nebula.scale() > 1.0);
        clock.advance(1);
        QCOMPARE(spy.count(name), 1);
        QCOMPARE(nebula.scale(), 1.0);
        QVERIFY(nebula.notificationSent());
        QVERIFY(NebulaBackgroundView::hasFinished());
        QVERIFY(!CanvasNebulaBackgroundView::hasFinished());

        // A second appearance of the same view posts nothing.
        nebula.hide();
        nebula.show();
        clock.advance(3000);
        QCOMPARE(spy.count(name), 1);
        QCOMPARE(spy.named(name).first().userInfo, QVariantMap());

        // The canvas twin posts its own name.
        CanvasNebulaBackgroundView canvas;
        canvas.show();
        clock.advance(1000);
        QCOMPARE(spy.count(QStringLiteral("CanvasNebulaAnimationFinished")), 1);
        QCOMPARE(spy.count(name), 1);
    }

    void nebulaGeometry()
    {
        NebulaBackgroundView nebula;
        CanvasNebulaBackgroundView canvas;
        QCOMPARE(nebula.blobs().size(), size_t(4));
        QCOMPARE(nebula.blobs()[0].size, 700.0);
        QCOMPARE(canvas.blobs()[1].size, 550.0);
        QVERIFY(qAbs(nebula.blobs()[0].color.alphaF() - 0.3) < 0.005);
        QVERIFY(qAbs(canvas.blobs()[0].color.alphaF() - 0.1) < 0.005);
        // When 0.05 t + i is a multiple of 2 pi, blob i lies 40 pt right of its rest point.
        const double t = (2 * M_PI * 3 - 1) / 0.05;
        const QPointF c = nebula.blobCenter(1, QSizeF(1000, 800), t);
        QVERIFY(qAbs(c.x() - (500 + 200 + 40)) < 1e-6);
        QVERIFY(qAbs(c.y() - (400 - 100)) < 1e-6);
        QVERIFY(qAbs(NebulaView::hueRotation(2, 40.0) - 100.0) < 1e-9);
    }

    void controlsRender()
    {
        // Every control paints without trouble, offscreen.
        QWidget host;
        host.resize(400, 300);
        auto *bg = new BlurredGradientBackground(1, 68, 0.3, &host);
        bg->resize(400, 300);
        auto *nebula = new NebulaBackgroundView(&host);
        nebula->resize(400, 300);
        new CircleButton(QStringLiteral("btn_canvas"), nullptr, QStringLiteral("Canvas"), std::nullopt, {}, &host);
        new TavoCircleLoading(20, std::nullopt, &host);
        auto *progress = new TavoProgressView(&host);
        progress->setFractionCompleted(0.4);
        new CustomToggle(QStringLiteral("Switch"), CustomToggleStyle{26, 16, 12, 6}, &host);
        const QImage picture = host.grab().toImage();
        QCOMPARE(picture.size(), QSize(400, 300));
    }
};

TAVO_TEST_MAIN(TestThemeControls)
#include "tst_theme_controls.moc"
