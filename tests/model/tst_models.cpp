#include "Platform/Assets.h"
#include "ModelTestSupport.h"
#include "Platform/Scheduler.h"
#include "TestMain.h"
#include "model/AppCategory.h"
#include "model/AppIconData.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

class ModelsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stepListEncodesAsTheStoredJson()
    {
        AIReplyStep withDetails;
        withDetails.id = QUuid(QStringLiteral("{6f1c2a3b-4d5e-4f60-8a9b-0c1d2e3f4a5b}"));
        withDetails.stepNumber = 1;
        withDetails.description = QStringLiteral("Search");
        withDetails.status = AIStepStatus::Running;
        withDetails.details = QStringLiteral("two sources");
        withDetails.timestamp = QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40, 250), Qt::UTC);
        AIReplyStep bare = withDetails;
        bare.id = QUuid::createUuid();
        bare.stepNumber = 2;
        bare.details.reset();
        bare.status = AIStepStatus::Failed;

        const QByteArray json = AIStepTransformer::encode({withDetails, bare});
        const QJsonArray array = QJsonDocument::fromJson(json).array();
        QCOMPARE(array.size(), 2);
        const QJsonObject first = array.at(0).toObject();
        QCOMPARE(first.value(QStringLiteral("id")).toString(), QStringLiteral("6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B"));
        QCOMPARE(first.value(QStringLiteral("stepNumber")).toInteger(), 1);
        QCOMPARE(first.value(QStringLiteral("status")).toString(), QStringLiteral("running"));
        QCOMPARE(first.value(QStringLiteral("details")).toString(), QStringLiteral("two sources"));
        QCOMPARE(first.value(QStringLiteral("timestamp")).toDouble(), 100.25);
        QVERIFY(!array.at(1).toObject().contains(QStringLiteral("details")));
        QVERIFY(!json.contains('\n'));

        const auto back = AIStepTransformer::decode(json);
        QVERIFY(back);
        QCOMPARE(*back, (QList<AIReplyStep>{withDetails, bare}));
        QCOMPARE(AIStepTransformer::encode({}), QByteArray("[]"));
        QCOMPARE(AIStepTransformer::decode("[]"), std::optional<QList<AIReplyStep>>(QList<AIReplyStep>{}));
    }

    void stepListDecodesWholeOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("steps"); // -1: absent
        const QByteArray good = R"({"id":"6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B","stepNumber":1,"description":"d","status":"pending","timestamp":5})";
        QTest::newRow("one step") << QByteArray("[" + good + "]") << 1;
        QTest::newRow("null details") << QByteArray(R"([{"id":"6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B","stepNumber":1,"description":"d","status":"pending","details":null,"timestamp":5,"extra":true}])") << 1;
        QTest::newRow("one bad status") << QByteArray("[" + good + R"(,{"id":"6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5C","stepNumber":2,"description":"d","status":"Done","timestamp":5}])") << -1;
        QTest::newRow("missing timestamp") << QByteArray(R"([{"id":"6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B","stepNumber":1,"description":"d","status":"pending"}])") << -1;
        QTest::newRow("step number as text") << QByteArray(R"([{"id":"6F1C2A3B-4D5E-4F60-8A9B-0C1D2E3F4A5B","stepNumber":"1","description":"d","status":"pending","timestamp":5}])") << -1;
        QTest::newRow("not an array") << QByteArray(good) << -1;
        QTest::newRow("garbage") << QByteArray("[{") << -1;
    }
    void stepListDecodesWholeOrNotAtAll()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, steps);
        const auto decoded = AIStepTransformer::decode(json);
        QCOMPARE(decoded ? int(decoded->size()) : -1, steps);
        if (decoded && steps == 1)
            QVERIFY(!decoded->first().details);
    }

    void messagesKeepTheirStepsAndKindsThroughTheStore()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        auto *task = new TaskData(QUuid::createUuid(), QStringLiteral("T"), std::nullopt, std::nullopt, QDateTime::currentDateTimeUtc(),
                                  false, std::nullopt, std::nullopt, StreamStatus::Idle, std::nullopt);
        ctx->insert(task);
        const QDateTime now = QDateTime(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
        AIReplyStep step;
        step.description = QStringLiteral("Look up");
        step.timestamp = now;
        auto *reply = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), QStringLiteral("Answer"), AIReplyStatus::InProgress, QList<AIReplyStep>{step}, now, task);
        auto *empty = ChatMessageData::withAiActionTitle(QStringLiteral("ai"), std::nullopt, std::nullopt, QList<AIReplyStep>{}, now.addSecs(1), task);
        auto *html = ChatMessageData::withHtmlContent(QStringLiteral("<p>x</p>"), now.addSecs(2), task);
        auto *tool = ChatMessageData::withToolResponseContent(QStringLiteral("search-_-Perplexity"), QString(), std::nullopt, now.addSecs(3), task);
        auto *user = ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("hello"), now.addSecs(-1), task);
        QCOMPARE(html->sender(), QStringLiteral("ai"));
        QCOMPARE(html->messageType(), MessageType::Html);
        QCOMPARE(tool->sender(), QStringLiteral("tool_response"));
        QCOMPARE(tool->toolResponseContent(), std::optional<QString>(QString()));
        QVERIFY(!user->aiReplySteps());
        QCOMPARE(task->chatMessages().size(), 5);
        ctx->save();
        Q_UNUSED(reply)
        Q_UNUSED(empty)

        ModelContext other(store.get());
        const QList<ChatMessageData *> chat = other.fetch<ChatMessageData>({}, {{QStringLiteral("timestamp"), true}});
        QCOMPARE(chat.size(), 5);
        QCOMPARE(chat[0]->userTextMessage(), std::optional<QString>(QStringLiteral("hello")));
        QCOMPARE(chat[1]->aiReplySteps(), std::optional<QList<AIReplyStep>>(QList<AIReplyStep>{step}));
        QCOMPARE(chat[1]->aiReplyStatus(), std::optional<AIReplyStatus>(AIReplyStatus::InProgress));
        QCOMPARE(chat[2]->aiReplySteps(), std::optional<QList<AIReplyStep>>(QList<AIReplyStep>{})); // empty, not absent
        QVERIFY(!chat[2]->aiReplyStatus());
        QCOMPARE(chat[3]->htmlContent(), std::optional<QString>(QStringLiteral("<p>x</p>")));
        QCOMPARE(chat[4]->toolResponseContent(), std::optional<QString>(QString())); // present and empty
        QVERIFY(!chat[4]->clientDisplayName());
        // Replies and HTML documents share the sender "ai".
        QCOMPARE(other.fetch<ChatMessageData>(Predicate::equal(QStringLiteral("sender"), QStringLiteral("ai"))).size(), 3);
        QCOMPARE(chat[0]->task()->title(), QStringLiteral("T"));
    }

    void rawValuesMatchExactly()
    {
        QCOMPARE(streamStatusFromRaw(QStringLiteral("streaming")), std::optional<StreamStatus>(StreamStatus::Streaming));
        QVERIFY(!streamStatusFromRaw(QStringLiteral("Streaming")));
        QVERIFY(!streamStatusFromRaw(QString()));
        QCOMPARE(allStreamStatuses().size(), 4);
        QCOMPARE(messageTypeFromRaw(QStringLiteral("html_document")), std::optional<MessageType>(MessageType::Html));
        QVERIFY(!messageTypeFromRaw(QStringLiteral("HTML_DOCUMENT")));
        QVERIFY(!messageTypeFromRaw(QStringLiteral("html-document")));
        QCOMPARE(rawValue(AIReplyStatus::FinishedWithError), QStringLiteral("finished_with_error"));
    }

    void predefinedAppIconsAreTwentyNineSharedObjects()
    {
        const QList<AppIconData *> icons = AppIconData::defaultAppIcons();
        QCOMPARE(icons.size(), 29);
        QCOMPARE(icons.first()->name(), QStringLiteral("Slack"));
        QCOMPARE(icons.at(27)->name(), QStringLiteral("Perplexity"));
        QCOMPARE(icons.last()->name(), QStringLiteral("Default"));
        QCOMPARE(icons.last()->iconName(), QStringLiteral("app_logo_placeholder_1"));
        QCOMPARE(AppIconData::defaultAppIcons(), icons);
        QSet<QString> names;
        const QRegularExpression hex(QStringLiteral("^#[0-9A-F]{6}$"));
        for (AppIconData *icon : icons) {
            names.insert(icon->name());
            QVERIFY2(hex.match(icon->colorHex()).hasMatch(), qPrintable(icon->colorHex()));
            QVERIFY(icon->appLink() && icon->appLink()->startsWith(QLatin1String("https://")));
            QVERIFY(icon->tasks().isEmpty());
        }
        QCOMPARE(names.size(), 29);
        QCOMPARE(icons.at(14)->appLink()->section(QLatin1Char('/'), 3), QStringLiteral("launch/excel"));
        // Records are values by identity, not by fields.
        auto *copy = new AppIconData(QUuid::createUuid(), QStringLiteral("Gmail"), QStringLiteral("#EA4335"), QStringLiteral("gmail_logo"), std::nullopt);
        QVERIFY(copy != icons.at(7));
        QVERIFY(copy->persistentModelID() != icons.at(7)->persistentModelID());
        delete copy;
    }

    void resolvedSlug_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("appSlug");
        QTest::addColumn<QString>("slug");
        QTest::newRow("slug wins") << QStringLiteral("Acme Notes") << QVariant(QStringLiteral("acme")) << QStringLiteral("acme");
        QTest::newRow("empty slug wins") << QStringLiteral("Acme Notes") << QVariant(QString()) << QString();
        QTest::newRow("spaces") << QStringLiteral("Acme Notes") << QVariant() << QStringLiteral("acme_notes");
        QTest::newRow("dot") << QStringLiteral("Data.Sync") << QVariant() << QStringLiteral("datasync");
        QTest::newRow("parentheses") << QStringLiteral("Foo (Beta)") << QVariant() << QStringLiteral("foo_beta");
        QTest::newRow("hyphen") << QStringLiteral("Zed - CRM") << QVariant() << QStringLiteral("zed___crm");
        QTest::newRow("accent") << QStringLiteral("Café Bot") << QVariant() << QStringLiteral("café_bot");
        QTest::newRow("combining mark") << QStringLiteral("Cafe\u0301") << QVariant() << QStringLiteral("cafe\u0301");
        QTest::newRow("punctuation and emoji") << QStringLiteral("!!! 🚀") << QVariant() << QStringLiteral("_");
        QTest::newRow("only punctuation") << QStringLiteral("?!.🚀") << QVariant() << QString();
    }
    void resolvedSlug()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, appSlug);
        QFETCH(QString, slug);
        AppStoreData app(QUuid::createUuid(), std::nullopt, name, QStringLiteral("dev"), QStringLiteral("d"), QStringLiteral("i"), std::nullopt,
                         QStringLiteral("Free"), 4, AppCategory::Productivity, false, false, QDateTime::currentDateTimeUtc(), 0, std::nullopt,
                         false, false, false, false, appSlug.isValid() ? std::optional<QString>(appSlug.toString()) : std::nullopt);
        QCOMPARE(app.resolvedSlug(), slug);
        QCOMPARE(app.category(), QStringLiteral("Productivity"));
    }

    void storeCategoriesAreTheTwentyTwoDisplayNames()
    {
        const QList<AppCategory> all = allAppCategories();
        QCOMPARE(all.size(), 22);
        QCOMPARE(all.first(), AppCategory::ArtificialIntelligence);
        QCOMPARE(all.last(), AppCategory::WebAppDevelopment);
        QCOMPARE(rawValue(all.first()), QStringLiteral("Artificial Intelligence (AI)"));
        for (AppCategory c : all)
            QCOMPARE(appCategoryFromRaw(rawValue(c)), std::optional<AppCategory>(c));
        QCOMPARE(appCategoryFromRaw(QStringLiteral("Help Desk & Support")), std::optional<AppCategory>(AppCategory::HelpDeskSupport));
        QVERIFY(!appCategoryFromRaw(QStringLiteral("help desk & support")));
        QVERIFY(!appCategoryFromRaw(QStringLiteral("Help Desk &Support")));
        QVERIFY(!appCategoryFromRaw(QStringLiteral("Help Desk & Support ")));
        QVERIFY(!appCategoryFromRaw(QString()));
        QCOMPARE(iconName(AppCategory::WebAppDevelopment), iconName(AppCategory::DeveloperTools));
        QCOMPARE(iconName(AppCategory::Crm), QStringLiteral("ic_crm"));
    }

    void everyNamedImageIsAnAsset()
    {
        for (AppCategory c : allAppCategories())
            QVERIFY2(Assets::has(iconName(c)), qPrintable(iconName(c)));
        for (AppIconData *icon : AppIconData::defaultAppIcons())
            QVERIFY2(Assets::has(icon->iconName()), qPrintable(icon->iconName()));
    }
};

TAVO_TEST_MAIN(ModelsTest)
#include "tst_models.moc"
