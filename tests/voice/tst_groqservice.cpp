#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"
#include "FakeScheduler.h"
#include "voice/GroqService.h"
#include "SpeechToTextStandin.h"
#include "TestMain.h"
#include "RecordingAnalyticsClient.h"
#include "analytics/AnalyticsService.h"
#include "VoiceTestHelpers.h"

#include <QFile>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpServer>
#include <optional>

// Declared before the test class, whose data tables instantiate it.
Q_DECLARE_METATYPE(std::optional<QString>)

using VoiceTest::tempFiles;

class GroqServiceTest : public QObject {
    Q_OBJECT

    RecordingAnalyticsClient m_analytics;
    QByteArray m_audio;
    QString m_recording;

    // Runs one request and waits for its one answer.
    static GroqService::Result transcribe(GroqService &service, const QString &path, const std::optional<QString> &language = QStringLiteral("en"),
                                          GroqService::TranscriptionModel model = GroqService::TranscriptionModel::whisperLargeV3Turbo)
    {
        std::optional<GroqService::Result> result;
        int calls = 0;
        service.transcribeAudio(path, model, language, [&](const GroqService::Result &r) {
            ++calls;
            result = r;
        });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
            qFatal("no answer from the speech-to-text client");
        QTest::qWait(20);
        if (calls != 1)
            qFatal("the completion ran %d times", calls);
        return *result;
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = AppPaths::tempDir() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        VoiceTest::captureLog();
        AnalyticsService::shared().setClient(&m_analytics);
    }

    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }

    void init()
    {
        qputenv("GROQ_API_KEY", "test-key-123");
        VoiceTest::clearTempFiles();
        m_analytics.clear();
        m_audio = QByteArray("\x00\x00\x00\x20" "ftypM4A ", 12) + QByteArray(5000, '\x7f') + QByteArray("\r\n--not-a-boundary\r\n");
        m_recording = writeFile(QStringLiteral("recording-1767268800.5.m4a"), m_audio);
    }

    void uploadIsTheExactMultipartBody_data()
    {
        QTest::addColumn<std::optional<QString>>("language");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("modelText");
        QTest::newRow("with language") << std::optional<QString>(QStringLiteral("en")) << int(GroqService::TranscriptionModel::whisperLargeV3Turbo) << "whisper-large-v3-turbo";
        QTest::newRow("without language") << std::optional<QString>() << int(GroqService::TranscriptionModel::distilWhisperEnglish) << "distil-whisper-large-v3-en";
    }

    void uploadIsTheExactMultipartBody()
    {
        QFETCH(std::optional<QString>, language);
        QFETCH(int, model);
        QFETCH(QString, modelText);
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        GroqService service(standin.endpoint());

        const auto result = transcribe(service, m_recording, language, GroqService::TranscriptionModel(model));
        QVERIFY(result.ok);
        QCOMPARE(result.text, QString::fromUtf8(standin.defaultReply.body));

        QCOMPARE(standin.uploads().size(), 1);
        const auto upload = standin.uploads().first();
        QVERIFY2(upload.wellFormed, qPrintable(upload.problem));
        QCOMPARE(upload.authorization, QByteArray("Bearer test-key-123"));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")).match(QString::fromLatin1(upload.boundary)).hasMatch());

        // Byte for byte what the service is promised.
        const QByteArray b = upload.boundary;
        QByteArray expected = "--" + b + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n" + modelText.toUtf8() + "\r\n"
            + "--" + b + "\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\ntext\r\n";
        if (language)
            expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\n" + language->toUtf8() + "\r\n";
        expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.m4a\"\r\nContent-Type: audio/m4a\r\n\r\n"
            + m_audio + "\r\n--" + b + "--\r\n";
        QCOMPARE(upload.body, expected);

        // The caller's recording stays; the private copy is gone.
        QCOMPARE(tempFiles(), QStringList{QFileInfo(m_recording).fileName()});
    }

    void statusesMapToTextsAndReports_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text"); // the transcript, or the failure's description
        QTest::addColumn<bool>("reported");

        QTest::newRow("200 keeps the trailing line break") << 200 << QByteArray("Hello there\n") << true << "Hello there\n" << false;
        QTest::newRow("200 empty") << 200 << QByteArray() << true << "" << false;
        QTest::newRow("200 not UTF-8") << 200 << QByteArray("\xff\xfe bad") << false
                                       << "Failed to decode the server response: Failed to decode text response." << false;
        QTest::newRow("201") << 201 << QByteArray("created?") << false << "Server error (201): created?." << true;
        QTest::newRow("401") << 401 << QByteArray("{}") << false << "Authentication failed. Check your API key." << true;
        QTest::newRow("408") << 408 << QByteArray("slow") << false << "Server error (408): Gateway timeout - please try again." << true;
        QTest::newRow("504") << 504 << QByteArray() << false << "Server error (504): Gateway timeout - please try again." << true;
        QTest::newRow("524") << 524 << QByteArray() << false << "Server error (524): Gateway timeout - please try again." << true;
        QTest::newRow("413") << 413 << QByteArray() << false << "The audio file is too large. Maximum size is 25MB." << false;
        QTest::newRow("429") << 429 << QByteArray() << false << "Rate limit exceeded. Please try again later." << false;
        QTest::newRow("500 with text") << 500 << QByteArray("model overloaded") << false << "Server error (500): model overloaded." << true;
        QTest::newRow("500 not UTF-8") << 500 << QByteArray("\xc3\x28") << false << "Server error (500): Unknown error." << true;
    }

    void statusesMapToTextsAndReports()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QFETCH(bool, reported);
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        standin.queueReply(status, body);
        GroqService service(standin.endpoint());

        const auto result = transcribe(service, m_recording);
        QCOMPARE(result.ok, ok);
        QCOMPARE(ok ? result.text : result.failure.localizedDescription(), text);
        QTest::qWait(50); // the report travels on a later main-queue turn
        if (reported) {
            QCOMPARE(m_analytics.eventNames(), QStringList{QStringLiteral("error_occurred")});
            const auto event = m_analytics.events().first();
            QCOMPARE(event.properties.value(QStringLiteral("error_message")).toString(), text);
            QCOMPARE(event.properties.value(QStringLiteral("error_type")).toString(), QStringLiteral("NetworkError"));
            QCOMPARE(event.properties.value(QStringLiteral("context")).toString(), QStringLiteral("GroqService"));
            QCOMPARE(event.properties.value(QStringLiteral("operation")).toString(), QStringLiteral("transcribeAudio"));
            QCOMPARE(event.properties.value(QStringLiteral("status_code")).typeId(), QMetaType::Int);
            QCOMPARE(event.properties.value(QStringLiteral("status_code")).toInt(), status);
            QVERIFY(event.properties.contains(QStringLiteral("timestamp")));
        } else {
            QVERIFY(m_analytics.events().isEmpty());
        }
        QCOMPARE(tempFiles(), QStringList{QFileInfo(m_recording).fileName()});
    }

    void failuresLeaveNoCopyBehind_data()
    {
        QTest::addColumn<QString>("endpoint");   // "" = the stand-in, "closed" = a port nobody listens on
        QTest::addColumn<QString>("file");       // "" = the recording
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<QString>("description");

        const QString invalidFile = QStringLiteral("Invalid audio file: Failed to preprocess audio.");
        QTest::newRow("missing file") << "" << "gone.m4a" << true << invalidFile;
        QTest::newRow("not audio") << "" << "notes.txt" << true << invalidFile;
        QTest::newRow("empty recording") << "" << "empty.m4a" << true << invalidFile;
        QTest::newRow("no key") << "" << "" << false << "Groq API key not found. Set GROQ_API_KEY in environment or Info.plist";
        QTest::newRow("bad address") << "https://bad host/openai/v1/audio/transcriptions" << "" << true << "The URL provided was invalid.";
        QTest::newRow("service unreachable") << "closed" << "" << true << "";
    }

    void failuresLeaveNoCopyBehind()
    {
        QFETCH(QString, endpoint);
        QFETCH(QString, file);
        QFETCH(bool, withKey);
        QFETCH(QString, description);
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        if (endpoint.isEmpty())
            endpoint = standin.endpoint();
        if (endpoint == QLatin1String("closed")) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            endpoint = GroqService::endpointForHost(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
        }
        QString path = m_recording;
        if (file == QLatin1String("notes.txt"))
            path = writeFile(file, "not audio at all");
        else if (file == QLatin1String("empty.m4a"))
            path = writeFile(file, QByteArray());
        else if (!file.isEmpty())
            path = AppPaths::tempDir() + QLatin1Char('/') + file;
        const QStringList before = tempFiles();
        if (!withKey) {
            qunsetenv("GROQ_API_KEY");
            AppInfo::instance().setDictionary({});
        }
        GroqService service(endpoint);

        const auto result = transcribe(service, path);
        QVERIFY(!result.ok);
        if (!description.isEmpty())
            QCOMPARE(result.failure.localizedDescription(), description);
        else
            QCOMPARE(result.failure.kind, GroqService::Failure::Kind::transport);
        QVERIFY(standin.uploads().isEmpty());
        QCOMPARE(tempFiles(), before);
    }

    void watchdogCancelsAHangingRequest()
    {
        FakeScheduler clock;
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        standin.queueReply(StandinHttpServer::Reply{200, {}, "text/plain", {}, 0, true});
        GroqService service(standin.endpoint());
        std::optional<GroqService::Result> result;
        service.transcribeAudio(m_recording, GroqService::TranscriptionModel::whisperLargeV3Turbo, QStringLiteral("en"),
                                [&](const GroqService::Result &r) { result = r; });
        QTRY_COMPARE(standin.uploads().size(), 1);
        clock.advance(GroqService::kWatchdogMs - 1);
        QTest::qWait(50);
        QVERIFY(!result);
        clock.advance(1);
        QTRY_VERIFY(result.has_value());
        QVERIFY(!result->ok);
        QCOMPARE(result->failure.kind, GroqService::Failure::Kind::transport);
        QCOMPARE(result->failure.transportCode, int(QNetworkReply::OperationCanceledError));
        QCOMPARE(tempFiles(), QStringList{QFileInfo(m_recording).fileName()});
    }

    void releasedClientStillAnswersOnce()
    {
        SpeechToTextStandin standin;
        QVERIFY(standin.start());
        int calls = 0;
        std::optional<GroqService::Result> result;
        {
            GroqService service(standin.endpoint());
            service.transcribeAudio(m_recording, GroqService::TranscriptionModel::whisperLargeV3Turbo, QStringLiteral("en"),
                                    [&](const GroqService::Result &r) {
                                        ++calls;
                                        result = r;
                                    });
        }
        QTRY_VERIFY(result.has_value());
        QTest::qWait(50);
        QCOMPARE(calls, 1);
        QCOMPARE(result->failure.localizedDescription(), NetworkError::invalidResponse().errorDescription());
        QCOMPARE(tempFiles(), QStringList{QFileInfo(m_recording).fileName()});
    }

    void keyIsLookedUpInOrder_data()
    {
        QTest::addColumn<bool>("envSet");
        QTest::addColumn<QVariantMap>("plist");
        QTest::addColumn<std::optional<QString>>("key");
        const QVariantMap nested{{QStringLiteral("LSEnvironment"), QVariantMap{{QStringLiteral("GROQ_API_KEY"), QStringLiteral("from-ls")}}}};
        QVariantMap both = nested;
        both.insert(QStringLiteral("GROQ_API_KEY"), QStringLiteral("from-plist"));
        QVariantMap notText = nested;
        notText.insert(QStringLiteral("GROQ_API_KEY"), 42);
        QTest::newRow("environment, even empty") << true << both << std::optional<QString>(QString());
        QTest::newRow("list entry") << false << both << std::optional<QString>(QStringLiteral("from-plist"));
        QTest::newRow("LSEnvironment entry") << false << nested << std::optional<QString>(QStringLiteral("from-ls"));
        QTest::newRow("non-text entries passed over") << false << notText << std::optional<QString>(QStringLiteral("from-ls"));
        QTest::newRow("nowhere") << false << QVariantMap() << std::optional<QString>();
    }

    void keyIsLookedUpInOrder()
    {
        QFETCH(bool, envSet);
        QFETCH(QVariantMap, plist);
        QFETCH(std::optional<QString>, key);
        if (envSet)
            qputenv("GROQ_API_KEY", "");
        else
            qunsetenv("GROQ_API_KEY");
        AppInfo::instance().setDictionary(plist);
        GroqService service(QStringLiteral("https://example.invalid/openai/v1/audio/transcriptions"));
        QCOMPARE(service.apiKey(), key);
    }

    void endpointFollowsTheConfiguredHost()
    {
        QCOMPARE(GroqService::endpointForHost(QStringLiteral("speech.example.org")),
                 QStringLiteral("https://speech.example.org/openai/v1/audio/transcriptions"));
        qputenv("GROQ_API_HOST", "http://127.0.0.1:9");
        QCOMPARE(GroqService().transcriptionEndpoint(), QStringLiteral("http://127.0.0.1:9/openai/v1/audio/transcriptions"));
        qunsetenv("GROQ_API_HOST");
        AppInfo::instance().setDictionary({{QStringLiteral("GroqAPIHost"), QStringLiteral("speech.example.org")}});
        QCOMPARE(GroqService().transcriptionEndpoint(), QStringLiteral("https://speech.example.org/openai/v1/audio/transcriptions"));
    }
};

TAVO_TEST_MAIN(GroqServiceTest)
#include "tst_groqservice.moc"
