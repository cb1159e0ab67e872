#include "FakeScheduler.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "onboarding/IntroView.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "theme/NebulaBackgroundView.h"
#include "theme/ScaleEffect.h"
#include "widgets/FlowerAnimationView.h"

#include <QAbstractButton>

namespace {
const QString kFinished = QStringLiteral("NebulaAnimationFinished");
const QString kHasSeenIntro = QStringLiteral("hasSeenIntro");
}

// The intro's start, its reveal timings in virtual time, "Get Started" and "Close".
class TestIntroView : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeScheduler> scheduler;
    BackgroundVisibilityManager bgManager;
    std::unique_ptr<IntroView> view;
    QWidget *invitation = nullptr;
    int terminations = 0;

    void makeView()
    {
        IntroView::Parts parts;
        parts.makeInvitation = [this](QWidget *parent) { return invitation = new QWidget(parent); };
        parts.terminate = [this] { ++terminations; };
        view = std::make_unique<IntroView>(&bgManager, parts);
        view->resize(1000, 800);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
    }
    // Hidden elements are drawn at 1.5 and transparent; revealed ones settle at 1 and opaque.
    static bool looksRevealed(QWidget *w) { return ScaleEffect::of(w)->opacity() > 0.99; }

private Q_SLOTS:
    void init()
    {
        scheduler = std::make_unique<FakeScheduler>();
        Settings::instance().remove(kHasSeenIntro);
        bgManager.setShowNebula(false);
        terminations = 0;
        invitation = nullptr;
    }
    void cleanup()
    {
        view.reset();
        scheduler.reset();
    }

    void revealFollowsTheNebulaInVirtualTime_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("stage");
        QTest::newRow("just started") << 0 << -1;
        QTest::newRow("landing") << 1999 << -1;
        QTest::newRow("title") << 2000 << 0;
        QTest::newRow("subtitle") << 2250 << 1;
        QTest::newRow("line 3") << 2500 << 2;
        QTest::newRow("line 4") << 2749 << 2;
        QTest::newRow("line 4 due") << 2750 << 3;
        QTest::newRow("Get Started") << 3000 << 4;
        QTest::newRow("Close") << 3250 << 5;
        QTest::newRow("later") << 10000 << 5;
    }
    void revealFollowsTheNebulaInVirtualTime()
    {
        QFETCH(int, ms);
        QFETCH(int, stage);
        makeView();
        scheduler->advance(5000);
        QCOMPARE(view->animationsStarted(), false);
        QCOMPARE(view->currentStage(), -1);
        QCOMPARE(view->flowerLanded(), false);

        NotificationCenter::defaultCenter().post(kFinished);
        QVERIFY(view->nebulaFinished());
        QVERIFY(view->animationsStarted());
        QCOMPARE(view->flowerLanded(), false); // the sequence starts on the next turn
        scheduler->runPending();
        QVERIFY(view->flowerLanded());

        scheduler->advance(ms);
        QCOMPARE(view->currentStage(), stage);
        for (int k = 0; k < IntroView::stageCount; ++k)
            QCOMPARE(view->isRevealed(k), k <= stage);

        // A later notification never restarts the sequence.
        NotificationCenter::defaultCenter().post(kFinished);
        scheduler->runPending();
        QCOMPARE(view->currentStage(), stage);
    }

    void revealedElementsSettleVisible()
    {
        makeView();
        NotificationCenter::defaultCenter().post(kFinished);
        scheduler->advance(3250);
        QVERIFY(!looksRevealed(view->closeButton()));
        QTRY_VERIFY(looksRevealed(view->closeButton()));
        QTRY_VERIFY(ScaleEffect::of(view->flower())->opacity() > 0.5);
        QVERIFY(ScaleEffect::of(view->flower())->scale() < 2.5);
        QVERIFY(looksRevealed(view->getStartedButton()));
    }

    // The flower is drawn whole: its widget reaches as far as the petals at the intro's scale
    // (a disc of 360) and nothing around it cuts it; it sits where the column leaves room.
    void flowerIsDrawnWhole()
    {
        makeView();
        NotificationCenter::defaultCenter().post(kFinished);
        scheduler->advance(3250);
        QWidget *flower = view->flower();
        QVERIFY(flower->width() >= 360 && flower->height() >= 360);
        // No parent cuts it: each one around it holds its whole rectangle.
        for (QWidget *w = flower; w->parentWidget() && w != view.get(); w = w->parentWidget()) {
            const QRect inParent(flower->mapTo(w->parentWidget(), QPoint(0, 0)), flower->size());
            QVERIFY2(w->parentWidget()->rect().contains(inParent), qPrintable(w->parentWidget()->metaObject()->className()));
        }
        // Centred across the window, above the title.
        const QRect onWindow(flower->mapTo(view.get(), QPoint(0, 0)), flower->size());
        QVERIFY2(qAbs(onWindow.center().x() - view->width() / 2) <= 2,
                 qPrintable(QString("%1,%2 %3x%4 in %5").arg(onWindow.x()).arg(onWindow.y()).arg(onWindow.width()).arg(onWindow.height()).arg(view->width())));
        QVERIFY(onWindow.top() >= 0);
        // It never takes a click meant for the buttons.
        QVERIFY(flower->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    void getStartedRecordsTheIntroAndShowsTheInvitation_data()
    {
        QTest::addColumn<bool>("byReturn");
        QTest::newRow("click") << false;
        QTest::newRow("Return during the landing") << true;
    }
    void getStartedRecordsTheIntroAndShowsTheInvitation()
    {
        QFETCH(bool, byReturn);
        makeView();
        NotificationCenter::defaultCenter().post(kFinished);
        scheduler->advance(500);
        if (byReturn)
            QTest::keyClick(view->windowHandle(), Qt::Key_Return);
        else
            view->getStartedButton()->click();

        QCOMPARE(Settings::instance().boolValue(kHasSeenIntro), true);
        QVERIFY(view->showInvitationView());
        QVERIFY(bgManager.showNebula());
        QVERIFY(invitation && invitation->isVisible());
        QVERIFY(!view->getStartedButton()->isVisible());
        // The remaining reveal blocks still run, out of sight.
        scheduler->advance(5000);
        QCOMPARE(view->currentStage(), 5);
        // Return now belongs to the invitation screen.
        QTest::keyClick(view->windowHandle(), Qt::Key_Return);
        QCOMPARE(terminations, 0);
    }

    void closeQuitsAfterTheShrinkAndKeepsTheIntroForNextTime()
    {
        makeView();
        NotificationCenter::defaultCenter().post(kFinished);
        scheduler->advance(4000);
        view->closeButton()->click();
        QVERIFY(view->isClosing());
        scheduler->advance(IntroView::closeMs - 1);
        QCOMPARE(terminations, 0);
        scheduler->advance(1);
        QCOMPARE(terminations, 1);
        QVERIFY(!Settings::instance().contains(kHasSeenIntro));
        QVERIFY(!view->showInvitationView());
    }

    // Runs last: once a nebula has finished, it has finished for the whole process.
    void anIntroShownAfterTheNebulaFinishedStartsAtOnce()
    {
        NebulaBackgroundView nebula;
        nebula.resize(200, 200);
        nebula.show();
        QVERIFY(QTest::qWaitForWindowExposed(&nebula));
        scheduler->advance(1500);
        QVERIFY(NebulaBackgroundView::hasFinished());

        makeView(); // no notification will come again
        QVERIFY(view->nebulaFinished());
        scheduler->runPending();
        QVERIFY(view->flowerLanded());
        scheduler->advance(3250);
        QCOMPARE(view->currentStage(), 5);
    }
};

TAVO_TEST_MAIN(TestIntroView)
#include "tst_introview.moc"
