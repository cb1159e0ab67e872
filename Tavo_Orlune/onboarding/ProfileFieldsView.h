#pragma once
#include "account/UserProfile.h"

#include <QList>
#include <QWidget>

class ProfileDisplayField;

// The profile card's five read-only rows, 16 pt apart: Name, Email, Company, LinkedIn and
// Twitter/X, each showing "Not specified" when it has no value.
class ProfileFieldsView : public QWidget {
    Q_OBJECT
public:
    ProfileFieldsView(const UserProfile &userProfile, bool showCard, QWidget *parent = nullptr);

    // First and last name, each trimmed, joined by one blank; either alone; else empty.
    static QString fullName(const UserProfile &profile);
    UserProfile userProfile() const { return m_userProfile; }
    const QList<ProfileDisplayField *> &rows() const { return m_rows; }

private:
    UserProfile m_userProfile;
    QList<ProfileDisplayField *> m_rows;
};
