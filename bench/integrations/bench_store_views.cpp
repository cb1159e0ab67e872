// The store's pages over 3,000 apps, on the main thread, offscreen:
//   keystroke: typing into the store's search, one character at a time with the debounce let
//              run after each, the longest single event per keystroke (the edit, the search
//              job, the results grid and its cards, the paint); p95 budget 16 ms.
//   tab:       a tab switch from the click to the painted page (every tab from every other);
//              budget 50 ms.
#include "Platform/Log.h"
#include "analytics/AnalyticsService.h"
#include "integrations/AppStoreModel.h"
#include "model/AppCategory.h"
#include "model/AppStoreData.h"
#include "store/AppStoreSearchField.h"
#include "store/AppStoreSearchViewModel.h"
#include "store/AppStoreView.h"
#include "store/AppStoreCategoryView.h"
#include "TimingApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

namespace {

using WidgetTimingApplication = TimingApplicationOf<QApplication>;

// The store model as the pages read it: a fixed catalog, nothing running.
class StaticStoreModel : public AppStoreModel {
public:
    QList<AppStoreData *> all, productivity, ai, featured, installed;
    QList<AppStoreData *> allApps() const override { return all; }
    QList<AppStoreData *> featuredApps() const override { return featured; }
    QList<AppStoreData *> productivityApps() const override { return productivity; }
    QList<AppStoreData *> aiApps() const override { return ai; }
    QList<AppStoreData *> installedApps() const override { return installed; }
    QList<AppStoreData *> updatableApps() const override { return {}; }
    bool isLoading() const override { return false; }
    bool isInitialLoadComplete() const override { return true; }
    bool isFreshInstall() const override { return false; }
    double loadingProgress() const override { return 1.0; }
    QSet<QUuid> appsCurrentlyInstalling() const override { return {}; }
    bool showAuthPopup() const override { return false; }
    AppStoreData *appPendingAuth() const override { return nullptr; }
    void toggleInstallation(AppStoreData *) override {}
    void connectInstalledApp(AppStoreData *) override {}
    void updateApp(AppStoreData *) override {}
    void uninstallApp(AppStoreData *) override {}
    void authenticatePendingApp() override {}
    void cancelAuthentication() override {}
};

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double percentile(QList<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(std::min<qsizetype>(v.size() - 1, qsizetype(p * v.size())));
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    WidgetTimingApplication app(argc, argv);
    Log::setSink([](const QString &) {});

    static const char *words[] = {"Sheets", "Mail", "Calendar", "Notes", "Tasks", "Drive", "Chat", "Forms", "Docs", "Board"};
    StaticStoreModel model;
    const QList<AppCategory> categories = allAppCategories();
    QRandomGenerator rng(7);
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("%1 %2 %3").arg(QLatin1String(words[i % 10])).arg(QLatin1String(words[(i / 10) % 10])).arg(i);
        const AppCategory c = categories.at(int(rng.bounded(int(categories.size()))));
        auto *a = new AppStoreData(QUuid::createUuid(), QStringLiteral("app_%1").arg(i), name, QStringLiteral("Maker %1").arg(i % 50),
                                   QStringLiteral("Connects %1 with your workflow").arg(name), QString(), std::nullopt,
                                   QStringLiteral("Free"), 4.5, c, i % 40 == 0, false, QDateTime::currentDateTimeUtc(),
                                   i % 97 == 0 ? 1 : 0, std::nullopt, false, false, false, false, std::nullopt);
        a->setParent(&model);
        model.all << a;
        if (c == AppCategory::Productivity)
            model.productivity << a;
        if (c == AppCategory::ArtificialIntelligence)
            model.ai << a;
        if (a->isInstalled())
            model.installed << a;
        if (model.featured.size() < 13 && a->featuredWeight() > 0)
            model.featured << a;
    }

    AppStoreView view(&model);
    view.resize(1440, 900);
    view.show();
    settle(200);

    // Keystrokes.
    view.openSearch();
    settle(150);
    QLineEdit *edit = view.searchField()->lineEdit();
    const QStringList queries = {"s", "sh", "she", "shee", "sheet", "sheets", "sheets ", "sheets m", "sheets ma", "sheets mai",
                                 "m", "ma", "mai", "mail", "c", "ca", "cal", "x", "xy", "1", "12", "123", "maker", "maker 4"};
    QList<double> keystrokeMs;
    for (int round = 0; round < 3; ++round) {
        for (const QString &q : queries) {
            app.takeLongestNs();
            QElapsedTimer t;
            t.start();
            edit->setText(q);
            Q_EMIT edit->textEdited(q);
            double longest = t.nsecsElapsed() / 1e6;
            settle(AppStoreSearchViewModel::debounceMs + 80);
            longest = std::max(longest, app.takeLongestNs() / 1e6);
            keystrokeMs << longest;
        }
    }
    std::printf("keystroke (3,000 apps): p50 %.2f ms, p95 %.2f ms, max %.2f ms over %lld keystrokes (budget p95 16 ms)\n",
                percentile(keystrokeMs, 0.5), percentile(keystrokeMs, 0.95), percentile(keystrokeMs, 1.0),
                static_cast<long long>(keystrokeMs.size()));

    // Tab switches.
    view.searchViewModel()->clearSearch();
    settle(400);
    QList<double> tabMs;
    double worst = 0;
    QString worstName;
    for (int round = 0; round < 2; ++round) {
        for (int from = 0; from < 5; ++from) {
            for (int to = 0; to < 5; ++to) {
                if (from == to)
                    continue;
                view.selectTab(from);
                settle(60);
                QElapsedTimer t;
                t.start();
                view.selectTab(to);
                QCoreApplication::processEvents();
                view.repaint();
                const double ms = t.nsecsElapsed() / 1e6;
                tabMs << ms;
                if (ms > worst) {
                    worst = ms;
                    worstName = AppStoreView::tabs().at(from) + QStringLiteral(" -> ") + AppStoreView::tabs().at(to);
                }
            }
        }
    }
    std::printf("tab switch (3,000 apps): p50 %.2f ms, max %.2f ms (%s) over %lld switches (budget 50 ms)\n",
                percentile(tabMs, 0.5), worst, qPrintable(worstName), static_cast<long long>(tabMs.size()));
    return 0;
}
