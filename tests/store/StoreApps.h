#pragma once
#include "model/AppStoreData.h"

#include <QDateTime>
#include <QObject>
#include <QUuid>

// Store app rows without a store, owned by one parent object, for the pages' and the search's tests.
struct StoreApps {
    QObject owner;

    AppStoreData *make(const QString &name, const QString &developer = QStringLiteral("Maker"),
                       const QString &description = QStringLiteral("An app"),
                       const QString &category = QStringLiteral("Productivity"), qint64 weight = 0)
    {
        auto *app = new AppStoreData(QUuid::createUuid(), std::nullopt, name, developer, description, QString(),
                                     std::nullopt, QStringLiteral("Free"), 4.5, AppCategory::Productivity, false, false,
                                     QDateTime::currentDateTimeUtc(), weight, std::nullopt, false, false, false, false,
                                     std::nullopt);
        app->setCategory(category);
        app->setParent(&owner);
        return app;
    }
    QList<AppStoreData *> many(int n, const QString &prefix = QStringLiteral("App "))
    {
        QList<AppStoreData *> out;
        for (int i = 0; i < n; ++i)
            out << make(prefix + QString::number(i));
        return out;
    }
};
