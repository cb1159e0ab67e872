#pragma once
#include <QList>
#include <QString>
#include <optional>

// The 22 categories of the integration store; the raw value is the display name.
enum class AppCategory {
    ArtificialIntelligence, BusinessManagement, Crm, Commerce, Communication, DataAnalytics, Databases,
    DeveloperTools, Entertainment, FileStorage, HelpDeskSupport, HumanResources, InfrastructureCloud,
    LanguageTools, LearningEducation, Marketing, Productivity, SmartHomeAutomation, SocialMedia,
    SurveysAndForms, Travel, WebAppDevelopment,
};

QString rawValue(AppCategory category);
// The category whose display name equals the text exactly; nothing otherwise.
std::optional<AppCategory> appCategoryFromRaw(const QString &raw);
// The image asset shown beside the category's name.
QString iconName(AppCategory category);
QList<AppCategory> allAppCategories();
