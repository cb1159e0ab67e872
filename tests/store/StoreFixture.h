#pragma once
#include "FakeAppStoreModel.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "StandinHttpServer.h"
#include "model/AppStoreData.h"
#include "model/SharedModelContainer.h"

#include <QBuffer>
#include <QImage>
#include <QStringList>
#include <memory>
#include <optional>

// Store apps in an in-memory store, the fake store model, a captured console and a logo server
// on 127.0.0.1 serving a square PNG, a 200 x 100 PNG, an HTML error page and a slow logo.
struct StoreFixture {
    std::unique_ptr<ModelContainer> container;
    ModelContext *context = nullptr;
    FakeAppStoreModel model;
    StandinHttpServer logos;

    static QStringList &log()
    {
        static QStringList lines;
        return lines;
    }

    static QByteArray png(const QSize &size, QColor colour)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    StoreFixture()
    {
        log().clear();
        Log::setSink([](const QString &line) { log() << line; });
        container = std::make_unique<ModelContainer>(ModelStore::schema(), ModelConfiguration{QString(), true});
        context = container->mainContext();
        StandinHttpServer::Reply square;
        square.body = png(QSize(120, 120), QColor(0x3F, 0x96, 0xF9));
        square.contentType = "image/png";
        StandinHttpServer::Reply wide;
        wide.body = png(QSize(200, 100), QColor(0xFF, 0x6D, 0x1C));
        wide.contentType = "image/png";
        StandinHttpServer::Reply error;
        error.status = 404;
        error.body = "<html><body><h1>Not Found</h1></body></html>";
        error.contentType = "text/html";
        StandinHttpServer::Reply slow = square;
        slow.delayMs = 1500;
        StandinHttpServer::Reply htmlOk = error;
        htmlOk.status = 200;
        for (const QString &p : {QStringLiteral("/logo.png"), QStringLiteral("/logo2.png"), QStringLiteral("/logo3.png"),
                                 QStringLiteral("/logo4.png"), QStringLiteral("/logo5.png")})
            logos.on("GET", p, square);
        logos.on("GET", QStringLiteral("/wide.png"), wide);
        logos.on("GET", QStringLiteral("/missing.png"), error);
        logos.on("GET", QStringLiteral("/page.png"), htmlOk);
        logos.on("GET", QStringLiteral("/slow.png"), slow);
        logos.start();
    }
    ~StoreFixture() { Log::setSink(nullptr); }

    QString logoUrl(const QString &path) const { return logos.baseUrl().toString() + path; }
    int requestsTo(const QString &path) const { return int(logos.requestsTo(path).size()); }

    AppStoreData *makeApp(const QString &name, std::optional<QString> pipedreamId = std::nullopt,
                          std::optional<QString> iconURL = std::nullopt, const QString &iconName = QString())
    {
        auto *app = new AppStoreData(QUuid::createUuid(), pipedreamId, name, QStringLiteral("Maker"), QStringLiteral("An app"),
                                     iconName, iconURL, QStringLiteral("Free"), 4.5, AppCategory::Productivity, false, false,
                                     QDateTime::currentDateTimeUtc(), 0, std::nullopt, false, false, false, false, std::nullopt);
        context->insert(app);
        context->save();
        return app;
    }

    int logCount(const QString &prefix) const
    {
        int n = 0;
        for (const QString &l : log())
            n += l.startsWith(prefix) ? 1 : 0;
        return n;
    }
};
