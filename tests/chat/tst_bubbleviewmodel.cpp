#include "TestMain.h"
#include "chat/MessageBubbleViewModel.h"

// The per-bubble state: status texts by elapsed time.
class BubbleViewModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusMessage_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString n = QStringLiteral("Gmail");
        QTest::newRow("0") << 0 << n << "Interacting with Gmail";
        QTest::newRow("5") << 5 << n << "Interacting with Gmail";
        QTest::newRow("6") << 6 << n << "Getting smart with Gmail";
        QTest::newRow("14") << 14 << n << "Getting smart with Gmail";
        QTest::newRow("15") << 15 << n << "Doing a little AI Magic";
        QTest::newRow("21") << 21 << n << "Doing a little AI Magic";
        QTest::newRow("22") << 22 << n << "Whispering to Gmail";
        QTest::newRow("27") << 27 << n << "Whispering to Gmail";
        QTest::newRow("28") << 28 << n << "Interacting with Gmail";
        QTest::newRow("37") << 37 << n << "Interacting with Gmail";
        QTest::newRow("38") << 38 << n << "Taking a bit longer than usual...";
        QTest::newRow("47") << 47 << n << "Taking a bit longer than usual...";
        QTest::newRow("48") << 48 << n << "Still working with Gmail...";
        QTest::newRow("57") << 57 << n << "Still working with Gmail...";
        QTest::newRow("58") << 58 << n << "Taking a bit longer than usual...";
        QTest::newRow("3608") << 3608 << n << "Still working with Gmail...";
        QTest::newRow("negative") << -3 << n << "Taking a bit longer than usual...";
        QTest::newRow("no name") << 2 << QString() << "Interacting with the app";
        QTest::newRow("no name late") << 50 << QString() << "Still working with the app...";
    }
    void statusMessage()
    {
        QFETCH(int, seconds);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(MessageBubbleViewModel::statusMessage(seconds, name), expected);
    }
};

TAVO_TEST_MAIN(BubbleViewModelTest)
#include "tst_bubbleviewmodel.moc"
