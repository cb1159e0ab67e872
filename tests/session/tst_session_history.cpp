#include "Platform/Log.h"
#include "TestMain.h"
#include "Controller/console/HistoryManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The command history file in the working directory.
class SessionHistoryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void appendLoadClear()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(HistoryManager::load(), QStringList());
        HistoryManager::append(QStringLiteral("first"));
        QCOMPARE(QFile(HistoryManager::filePath()).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther), QFileDevice::Permissions());
        HistoryManager::append(QStringLiteral("zweite ✓"));
        // A file that ends with a newline yields a last, empty entry.
        QCOMPARE(HistoryManager::load(), (QStringList{"first", "zweite ✓", ""}));
        HistoryManager::clear();
        QVERIFY(!QFile::exists(HistoryManager::filePath()));
        HistoryManager::clear(); // no file: nothing to do
        QCOMPARE(HistoryManager::load(), QStringList());
        QDir::setCurrent(old);
    }
};

TAVO_TEST_MAIN(SessionHistoryTest)
#include "tst_session_history.moc"
