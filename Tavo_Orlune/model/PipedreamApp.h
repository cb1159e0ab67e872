#pragma once
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

// One app of the integration catalog, as a catalog page lists it.
struct PipedreamApp {
    QString id;
    QString nameSlug;
    QString name;
    std::optional<QString> authType;
    QString description;
    QString imgSrc;
    QString customFieldsJson; // carried, never interpreted
    QStringList categories;
    qint64 featuredWeight = 0;

    // Throws StrictJson::Error.
    static PipedreamApp fromJson(const QJsonObject &object);
    QJsonObject toJson() const;
};
