#include "TaskAppAssociationService.h"

#include <QHash>

QString TaskAppAssociationService::normalizedName(const QString &name)
{
    return name.toLower().trimmed();
}

QStringList TaskAppAssociationService::aliases(const QString &normalizedAppName)
{
    static const QHash<QString, QStringList> table = {
        {QStringLiteral("microsoft teams"), {QStringLiteral("msteam"), QStringLiteral("teams")}},
        {QStringLiteral("jira"), {QStringLiteral("atlassian")}},
        {QStringLiteral("gmail"), {QStringLiteral("google mail")}},
        {QStringLiteral("excel"), {QStringLiteral("microsoft excel")}},
        {QStringLiteral("powerpoint"), {QStringLiteral("microsoft powerpoint")}},
        {QStringLiteral("word"), {QStringLiteral("microsoft word")}},
        {QStringLiteral("monday"), {QStringLiteral("monday.com")}},
        {QStringLiteral("sharepoint"), {QStringLiteral("microsoft sharepoint")}},
        {QStringLiteral("outlook"), {QStringLiteral("microsoft outlook")}},
    };
    return table.value(normalizedAppName);
}
