#include "model/AppCategory.h"

namespace {
struct Entry { AppCategory category; const char *name; const char *icon; };
const Entry kEntries[] = {
    {AppCategory::ArtificialIntelligence, "Artificial Intelligence (AI)", "ic_aiml"},
    {AppCategory::BusinessManagement, "Business Management", "ic_business"},
    {AppCategory::Crm, "CRM", "ic_crm"},
    {AppCategory::Commerce, "Commerce", "ic_commerce"},
    {AppCategory::Communication, "Communication", "ic_comm"},
    {AppCategory::DataAnalytics, "Data Analytics", "ic_da"},
    {AppCategory::Databases, "Databases", "ic_db"},
    {AppCategory::DeveloperTools, "Developer Tools", "ic_devtools"},
    {AppCategory::Entertainment, "Entertainment", "ic_enter"},
    {AppCategory::FileStorage, "File Storage", "ic_file"},
    {AppCategory::HelpDeskSupport, "Help Desk & Support", "ic_help"},
    {AppCategory::HumanResources, "Human Resources", "ic_hr"},
    {AppCategory::InfrastructureCloud, "Infrastructure & Cloud", "ic_cloudinfra"},
    {AppCategory::LanguageTools, "Language Tools", "ic_lang"},
    {AppCategory::LearningEducation, "Learning & Education", "ic_education"},
    {AppCategory::Marketing, "Marketing", "ic_marketing"},
    {AppCategory::Productivity, "Productivity", "ic_prod"},
    {AppCategory::SmartHomeAutomation, "Smart Home Automation", "ic_smart"},
    {AppCategory::SocialMedia, "Social Media", "ic_social"},
    {AppCategory::SurveysAndForms, "Surveys & Forms", "ic_survey"},
    {AppCategory::Travel, "Travel", "ic_travel"},
    {AppCategory::WebAppDevelopment, "Web & App Development", "ic_devtools"},
};
}

QString rawValue(AppCategory category)
{
    return QString::fromUtf8(kEntries[int(category)].name);
}

std::optional<AppCategory> appCategoryFromRaw(const QString &raw)
{
    for (const Entry &e : kEntries)
        if (raw == QLatin1String(e.name))
            return e.category;
    return std::nullopt;
}

QString iconName(AppCategory category)
{
    return QString::fromLatin1(kEntries[int(category)].icon);
}

QList<AppCategory> allAppCategories()
{
    QList<AppCategory> all;
    for (const Entry &e : kEntries)
        all.append(e.category);
    return all;
}
