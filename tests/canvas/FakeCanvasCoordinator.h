#pragma once
#include "windows/CanvasCoordinator.h"

#include <QList>
#include <QObject>
#include <QString>

// The coordinator as the canvas sees it: records submissions and answers the installed-apps
// question as the test says.
class FakeCanvasCoordinator : public QObject, public CanvasCoordinator {
public:
    struct Submission {
        QString query;
        QString categoryTitle;
        bool miniApp = false;
    };
    AudioManagerService *audio = nullptr;
    bool installedApps = false;
    int installedChecks = 0;
    QList<Submission> submissions;

    AudioManagerService *audioService() const override { return audio; }
    void submitQuery(const QString &query, const QString &categoryTitle, bool miniAppEnabled) override
    {
        submissions.append({query, categoryTitle, miniAppEnabled});
    }
    bool hasInstalledApps() override
    {
        ++installedChecks;
        return installedApps;
    }
};
