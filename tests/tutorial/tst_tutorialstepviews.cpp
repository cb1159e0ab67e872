#include "TestMain.h"
#include "Platform/Assets.h"
#include "tutorial/CanvasTutorial3StepView.h"
#include "tutorial/CanvasTutorial4StepView.h"
#include "tutorial/CanvasTutorial5StepView.h"
#include "tutorial/CanvasTutorial6StepView.h"
#include "tutorial/CanvasTutorial8StepView.h"
#include "tutorial/CanvasTutorial9StepView.h"
#include "tutorial/TutorialVideoPlayer.h"

#include <QFile>
#include <QLabel>

#include <functional>

using Factory = std::function<CanvasTutorialStepView *()>;
Q_DECLARE_METATYPE(Factory)

namespace {
using Icons = QList<QPair<QString, QSize>>;

QRect inView(const QWidget *child, const QWidget *view)
{
    return QRect(child->mapTo(view, QPoint(0, 0)), child->size());
}
}

// The six steps of the canvas tutorial: what each shows, and the layout they share.
class TutorialStepViewsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<Factory>("make");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<Icons>("icons");
        QTest::addColumn<int>("groupWidth");
        const QPair<QString, QSize> plus{"ic_plus", {24, 24}};
        QTest::newRow("3") << Factory([] { return new CanvasTutorial3StepView; }) << 3 << "Create New Task in Canvas"
                           << "Command + N" << Icons{{"ic_command", {102, 80}}, plus, {"ic_N", {80, 80}}} << 230;
        QTest::newRow("4") << Factory([] { return new CanvasTutorial4StepView; }) << 4 << "Recenter Canvas"
                           << "Command + 0" << Icons{{"ic_command", {102, 80}}, plus, {"ic_0", {80, 80}}} << 230;
        QTest::newRow("5") << Factory([] { return new CanvasTutorial5StepView; }) << 5 << "Pan the Canvas"
                           << "Option + Two Finger Move" << Icons{{"ic_option", {80, 80}}, plus, {"ic_two_finger_pan", {128, 92}}} << 256;
        QTest::newRow("6") << Factory([] { return new CanvasTutorial6StepView; }) << 6 << "Fit a Task to Canvas"
                           << "Left Click on Task Card" << Icons{{"ic_left_click_category", {117, 73}}} << 117;
        QTest::newRow("8") << Factory([] { return new CanvasTutorial8StepView; }) << 8 << "Create Category"
                           << "Right Click on Empty Canvas" << Icons{{"ic_right_click", {125, 73}}} << 125;
        QTest::newRow("9") << Factory([] { return new CanvasTutorial9StepView; }) << 9 << "Move Category"
                           << "Control +  Left Click & Drag" << Icons{{"ic_control", {80, 80}}, plus, {"ic_left_click", {162, 73}}} << 290;
    }
    void steps()
    {
        QFETCH(Factory, make);
        QFETCH(int, number);
        QFETCH(QString, title);
        QFETCH(QString, hint);
        QFETCH(Icons, icons);
        QFETCH(int, groupWidth);

        std::unique_ptr<CanvasTutorialStepView> view(make());
        QCOMPARE(view->step().number, number);
        QCOMPARE(view->findChild<QLabel *>("title")->text(), title);
        QCOMPARE(view->findChild<QLabel *>("hint")->text(), hint);
        QCOMPARE(view->findChild<QLabel *>("hint")->textFormat(), Qt::PlainText);

        // Its video: the data asset of its number, shipped as an MPEG-4 movie, without controls.
        TutorialVideoPlayer *video = view->videoPlayer();
        QCOMPARE(video->videoName(), QStringLiteral("canvas_tutorial_%1_video").arg(number));
        QVERIFY(video->useDataAsset());
        QVERIFY(!video->showControls());
        QFile movie(TutorialVideoPlayer::dataAssetPath(video->videoName()));
        QVERIFY(movie.open(QIODevice::ReadOnly));
        QCOMPARE(movie.read(12).mid(4, 4), QByteArray("ftyp"));

        // Its key pictures, in order, shipped, each stretched into its fixed frame.
        const QList<QLabel *> pictures = view->findChild<QWidget *>("iconArea")->findChildren<QLabel *>();
        QCOMPARE(pictures.size(), icons.size());
        for (int i = 0; i < icons.size(); ++i) {
            QCOMPARE(pictures[i]->objectName(), icons[i].first);
            QCOMPARE(pictures[i]->size(), icons[i].second);
            QVERIFY(pictures[i]->hasScaledContents());
            QVERIFY2(Assets::has(icons[i].first), qPrintable(icons[i].first));
        }

        // Laid out at a width that leaves the icon area no more than it needs.
        view->resize(groupWidth * 3 + 16 + 8, 700);
        view->show();
        QCOMPARE(video->height(), 392);
        QWidget *row = view->findChild<QWidget *>("hintRow");
        QWidget *area = view->findChild<QWidget *>("iconArea");
        QWidget *card = view->findChild<QWidget *>("textCard");
        QCOMPARE(row->height(), 246);
        QCOMPARE(inView(row, view.get()).top() - inView(video, view.get()).bottom() - 1, 16);
        QCOMPARE(area->height(), 230);
        QCOMPARE(card->height(), 230);
        QVERIFY(area->width() >= groupWidth);
        QVERIFY(card->width() > 0);
        // The icons' group sits centred in its area.
        const QRect first = inView(pictures.first(), area);
        const QRect last = inView(pictures.last(), area);
        QVERIFY(qAbs(first.left() - (area->width() - last.right() - 1)) <= 1);
    }

    // Squeezed, the icon area keeps what its icons need; the rest gives way.
    void iconAreaNeverNarrowerThanItsIcons()
    {
        CanvasTutorial9StepView view;
        view.resize(420, 700);
        view.show();
        QVERIFY(view.findChild<QWidget *>("iconArea")->width() >= 290);
    }

    // The option key stands on padding: 6 pt above the line the other two are centred on.
    void optionKeyStandsHigher()
    {
        CanvasTutorial5StepView view;
        view.resize(900, 700);
        view.show();
        QWidget *area = view.findChild<QWidget *>("iconArea");
        const int option = inView(view.findChild<QLabel *>("ic_option"), area).center().y();
        const int plus = inView(view.findChild<QLabel *>("ic_plus"), area).center().y();
        const int pan = inView(view.findChild<QLabel *>("ic_two_finger_pan"), area).center().y();
        QCOMPARE(plus, pan);
        QCOMPARE(plus - option, 6);
    }

    // A picture that is not there leaves its box: the layout does not move.
    void missingPictureKeepsItsBox()
    {
        TutorialStepData step = TutorialStepData::step(6);
        step.icons = {{QStringLiteral("ic_not_shipped"), QSize(117, 73)}};
        CanvasTutorialStepView view(step);
        view.resize(900, 700);
        view.show();
        auto *picture = view.findChild<QLabel *>("ic_not_shipped");
        QCOMPARE(picture->size(), QSize(117, 73));
        QVERIFY(picture->pixmap().isNull());
    }
};

TAVO_TEST_MAIN(TutorialStepViewsTest)
#include "tst_tutorialstepviews.moc"
