#include "TestMain.h"
#include "categories/TaskAppAssociationService.h"

// The name and alias table that turns a tool client's name into an app shortcut.
class TaskAppAssociationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void normalisation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("blanks and line break") << "  Gmail \n" << "gmail";
        QTest::newRow("tabs") << "\tMicrosoft Teams\t" << "microsoft teams";
        QTest::newRow("only blanks") << " \n " << "";
        QTest::newRow("inner spaces kept") << "Google  Mail" << "google  mail";
    }
    void normalisation()
    {
        QFETCH(QString, name);
        QFETCH(QString, normalized);
        QCOMPARE(TaskAppAssociationService::normalizedName(name), normalized);
    }

    void aliases_data()
    {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QStringList>("aliases");
        QTest::newRow("teams") << "microsoft teams" << QStringList{"msteam", "teams"};
        QTest::newRow("jira") << "jira" << QStringList{"atlassian"};
        QTest::newRow("gmail") << "gmail" << QStringList{"google mail"};
        QTest::newRow("excel") << "excel" << QStringList{"microsoft excel"};
        QTest::newRow("powerpoint") << "powerpoint" << QStringList{"microsoft powerpoint"};
        QTest::newRow("word") << "word" << QStringList{"microsoft word"};
        QTest::newRow("monday") << "monday" << QStringList{"monday.com"};
        QTest::newRow("sharepoint") << "sharepoint" << QStringList{"microsoft sharepoint"};
        QTest::newRow("outlook") << "outlook" << QStringList{"microsoft outlook"};
        QTest::newRow("not normalised") << "Gmail" << QStringList{};
        QTest::newRow("unknown") << "slack" << QStringList{};
    }
    void aliases()
    {
        QFETCH(QString, app);
        QFETCH(QStringList, aliases);
        QCOMPARE(TaskAppAssociationService::aliases(app), aliases);
    }
};

TAVO_TEST_MAIN(TaskAppAssociationTest)
#include "tst_taskappassociation.moc"
