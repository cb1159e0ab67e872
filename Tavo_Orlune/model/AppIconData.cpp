#include "model/AppIconData.h"
#include "model/TaskData.h"

#include <memory>
#include <vector>

AppIconData::AppIconData()
{
}

AppIconData::AppIconData(const QUuid &id, const QString &name, const QString &colorHex, const QString &iconName, const std::optional<QString> &appLink)
{
    setId(id);
    setName(name);
    setColorHex(colorHex);
    setIconName(iconName);
    setAppLink(appLink);
}

const EntityDescription &AppIconData::staticEntityDescription()
{
    static const EntityDescription description = [] {
        EntityDescription e;
        e.name = QStringLiteral("AppIconData");
        e.attributes.append({QStringLiteral("id"), AttributeType::Uuid, false, true});
        e.attributes.append({QStringLiteral("name"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("colorHex"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("iconName"), AttributeType::Text, false, false});
        e.attributes.append({QStringLiteral("appLink"), AttributeType::Text, true, false});
        e.relationships.append({QStringLiteral("tasks"), QStringLiteral("TaskData"), true, DeleteRule::Nullify, QStringLiteral("apps")});
        e.factory = [] { return static_cast<PersistentModel *>(new AppIconData); };
        return e;
    }();
    return description;
}

QUuid AppIconData::id() const
{
    const QVariant v = attribute(AttributeId);
    return v.toUuid();
}

void AppIconData::setId(const QUuid &value)
{
    setAttribute(AttributeId, value);
}

QString AppIconData::name() const
{
    const QVariant v = attribute(AttributeName);
    return v.toString();
}

void AppIconData::setName(const QString &value)
{
    setAttribute(AttributeName, value);
}

QString AppIconData::colorHex() const
{
    const QVariant v = attribute(AttributeColorHex);
    return v.toString();
}

void AppIconData::setColorHex(const QString &value)
{
    setAttribute(AttributeColorHex, value);
}

QString AppIconData::iconName() const
{
    const QVariant v = attribute(AttributeIconName);
    return v.toString();
}

void AppIconData::setIconName(const QString &value)
{
    setAttribute(AttributeIconName, value);
}

std::optional<QString> AppIconData::appLink() const
{
    const QVariant v = attribute(AttributeAppLink);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

void AppIconData::setAppLink(const std::optional<QString> &value)
{
    setAttribute(AttributeAppLink, value ? QVariant(*value) : QVariant());
}

QList<TaskData *> AppIconData::tasks() const
{
    return cast<TaskData>(toMany(RelationshipTasks));
}

void AppIconData::setTasks(const QList<TaskData *> &value)
{
    setToMany(RelationshipTasks, uncast(value));
}

void AppIconData::appendTask(TaskData *value)
{
    appendToMany(RelationshipTasks, value);
}

void AppIconData::removeTask(TaskData *value)
{
    removeFromMany(RelationshipTasks, value);
}

void AppIconData::attributeDidChange(int index)
{
    switch (index) {
    case AttributeId: Q_EMIT idChanged(); break;
    case AttributeName: Q_EMIT nameChanged(); break;
    case AttributeColorHex: Q_EMIT colorHexChanged(); break;
    case AttributeIconName: Q_EMIT iconNameChanged(); break;
    case AttributeAppLink: Q_EMIT appLinkChanged(); break;
    }
}

void AppIconData::relationshipDidChange(int index)
{
    switch (index) {
    case RelationshipTasks: Q_EMIT tasksChanged(); break;
    }
}

QList<AppIconData *> AppIconData::defaultAppIcons()
{
    // Made once per process (thread-safe static) and owned here until the process ends; a
    // context stores copies of them, never these objects.
    static const std::vector<std::unique_ptr<AppIconData>> owned = [] {
        struct Row { const char *name, *color, *icon, *link; };
        static const Row rows[] = {
            {"Slack", "#4A154B", "slack_logo", "https://slack.com"},
            {"Discord", "#5865F2", "discord_logo", "https://discord.com"},
            {"Zoom", "#2D8CFF", "zoom_logo", "https://zoom.us"},
            {"Microsoft Teams", "#6264A7", "msteam_logo", "https://teams.microsoft.com"},
            {"Intercom", "#1F8DED", "intercom_logo", "https://www.intercom.com"},
            {"LinkedIn", "#0A66C2", "linkedin_logo", "https://www.linkedin.com"},
            {"X", "#000000", "x_logo", "https://x.com"},
            {"Gmail", "#EA4335", "gmail_logo", "https://mail.google.com"},
            {"Google Drive", "#4285F4", "google_drive_logo", "https://drive.google.com"},
            {"Google Calendar", "#4285F4", "google_calendar_logo", "https://calendar.google.com"},
            {"Google Docs", "#4285F4", "google_docs_logo", "https://docs.google.com"},
            {"Google Sheets", "#34A853", "google_sheets_logo", "https://sheets.google.com"},
            {"Google Slides", "#FBBC04", "google_slides_logo", "https://slides.google.com"},
            {"Outlook", "#0078D4", "outlook_logo", "https://outlook.live.com"},
            {"Excel", "#217346", "excel_logo", "https://www.office.com/launch/excel"},
            {"PowerPoint", "#B7472A", "powerpoint_logo", "https://www.office.com/launch/powerpoint"},
            {"Word", "#2B579A", "word_logo", "https://www.office.com/launch/word"},
            {"SharePoint", "#0078D4", "sharepoint_logo", "https://www.sharepoint.com"},
            {"Asana", "#F06A6A", "asana_logo", "https://asana.com"},
            {"Linear", "#5E6AD2", "linear_logo", "https://linear.app"},
            {"Jira", "#2684FF", "jira_logo", "https://www.atlassian.com/software/jira"},
            {"Monday", "#FF3D57", "monday_logo", "https://monday.com"},
            {"Notion", "#000000", "notion_logo", "https://www.notion.so"},
            {"Miro", "#FFD02F", "miro_logo", "https://miro.com"},
            {"HubSpot", "#FF7A59", "hubspot_logo", "https://www.hubspot.com"},
            {"Mailchimp", "#FFE01B", "mailchimp_logo", "https://mailchimp.com"},
            {"GitHub", "#181717", "github_logo", "https://github.com"},
            {"Perplexity", "#20808D", "perplexity_logo", "https://www.perplexity.ai"},
            {"Default", "#6366F1", "app_logo_placeholder_1", "https://www.google.com"},
        };
        std::vector<std::unique_ptr<AppIconData>> list;
        for (const Row &r : rows)
            list.push_back(std::make_unique<AppIconData>(QUuid::createUuid(), QString::fromUtf8(r.name),
                                                         QString::fromLatin1(r.color), QString::fromLatin1(r.icon),
                                                         QString::fromLatin1(r.link)));
        return list;
    }();
    static const QList<AppIconData *> icons = [] {
        QList<AppIconData *> list;
        for (const auto &icon : owned)
            list.append(icon.get());
        return list;
    }();
    return icons;
}
