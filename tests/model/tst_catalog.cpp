#include "TestMain.h"
#include "model/AppStoreData.h"
#include "model/PipedreamResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject app(const QString &id = QStringLiteral("app_1"))
{
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("name_slug"), QStringLiteral("acme_notes")},
                       {QStringLiteral("name"), QStringLiteral("Acme Notes")},
                       {QStringLiteral("auth_type"), QStringLiteral("oauth")},
                       {QStringLiteral("description"), QStringLiteral("Notes for teams")},
                       {QStringLiteral("img_src"), QStringLiteral("https://img.example/acme.png")},
                       {QStringLiteral("custom_fields_json"), QStringLiteral("[]")},
                       {QStringLiteral("categories"), QJsonArray{QStringLiteral("Productivity")}},
                       {QStringLiteral("featured_weight"), 0}};
}

QByteArray page(const QJsonObject &first, const QJsonObject &info = {{QStringLiteral("total_count"), 2}, {QStringLiteral("count"), 2}, {QStringLiteral("end_cursor"), QStringLiteral("c2")}})
{
    return QJsonDocument(QJsonObject{{QStringLiteral("page_info"), info}, {QStringLiteral("data"), QJsonArray{first, app(QStringLiteral("app_2"))}}, {QStringLiteral("extra"), true}})
        .toJson(QJsonDocument::Compact);
}

PipedreamApp catalogApp(const QString &name, const QStringList &categories, qint64 weight = 0, const QString &description = QStringLiteral("d"))
{
    PipedreamApp a;
    a.id = QStringLiteral("app_9");
    a.nameSlug = QStringLiteral("slug_9");
    a.name = name;
    a.description = description;
    a.imgSrc = QString();
    a.categories = categories;
    a.featuredWeight = weight;
    return a;
}

} // namespace

class CatalogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageDecodesStrictly_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QJsonObject a = app();
        QJsonObject extra = a;
        extra.insert(QStringLiteral("unknown"), 1);
        QTest::newRow("complete, extra keys ignored") << page(extra) << true;
        QJsonObject noAuth = a;
        noAuth.remove(QStringLiteral("auth_type"));
        QTest::newRow("missing auth_type") << page(noAuth) << true;
        QJsonObject nullAuth = a;
        nullAuth.insert(QStringLiteral("auth_type"), QJsonValue::Null);
        QTest::newRow("null auth_type") << page(nullAuth) << true;
        QJsonObject nullDescription = a;
        nullDescription.insert(QStringLiteral("description"), QJsonValue::Null);
        QTest::newRow("null description fails the page") << page(nullDescription) << false;
        QJsonObject numberName = a;
        numberName.insert(QStringLiteral("name"), 42);
        QTest::newRow("number as name") << page(numberName) << false;
        QJsonObject textWeight = a;
        textWeight.insert(QStringLiteral("featured_weight"), QStringLiteral("3"));
        QTest::newRow("featured weight as text") << page(textWeight) << false;
        QJsonObject fraction = a;
        fraction.insert(QStringLiteral("featured_weight"), 1.5);
        QTest::newRow("featured weight with a fraction") << page(fraction) << false;
        QJsonObject objectCategories = a;
        objectCategories.insert(QStringLiteral("categories"), QJsonObject{{QStringLiteral("a"), 1}});
        QTest::newRow("categories as object") << page(objectCategories) << false;
        QJsonObject noFields = a;
        noFields.remove(QStringLiteral("custom_fields_json"));
        QTest::newRow("missing custom fields") << page(noFields) << false;
        QTest::newRow("count as text") << page(a, {{QStringLiteral("total_count"), 2}, {QStringLiteral("count"), QStringLiteral("2")}}) << false;
        QTest::newRow("no data") << QByteArray(R"({"page_info":{"total_count":0,"count":0}})") << false;
        QTest::newRow("not json") << QByteArray("{\"page_info\":") << false;
    }
    void pageDecodesStrictly()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QString error;
        const auto decoded = PipedreamResponse::decode(json, &error);
        QCOMPARE(bool(decoded), decodes);
        QCOMPARE(error.isEmpty(), decodes);
        if (decoded)
            QCOMPARE(decoded->data.size(), 2);
    }

    void optionalKeysReadAsAbsent()
    {
        QJsonObject a = app();
        a.remove(QStringLiteral("auth_type"));
        auto decoded = PipedreamResponse::decode(page(a, {{QStringLiteral("total_count"), 7}, {QStringLiteral("count"), 2}, {QStringLiteral("end_cursor"), QJsonValue::Null}}));
        QVERIFY(decoded);
        QCOMPARE(decoded->pageInfo.totalCount, 7);
        QVERIFY(!decoded->pageInfo.endCursor);
        QVERIFY(!decoded->pageInfo.startCursor);
        QVERIFY(!decoded->data.first().authType);
        QCOMPARE(decoded->data.last().authType, std::optional<QString>(QStringLiteral("oauth")));
        // Encoding leaves absent values out rather than writing null.
        const QJsonObject encoded = QJsonDocument::fromJson(decoded->encode()).object();
        QVERIFY(!encoded.value(QStringLiteral("page_info")).toObject().contains(QStringLiteral("end_cursor")));
        QVERIFY(!encoded.value(QStringLiteral("data")).toArray().first().toObject().contains(QStringLiteral("auth_type")));
        QVERIFY(PipedreamResponse::decode(decoded->encode()));
    }

    void categoryFromTheFirstCatalogCategory_data()
    {
        QTest::addColumn<QStringList>("categories");
        QTest::addColumn<AppCategory>("category");
        QTest::newRow("Productivity") << QStringList{QStringLiteral("Productivity")} << AppCategory::Productivity;
        QTest::newRow("upper case") << QStringList{QStringLiteral("DEVELOPER TOOLS")} << AppCategory::DeveloperTools;
        QTest::newRow("AI") << QStringList{QStringLiteral("AI")} << AppCategory::ArtificialIntelligence;
        QTest::newRow("Artificial Intelligence") << QStringList{QStringLiteral("Artificial Intelligence")} << AppCategory::ArtificialIntelligence;
        QTest::newRow("ampersand") << QStringList{QStringLiteral("help desk & support")} << AppCategory::HelpDeskSupport;
        QTest::newRow("trailing space") << QStringList{QStringLiteral("CRM ")} << AppCategory::Productivity;
        QTest::newRow("unknown first, CRM second") << QStringList{QStringLiteral("Gizmos"), QStringLiteral("CRM")} << AppCategory::Productivity;
        QTest::newRow("none") << QStringList() << AppCategory::Productivity;
    }
    void categoryFromTheFirstCatalogCategory()
    {
        QFETCH(QStringList, categories);
        QFETCH(AppCategory, category);
        std::unique_ptr<AppStoreData> row(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("X"), categories)));
        QCOMPARE(row->category(), rawValue(category));
    }

    void developerRatingAndDescription()
    {
        std::unique_ptr<AppStoreData> a(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("  Acme  Notes"), {}, 1, QString())));
        QCOMPARE(a->developer(), QStringLiteral("Acme"));
        QCOMPARE(a->rating(), 4.5);
        QCOMPARE(a->appDescription(), QStringLiteral("Integration available via Pipedream"));
        QCOMPARE(a->iconURL(), std::optional<QString>(QString()));
        QCOMPARE(a->pipedreamId(), std::optional<QString>(QStringLiteral("app_9")));
        QCOMPARE(a->iconName(), QStringLiteral("slug_9"));
        QCOMPARE(a->resolvedSlug(), QStringLiteral("slug_9"));
        QCOMPARE(a->price(), QStringLiteral("Free"));
        QVERIFY(!a->isInstalled() && !a->mcpInstalled() && !a->isVerifyingAuth());
        QCOMPARE(a->featuredWeight(), 1);

        std::unique_ptr<AppStoreData> spaces(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("   "), {}, 0, QStringLiteral(" "))));
        QCOMPARE(spaces->developer(), QStringLiteral("Unknown"));
        QCOMPARE(spaces->appDescription(), QStringLiteral(" "));
        std::unique_ptr<AppStoreData> tab(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("Tab\tName Co"), {})));
        QCOMPARE(tab->developer(), QStringLiteral("Tab\tName"));

        QSet<double> ratings;
        for (int i = 0; i < 20; ++i) {
            std::unique_ptr<AppStoreData> r(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("Same"), {}, i % 2 ? 0 : -3)));
            QVERIFY(r->rating() >= 3.5 && r->rating() <= 4.9);
            ratings.insert(r->rating());
        }
        QVERIFY(ratings.size() > 1); // drawn anew at every conversion
        std::unique_ptr<AppStoreData> again(AppStoreData::fromCatalogApp(catalogApp(QStringLiteral("  Acme  Notes"), {}, 1)));
        QVERIFY(again->id() != a->id());
    }
};

TAVO_TEST_MAIN(CatalogTest)
#include "tst_catalog.moc"
