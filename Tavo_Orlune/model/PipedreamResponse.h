#pragma once
#include "model/PageInfo.h"
#include "model/PipedreamApp.h"

#include <QByteArray>
#include <QList>

// One page of the integration catalog. Decoding is strict: any missing, null or wrongly typed
// required key anywhere fails the whole page.
struct PipedreamResponse {
    PageInfo pageInfo;
    QList<PipedreamApp> data;

    // The page, or nothing with the reason in error.
    static std::optional<PipedreamResponse> decode(const QByteArray &json, QString *error = nullptr);
    QByteArray encode() const;
};
