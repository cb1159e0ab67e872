#include "FakeScheduler.h"
#include "StandinHttpServer.h"
#include "TestMain.h"
#include "widgets/RemoteImageLoader.h"

#include <QBuffer>
#include <QTemporaryDir>

// The picture loader against a logo server on 127.0.0.1: pictures of any shape, one request
// for concurrent loads, the disk cache, and every failure answered with a null picture.
class RemoteImageLoaderTest : public QObject {
    Q_OBJECT

    static QByteArray png(const QSize &size)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    struct Answer {
        bool called = false;
        QImage image;
    };

    QTemporaryDir m_cacheDir;
    StandinHttpServer m_server;

    QString url(const QString &path) const { return m_server.baseUrl().toString() + path; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_cacheDir.isValid());
        StandinHttpServer::Reply square;
        square.body = png(QSize(80, 80));
        square.contentType = "image/png";
        StandinHttpServer::Reply wide;
        wide.body = png(QSize(200, 100));
        wide.contentType = "image/png";
        StandinHttpServer::Reply error;
        error.status = 500;
        error.body = "<html>Internal error</html>";
        error.contentType = "text/html";
        StandinHttpServer::Reply page = error;
        page.status = 200;
        StandinHttpServer::Reply slow = square;
        slow.noReply = true;
        StandinHttpServer::Reply huge;
        huge.body = QByteArray(RemoteImageLoader::kMaxBytes + 1024, 'x');
        huge.contentType = "image/png";
        StandinHttpServer::Reply elsewhere;
        elsewhere.status = 302;
        elsewhere.headers = {{"Location", "http://example.invalid/logo.png"}};
        for (const char *p : {"/a.png", "/b.png", "/c.png", "/d.png"})
            m_server.on("GET", QString::fromLatin1(p), square);
        m_server.on("GET", QStringLiteral("/wide.png"), wide);
        m_server.on("GET", QStringLiteral("/error.png"), error);
        m_server.on("GET", QStringLiteral("/page.png"), page);
        m_server.on("GET", QStringLiteral("/slow.png"), slow);
        m_server.on("GET", QStringLiteral("/huge.png"), huge);
        m_server.on("GET", QStringLiteral("/redirect.png"), elsewhere);
        QVERIFY(m_server.start() != 0);
    }

    void decodesPicturesOfAnyShape_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("square") << "/a.png" << QSize(80, 80);
        QTest::newRow("wider than high") << "/wide.png" << QSize(200, 100);
    }
    void decodesPicturesOfAnyShape()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        RemoteImageLoader loader(m_cacheDir.filePath(QStringLiteral("shape")));
        Answer answer;
        QObject context;
        loader.load(url(path), &context, [&](const QImage &image) { answer = {true, image}; });
        QTRY_VERIFY(answer.called);
        QCOMPARE(answer.image.size(), size);
    }

    // Every failure is one null answer, always on a later turn, and only the addresses the
    // rule allows reach the network.
    void failuresAnswerNull_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("requests");
        QTest::newRow("error status") << url(QStringLiteral("/error.png")) << 1;
        QTest::newRow("a page, not a picture") << url(QStringLiteral("/page.png")) << 1;
        QTest::newRow("larger than the cap") << url(QStringLiteral("/huge.png")) << 1;
        QTest::newRow("redirect to clear text outside") << url(QStringLiteral("/redirect.png")) << 1;
        QTest::newRow("clear text outside") << "http://example.invalid/logo.png" << 0;
        QTest::newRow("not http") << "ftp://127.0.0.1/logo.png" << 0;
        QTest::newRow("a file") << "file:///etc/hostname" << 0;
        QTest::newRow("not an address") << "::not an address::" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void failuresAnswerNull()
    {
        QFETCH(QString, address);
        QFETCH(int, requests);
        RemoteImageLoader loader(m_cacheDir.filePath(QStringLiteral("fail")));
        m_server.clearRequests();
        QList<QImage> answers;
        QObject context;
        loader.load(address, &context, [&](const QImage &image) { answers << image; });
        QVERIFY(answers.isEmpty()); // never inside load()
        QTRY_COMPARE(answers.size(), 1);
        QVERIFY(answers.first().isNull());
        QCOMPARE(loader.requestCount(), requests);
        QCOMPARE(int(m_server.requests().size()), requests);

        // A failure is not remembered: the next load asks again.
        if (requests > 0) {
            loader.load(address, &context, [&](const QImage &image) { answers << image; });
            QTRY_COMPARE(answers.size(), 2);
            QCOMPARE(loader.requestCount(), 2);
        }
    }

    void concurrentLoadsShareOneRequestAndTheCacheServesLater()
    {
        RemoteImageLoader loader(m_cacheDir.filePath(QStringLiteral("share")));
        m_server.clearRequests();
        QList<QImage> answers;
        QObject first, second;
        loader.load(url(QStringLiteral("/b.png")), &first, [&](const QImage &image) { answers << image; });
        loader.load(url(QStringLiteral("/b.png")), &second, [&](const QImage &image) { answers << image; });
        QTRY_COMPARE(answers.size(), 2);
        QVERIFY(!answers[0].isNull() && !answers[1].isNull());
        QCOMPARE(loader.requestCount(), 1);
        QCOMPARE(int(m_server.requestsTo(QStringLiteral("/b.png")).size()), 1);

        // A later load, even from another loader over the same cache, comes from the disk.
        RemoteImageLoader again(m_cacheDir.filePath(QStringLiteral("share")));
        again.load(url(QStringLiteral("/b.png")), &first, [&](const QImage &image) { answers << image; });
        QTRY_COMPARE(answers.size(), 3);
        QVERIFY(!answers[2].isNull());
        QCOMPARE(int(m_server.requestsTo(QStringLiteral("/b.png")).size()), 1);
    }

    void aSilentServerTimesOut()
    {
        FakeScheduler clock;
        RemoteImageLoader loader(m_cacheDir.filePath(QStringLiteral("slow")));
        QList<QImage> answers;
        QObject context;
        loader.load(url(QStringLiteral("/slow.png")), &context, [&](const QImage &image) { answers << image; });
        QTRY_COMPARE(int(m_server.requestsTo(QStringLiteral("/slow.png")).size()), 1);
        clock.advance(RemoteImageLoader::kTimeoutMs - 1);
        QTest::qWait(50);
        QVERIFY(answers.isEmpty());
        clock.advance(1);
        QTRY_COMPARE(answers.size(), 1);
        QVERIFY(answers.first().isNull());
    }

    void noAnswerAfterTheContextIsGone()
    {
        RemoteImageLoader loader(m_cacheDir.filePath(QStringLiteral("gone")));
        int called = 0;
        auto *context = new QObject;
        QObject survivor;
        loader.load(url(QStringLiteral("/c.png")), context, [&](const QImage &) { ++called; });
        loader.load(url(QStringLiteral("/c.png")), &survivor, [&](const QImage &) { called += 10; });
        delete context;
        QTRY_COMPARE(called, 10);
        // And a refused address whose context goes before the next turn.
        auto *refused = new QObject;
        loader.load(QStringLiteral("ftp://127.0.0.1/x.png"), refused, [&](const QImage &) { ++called; });
        delete refused;
        QTest::qWait(50);
        QCOMPARE(called, 10);
    }
};

TAVO_TEST_MAIN(RemoteImageLoaderTest)
#include "tst_remoteimageloader.moc"
