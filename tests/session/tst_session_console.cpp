#include "AssistantStandin.h"
#include "FakeToolRuntime.h"
#include "Platform/Log.h"
#include "TestMain.h"
#include "Controller/console/ContentView.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/ControlManagerViewModel.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "Controller/console/SessionTile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

// The sessions console against the assistant stand-in: adding a session, sending a command
// and seeing it echoed with the answer, and closing the tile.
class SessionConsoleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void consoleEchoesCommandAndAnswer()
    {
        AssistantStandin service;
        QVERIFY(service.start() > 0);
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        FakeToolRuntime tools;
        ControlManagerViewModel viewModel(&tools);
        ContentView view(&viewModel);
        view.show();
        auto *add = view.findChild<QPushButton *>(QStringLiteral("addSessionButton"));
        QVERIFY(add);
        QVERIFY(!add->isEnabled()); // until the facade is initialized
        QTRY_VERIFY(viewModel.isInitialized());
        QVERIFY(add->isEnabled());

        QTest::mouseClick(add, Qt::LeftButton);
        QTRY_COMPARE(view.tiles().size(), 1);
        SessionTile *tile = view.tiles().first();
        Session *session = tile->session();
        QCOMPARE(session->id().size(), 36);
        QCOMPARE(tile->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Session ") + session->id().left(8));
        auto *field = tile->findChild<QLineEdit *>(QStringLiteral("commandField"));
        auto *send = tile->findChild<QPushButton *>(QStringLiteral("sendButton"));
        auto *output = tile->findChild<QPlainTextEdit *>(QStringLiteral("outputView"));
        QTRY_VERIFY(field->isEnabled());

        // Blanks only: nothing is sent and the field keeps its text.
        field->setText(QStringLiteral("   "));
        QVERIFY(!send->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QStringLiteral("   "));
        QCOMPARE(session->outputText(), QStringLiteral(" Initializing...\n✅ Initialized\n"));

        service.queueReply({AssistantStandin::text(QStringLiteral("[{\"t\":\"ST_OF_TNK_STRhmm")),
                            AssistantStandin::text(QStringLiteral("ED_OF_TNK_STR\"},{\"a\":\"ST_OF_MSG_STRHi")),
                            AssistantStandin::text(QStringLiteral("!ED_OF_MSG_STR\"}]")),
                            AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
        field->setText(QStringLiteral("  hello there \n"));
        QVERIFY(send->isEnabled());
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(field->text(), QString());
        QVERIFY(session->outputText().endsWith(QStringLiteral("\n>> hello there\n")));
        QTRY_COMPARE(output->toPlainText(), QStringLiteral(" Initializing...\n✅ Initialized\n\n>> hello there\nhmmHi!"));
        QVERIFY(service.json(0, QStringLiteral("user")).first().value(QStringLiteral("message")).toString().startsWith(QStringLiteral("hello there")));
        QCOMPARE(service.json(0, QStringLiteral("user")).first().value(QStringLiteral("html_output")).toBool(), false);

        QTest::mouseClick(tile->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
        QTRY_VERIFY(viewModel.controlManager()->sessionManager()->sessions().isEmpty());
        QTRY_COMPARE(view.tiles().size(), 0);
        QTRY_VERIFY(service.closed(0));
    }
};

TAVO_TEST_MAIN(SessionConsoleTest)
#include "tst_session_console.moc"
