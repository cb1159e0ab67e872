#include "FakeScheduler.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "windows/EmptyStateButton.h"
#include "windows/EmptyStateCard.h"

#include <QTest>

// The panel's empty-state card: each button records its usage event, then runs the host's action.
class EmptyStateCardTest : public QObject {
    Q_OBJECT

    RecordingAnalyticsClient m_client;

private Q_SLOTS:
    void init()
    {
        m_client.clear();
        AnalyticsService::shared().setClient(&m_client);
    }
    void cleanup() { AnalyticsService::shared().setClient(nullptr); }

    void eventBeforeCallback_data()
    {
        QTest::addColumn<bool>("addTask");
        QTest::addColumn<QString>("buttonName");
        QTest::newRow("Add Task") << true << "add_task_empty_state";
        QTest::newRow("Open Canvas") << false << "canvas_empty_state";
    }
    void eventBeforeCallback()
    {
        QFETCH(bool, addTask);
        QFETCH(QString, buttonName);
        FakeScheduler clock;
        QStringList seenAtCallback;
        int addCalls = 0, canvasCalls = 0;
        EmptyStateCard card(
            nullptr,
            [&] {
                ++addCalls;
                for (const auto &e : m_client.events())
                    seenAtCallback << e.properties.value("button_name").toString();
            },
            [&] {
                ++canvasCalls;
                for (const auto &e : m_client.events())
                    seenAtCallback << e.properties.value("button_name").toString();
            });
        card.show();
        QTest::mouseClick(addTask ? card.addTaskButton() : card.openCanvasButton(), Qt::LeftButton);

        QCOMPARE(addCalls, addTask ? 1 : 0);
        QCOMPARE(canvasCalls, addTask ? 0 : 1);
        // Exactly one event, already recorded when the action ran.
        QCOMPARE(seenAtCallback, QStringList{buttonName});
        QCOMPARE(m_client.count("button_tap"), 1);
        const QVariantMap props = m_client.lastProperties("button_tap");
        QCOMPARE(props.value("screen_name").toString(), QStringLiteral("floating_panel"));
        QCOMPARE(props.value("button_name").toString(), buttonName);
    }

    void keepsItsSizeInAnyHost()
    {
        QWidget host;
        host.resize(800, 600);
        EmptyStateCard card(nullptr, {}, {}, &host);
        host.show();
        QCOMPARE(card.size(), QSize(392, 232));
        card.resize(500, 400);
        QCOMPARE(card.size(), QSize(392, 232));
        // A tap without a host action still records its event.
        QTest::mouseClick(card.addTaskButton(), Qt::LeftButton);
        QCOMPARE(m_client.count("button_tap"), 1);
    }
};

TAVO_TEST_MAIN(EmptyStateCardTest)
#include "tst_empty_state_card.moc"
