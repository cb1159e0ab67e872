#include "onboarding/ProfileFieldsView.h"
#include "onboarding/ProfileDisplayField.h"
#include "theme/Sizes.h"

#include <QVBoxLayout>

ProfileFieldsView::ProfileFieldsView(const UserProfile &userProfile, bool showCard, QWidget *parent)
    : QWidget(parent)
    , m_userProfile(userProfile)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Sizes::spacingL));
    const QString notSpecified = tr("Not specified");
    struct Row {
        const char *icon;
        const char *label;
        QString value;
        double delay;
    };
    const QList<Row> rows{
        {"ic_firstName", "Name", fullName(userProfile), 0.5},
        {"ic_email", "Email", userProfile.email, 0.4},
        {"ic_company", "Company", userProfile.companyName.value_or(QString()), 0.6},
        {"ic_linkedin", "LinkedIn", userProfile.linkedin.value_or(QString()), 0.7},
        {"ic_x", "Twitter/X", userProfile.twitter.value_or(QString()), 0.8},
    };
    for (const Row &r : rows) {
        auto *field = new ProfileDisplayField(QString::fromLatin1(r.icon), QString::fromLatin1(r.label), r.value, notSpecified, showCard,
                                              r.delay, this);
        column->addWidget(field, 0, Qt::AlignLeft);
        m_rows << field;
    }
}

QString ProfileFieldsView::fullName(const UserProfile &profile)
{
    const QString first = profile.firstName.trimmed();
    const QString last = profile.lastName.trimmed();
    if (!first.isEmpty() && !last.isEmpty())
        return first + QLatin1Char(' ') + last;
    return first.isEmpty() ? last : first;
}
