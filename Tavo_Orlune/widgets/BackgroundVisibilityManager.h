#pragma once
#include <QObject>

// Whether the sign-in window shows its nebula background; shared by the sign-in screens.
class BackgroundVisibilityManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool showNebula READ showNebula WRITE setShowNebula NOTIFY showNebulaChanged)
public:
    explicit BackgroundVisibilityManager(QObject *parent = nullptr) : QObject(parent) {}
    bool showNebula() const { return m_showNebula; }
    void setShowNebula(bool show);

Q_SIGNALS:
    void showNebulaChanged(bool showNebula);

private:
    bool m_showNebula = true;
};
