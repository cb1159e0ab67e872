#include "FakeScheduler.h"
#include "TestMain.h"
#include "onboarding/IconTextField.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>

// The sign-in screens' text field: label and hint by focus and text, read-only, auto-focus
// on the turn after showing, and the value's change announcements.
class TestIconTextField : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void labelAndHintFollowFocusAndText_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("labelVisible");
        QTest::addColumn<QString>("hint");
        QTest::newRow("empty, unfocused") << false << QString() << false << QStringLiteral("Email");
        QTest::newRow("empty, focused") << true << QString() << true << QString();
        QTest::newRow("text, unfocused") << false << QStringLiteral("a@b.c") << true << QStringLiteral("Email");
        QTest::newRow("blanks, unfocused") << false << QStringLiteral("  ") << true << QStringLiteral("Email");
    }
    void labelAndHintFollowFocusAndText()
    {
        QFETCH(bool, focused);
        QFETCH(QString, text);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *other = new QLineEdit(&window);
        auto *field = new IconTextField(QStringLiteral("ic_email"), QStringLiteral("Email"), &window);
        layout->addWidget(other);
        layout->addWidget(field);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        field->setText(text);
        if (focused)
            field->lineEdit()->setFocus();
        QTRY_COMPARE(field->isFocused(), focused);

        QTEST(field->isLabelVisible(), "labelVisible");
        QTEST(field->lineEdit()->placeholderText(), "hint");
        QCOMPARE(field->size(), QSize(296, 60));
    }

    void readOnlyShowsTextButTakesNoFocusOrTyping()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new IconTextField(QStringLiteral("ic_email"), QStringLiteral("Email"), &window);
        layout->addWidget(field);
        field->setText(QStringLiteral("me@example.com"));
        field->setReadOnly(true);
        field->setAutoFocus(true);
        FakeScheduler scheduler;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        scheduler.runPending();
        field->lineEdit()->setFocus();
        QTest::keyClicks(field->lineEdit(), "xyz");
        QCOMPARE(field->isFocused(), false);
        QCOMPARE(field->text(), QStringLiteral("me@example.com"));
        QVERIFY(field->isLabelVisible());
    }

    void autoFocusTakesTheFocusOnTheNextTurnAndCallsOnFocus()
    {
        FakeScheduler scheduler;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *first = new IconTextField(QStringLiteral("ic_company"), QStringLiteral("Company"), &window);
        auto *second = new IconTextField(QStringLiteral("ic_linkedin"), QStringLiteral("LinkedIn"), &window);
        layout->addWidget(first);
        layout->addWidget(second);
        second->setAutoFocus(true);
        int focusCalls = 0;
        second->setOnFocus([&] { ++focusCalls; });
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first->lineEdit()->setFocus();
        QCOMPARE(second->isFocused(), false);

        scheduler.runPending();
        QCOMPARE(second->isFocused(), true);
        QCOMPARE(first->isFocused(), false);
        QCOMPARE(focusCalls, 1);
        QVERIFY(second->isLabelVisible());
        QCOMPARE(second->lineEdit()->placeholderText(), QString());

        // Losing the focus calls nothing; gaining it again calls once more.
        first->lineEdit()->setFocus();
        QCOMPARE(focusCalls, 1);
        second->lineEdit()->setFocus();
        QCOMPARE(focusCalls, 2);
    }

    void everyChangeOfTheValueIsAnnounced()
    {
        IconTextField field(QStringLiteral("ic_invitation"), QStringLiteral("Invitation Code"));
        QStringList seen;
        field.setOnTextChange([&](const QString &t) { seen << t; });
        QSignalSpy spy(&field, &IconTextField::textChanged);

        field.setText(QStringLiteral("ABC"));        // by the caller
        QTest::keyClicks(field.lineEdit(), "D");     // by typing
        field.setText(QStringLiteral("ABCD"));       // unchanged: nothing new
        field.setText(QString());

        QCOMPARE(seen, (QStringList{QStringLiteral("ABC"), QStringLiteral("ABCD"), QString()}));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(field.text(), QString());
    }
};

TAVO_TEST_MAIN(TestIconTextField)
#include "tst_icontextfield.moc"
