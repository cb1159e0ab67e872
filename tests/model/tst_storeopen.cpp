#include "Platform/AppPaths.h"
#include "Platform/ModalPrompt.h"
#include "ModelTestSupport.h"
#include "TestMain.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

namespace {

// A small model that an older release might have stored.
class LegacyNote : public PersistentModel {
public:
    static const EntityDescription &staticEntityDescription()
    {
        static const EntityDescription e = [] {
            EntityDescription d;
            d.name = QStringLiteral("TaskData");
            d.attributes.append({QStringLiteral("title"), AttributeType::Text});
            d.factory = [] { return static_cast<PersistentModel *>(new LegacyNote); };
            return d;
        }();
        return e;
    }
    const EntityDescription &entityDescription() const override { return staticEntityDescription(); }
};

void writeFixture(const QString &path, const QString &kind)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (kind == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        return;
    }
    ModelConfiguration configuration;
    configuration.filePath = path;
    const QString version = kind == QLatin1String("older version") ? QStringLiteral("0.9.0") : QStringLiteral("1.0.0");
    ModelContainer legacy(Schema({&LegacyNote::staticEntityDescription()}, version), configuration);
    ModelContext ctx(&legacy);
    auto *note = new LegacyNote;
    ctx.insert(note);
    ctx.save();
}

struct Answers {
    QList<PromptRequest> asked;
    int answer = 0;
};
Answers *g_answers = nullptr;

} // namespace

class StoreOpenTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
            QFile::remove(ModelStore::defaultStorePath() + suffix);
        static Answers answers;
        answers = Answers();
        g_answers = &answers;
        ModalPrompt::setResponder([](const PromptRequest &r) {
            g_answers->asked.append(r);
            return g_answers->answer;
        });
    }
    void cleanup() { ModalPrompt::setResponder({}); }

    void firstLaunchCreatesAnEmptyPrivateStore()
    {
        const QString path = ModelStore::defaultStorePath();
        QCOMPARE(QFileInfo(path).absolutePath(), QDir(AppPaths::applicationSupportDir()).filePath(QStringLiteral("TavoOrlune")));
        std::unique_ptr<ModelContainer> store(ModelStore::openWithRecovery(path));
        QVERIFY(g_answers->asked.isEmpty());
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        ModelContext ctx(store.get());
        QCOMPARE(ctx.fetch<AppStoreData>().size(), 0); // the self-test row is gone
    }

    void unreadableStoreAsksAndDeleteGivesAWorkingStore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("foreign models") << QStringLiteral("foreign models");
        QTest::newRow("older version") << QStringLiteral("older version");
        QTest::newRow("damaged file") << QStringLiteral("garbage");
    }
    void unreadableStoreAsksAndDeleteGivesAWorkingStore()
    {
        QFETCH(QString, kind);
        const QString path = ModelStore::defaultStorePath();
        writeFixture(path, kind);
        // A stale journal left beside the old store must not survive it.
        {
            QFile stale(path + QStringLiteral("-journal"));
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write(QByteArray(512, '\x7f'));
        }
        QVERIFY(QFileInfo::exists(path + QStringLiteral("-journal")));
        LogCapture log;
        std::unique_ptr<ModelContainer> store(ModelStore::openWithRecovery(path));
        QCOMPARE(g_answers->asked.size(), 1);
        const PromptRequest &dialog = g_answers->asked.first();
        QCOMPARE(dialog.title, QStringLiteral("Database Schema Migration Required"));
        QVERIFY(dialog.text.startsWith(QStringLiteral("The database schema has changed and needs to be updated. This requires deleting the existing database and creating a new one.\n\nError: ")));
        QVERIFY(dialog.text.endsWith(QStringLiteral("\n\nWould you like to proceed? All existing data will be lost.")));
        QVERIFY(dialog.text.size() > 200); // the error's description sits between them
        QCOMPARE(dialog.buttons, (QStringList{QStringLiteral("Delete and Continue"), QStringLiteral("Cancel")}));
        QCOMPARE(dialog.style, PromptRequest::Style::Warning);
        QCOMPARE(log.lines(), (QStringList{QStringLiteral("User confirmed database deletion. Recreating database..."),
                                          QStringLiteral("Deleted old database at: ") + QUrl::fromLocalFile(path).toString(),
                                          QStringLiteral("Successfully created new ModelContainer with updated schema")}));
        QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));

        {
            ModelContext ctx(store.get());
            QCOMPARE(ctx.fetch<CategoryData>().size(), 0);
            ctx.insert(new CategoryData(QUuid::createUuid(), QStringLiteral("Kept"), QDateTime::currentDateTimeUtc(), 0, 0));
            ctx.save();
        }
        store.reset();
        g_answers->asked.clear();
        std::unique_ptr<ModelContainer> again(ModelStore::openWithRecovery(path));
        QVERIFY(g_answers->asked.isEmpty());
        ModelContext ctx(again.get());
        QCOMPARE(ctx.fetch<CategoryData>().size(), 1);
    }

    void cancelEndsTheProcess()
    {
        writeFixture(ModelStore::defaultStorePath(), QStringLiteral("foreign models"));
        QProcess helper;
        helper.start(QStringLiteral(STORE_CANCEL_HELPER), {});
        QVERIFY(helper.waitForFinished(20000));
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        const QString err = QString::fromUtf8(helper.readAllStandardError());
        QVERIFY2(helper.exitCode() != 0, qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("User cancelled database migration. Exiting application.")));
        QVERIFY(!out.contains(QStringLiteral("container returned")));
        QVERIFY2(err.contains(QStringLiteral("Database migration cancelled by user")), qPrintable(err));
        QVERIFY(QFileInfo::exists(ModelStore::defaultStorePath())); // nothing deleted
    }

    // A store that cannot be written for want of room or permission is no reason to offer
    // deleting it: the program says so and ends, and the data is there at the next start.
    void writeFailureKeepsTheData()
    {
        const QString path = ModelStore::defaultStorePath();
        {
            std::unique_ptr<ModelContainer> store(ModelStore::openWithRecovery(path));
            ModelContext ctx(store.get());
            ctx.insert(new CategoryData(QUuid::createUuid(), QStringLiteral("Kept"), QDateTime::currentDateTimeUtc(), 0, 0));
            ctx.save();
        }
        // The folder and everything in it read-only, as on a read-only mount.
        const QString folder = QFileInfo(path).absolutePath();
        const QFileDevice::Permissions mode = QFile::permissions(folder);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        for (const QString &file : files)
            QVERIFY(QFile::setPermissions(QDir(folder).filePath(file), QFileDevice::ReadOwner));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        auto restoreModes = [&] {
            QFile::setPermissions(folder, mode);
            for (const QString &file : files)
                QFile::setPermissions(QDir(folder).filePath(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        };
        auto restore = qScopeGuard(restoreModes);

        QProcess helper;
        helper.start(QStringLiteral(STORE_CANCEL_HELPER), {QStringLiteral("accept")}); // would accept a deletion
        QVERIFY(helper.waitForFinished(20000));
        const QString out = QString::fromUtf8(helper.readAllStandardOutput());
        const QString err = QString::fromUtf8(helper.readAllStandardError());
        QVERIFY2(helper.exitCode() != 0, qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("prompt: Database Unavailable | Quit")), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("Delete and Continue")), qPrintable(out));
        QVERIFY(!out.contains(QStringLiteral("container returned")));
        QVERIFY2(err.contains(QStringLiteral("Could not open the database")), qPrintable(err));

        restore.dismiss();
        restoreModes();
        std::unique_ptr<ModelContainer> again(ModelStore::openWithRecovery(path));
        QVERIFY(g_answers->asked.isEmpty());
        ModelContext ctx(again.get());
        QCOMPARE(ctx.fetch<CategoryData>().size(), 1);
    }
};

TAVO_TEST_MAIN(StoreOpenTest)
#include "tst_storeopen.moc"
