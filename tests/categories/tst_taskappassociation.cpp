#include "../chat/ChatFixture.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "Platform/UuidText.h"
#include "categories/TaskAppAssociationService.h"
#include "categories/TaskCardBehaviours.h"

// The card's placeholder is the service's, copied while the program starts: both are compile-time
// constants, so no start-up order can leave the copy empty.
static_assert(TaskCardBehaviours::placeholderIconName.data() == TaskAppAssociationService::placeholderIconName.data()
              && TaskCardBehaviours::placeholderIconName.size() > 0);

// The name and alias table that turns a tool client's name into an app shortcut.
class TaskAppAssociationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ChatFixture> f;
    AppIconData *gmail = nullptr;
    AppIconData *teams = nullptr;
    AppIconData *monday = nullptr;
    AppIconData *placeholder = nullptr;

    QStringList appNames() const
    {
        QStringList names;
        for (const AppIconData *a : f->task->apps())
            names << a->name();
        return names;
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<ChatFixture>();
        gmail = f->addApp(QStringLiteral("Gmail"));
        teams = f->addApp(QStringLiteral("Microsoft Teams"));
        monday = f->addApp(QStringLiteral("Monday"));
        placeholder = f->addApp(QStringLiteral("Default"), TaskAppAssociationService::placeholderIconName);
    }
    void cleanup() { f.reset(); }

    void namesAndAliasesLink_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("app");
        QTest::newRow("name with blanks") << " Gmail \n" << "Gmail";
        QTest::newRow("alias") << "Google Mail" << "Gmail";
        QTest::newRow("teams") << "teams" << "Microsoft Teams";
        QTest::newRow("msteam") << "MSTeam" << "Microsoft Teams";
        QTest::newRow("web domain") << "monday.com" << "Monday";
        QTest::newRow("tool") << " Tool " << "";
        QTest::newRow("blank") << "   " << "";
        QTest::newRow("unknown") << "Slack" << "";
    }
    void namesAndAliasesLink()
    {
        QFETCH(QString, client);
        QFETCH(QString, app);
        NotificationSpy spy;
        TaskAppAssociationService service(f->context);
        service.associateApp(f->task, client);
        QCOMPARE(appNames(), app.isEmpty() ? QStringList() : QStringList{app});
        f->clock.runPending();
        QCOMPARE(spy.count(QStringLiteral("TaskAppsUpdated")), app.isEmpty() ? 0 : 1);
    }

    void placeholderGivesWay()
    {
        TaskAppAssociationService service(f->context);
        f->task->setApps({placeholder});
        service.associateApp(f->task, QStringLiteral("gmail"));
        QCOMPARE(appNames(), QStringList{"Gmail"});

        // Linking the placeholder itself keeps the others.
        service.associateApp(f->task, QStringLiteral("Default"));
        QCOMPARE(appNames(), (QStringList{"Gmail", "Default"}));
    }

    void sameAppTwiceChangesNothing()
    {
        NotificationSpy spy;
        TaskAppAssociationService service(f->context);
        service.associateApp(f->task, QStringLiteral("Gmail"));
        f->clock.runPending();
        QCOMPARE(spy.count(QStringLiteral("TaskAppsUpdated")), 1);
        const Notification n = spy.named(QStringLiteral("TaskAppsUpdated")).first();
        QCOMPARE(n.userInfo.value(QStringLiteral("taskId")).toString(), UuidText::toText(f->task->id()));
        QCOMPARE(n.userInfo.value(QStringLiteral("appCount")).toInt(), 1);
        service.associateApp(f->task, QStringLiteral("google mail"));
        f->clock.runPending();
        QCOMPARE(spy.count(QStringLiteral("TaskAppsUpdated")), 1);
        QCOMPARE(appNames(), QStringList{"Gmail"});
        QVERIFY(!f->context->hasChanges());
    }

    // Two shortcuts share a name: the one with the larger id wins, whichever was stored first,
    // so the choice never changes from run to run.
    void duplicateNameWinnerIsStable_data()
    {
        QTest::addColumn<bool>("largerFirst");
        QTest::newRow("larger id stored first") << true;
        QTest::newRow("larger id stored last") << false;
    }
    void duplicateNameWinnerIsStable()
    {
        QFETCH(bool, largerFirst);
        const QUuid small = *UuidText::parse(QStringLiteral("00000000-0000-0000-0000-000000000001"));
        const QUuid large = *UuidText::parse(QStringLiteral("FFFFFFFF-0000-0000-0000-000000000001"));
        f->context->remove(gmail);
        f->context->save();
        for (const QUuid &id : largerFirst ? QList<QUuid>{large, small} : QList<QUuid>{small, large}) {
            auto *app = new AppIconData(id, id == large ? QStringLiteral(" GMAIL ") : QStringLiteral("Gmail"), QStringLiteral("#112233"),
                                        QStringLiteral("logo"), std::nullopt);
            f->context->insert(app);
            f->context->save();
        }
        TaskAppAssociationService service(f->context);
        QCOMPARE(service.clientToAppMapping().value(QStringLiteral("gmail"))->id(), large);
        QCOMPARE(service.clientToAppMapping().value(QStringLiteral("google mail"))->id(), large);
    }

    void tableIsBuiltOnce()
    {
        TaskAppAssociationService service(f->context);
        f->addApp(QStringLiteral("Notion"));
        service.associateApp(f->task, QStringLiteral("Notion"));
        QVERIFY(f->task->apps().isEmpty());
    }

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
