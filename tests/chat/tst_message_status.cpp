#include "TestMain.h"

#include "widgets/LoadingCheckmark.h"
#include "chat/MessageStatusView.h"

#include <QImage>

Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(MessageType)

class TestMessageStatus : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<MessageType>("type");
        QTest::addColumn<std::optional<int>>("number");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<std::optional<QString>>("toolText");
        QTest::addColumn<std::optional<QString>>("toolIcon");
        QTest::addColumn<bool>("thinking");
        QTest::addColumn<QString>("answer"); // "-": no answer row
        QTest::addColumn<QString>("tool");   // "-": no tool row
        QTest::addColumn<bool>("ring");
        const std::optional<int> none;
        const std::optional<QString> noText;
        QTest::newRow("step while loading") << MessageType::Ai << std::optional<int>(3) << true
                                            << noText << noText << false << "Step 3" << "-" << true;
        QTest::newRow("step done") << MessageType::Ai << std::optional<int>(3) << false << noText
                                   << noText << false << "Step 3" << "-" << false;
        QTest::newRow("thinking") << MessageType::Ai << none << true << noText << noText << true
                                  << "Thinking" << "-" << true;
        QTest::newRow("thinking completed") << MessageType::Ai << std::optional<int>(2) << false
                                            << noText << noText << true << "Thinking Completed"
                                            << "-" << false;
        QTest::newRow("answer without step") << MessageType::Ai << none << true << noText << noText
                                             << false << "-" << "-" << false;
        QTest::newRow("tool running")
            << MessageType::ToolResponse << none << true
            << std::optional<QString>(QStringLiteral("Talking to Mail... 3s"))
            << std::optional<QString>(QStringLiteral("app.badge.fill")) << false << "-"
            << "Talking to Mail... 3s" << true;
        QTest::newRow("tool done")
            << MessageType::ToolResponse << none << false
            << std::optional<QString>(QStringLiteral("Completed talking to Mail"))
            << std::optional<QString>(QStringLiteral("checkmark.circle.fill")) << false << "-"
            << "Completed talking to Mail" << false;
        QTest::newRow("tool with nothing") << MessageType::ToolResponse << none << true << noText
                                           << noText << false << "-" << "" << true;
        QTest::newRow("user") << MessageType::User << std::optional<int>(1) << true << noText
                              << noText << false << "-" << "-" << false;
        QTest::newRow("html document") << MessageType::Html << std::optional<int>(1) << true
                                       << noText << noText << true << "-" << "-" << false;
    }

    void rows()
    {
        QFETCH(MessageType, type);
        QFETCH(std::optional<int>, number);
        QFETCH(bool, loading);
        QFETCH(std::optional<QString>, toolText);
        QFETCH(std::optional<QString>, toolIcon);
        QFETCH(bool, thinking);
        QFETCH(QString, answer);
        QFETCH(QString, tool);
        QFETCH(bool, ring);
        QWidget host;
        auto *view = new MessageStatusView(type, number, loading, toolText, toolIcon, thinking, &host);
        QCOMPARE(view->hasAnswerRow(), answer != QStringLiteral("-"));
        QCOMPARE(view->hasToolRow(), tool != QStringLiteral("-"));
        if (view->hasAnswerRow())
            QCOMPARE(view->answerText(), answer);
        if (view->hasToolRow()) {
            QCOMPARE(view->toolText(), tool);
            QCOMPARE(view->toolIconName(), toolIcon.value_or(QString()));
        }
        QCOMPARE(view->ringVisible(), ring);
        QCOMPARE(view->isVisibleTo(&host), view->hasAnswerRow() || view->hasToolRow());
    }

    // The thinking capsule follows the flags it is given later.
    void thinkingEnds()
    {
        QWidget host;
        auto *view = new MessageStatusView(MessageType::Ai, 1, true, {}, {}, true, &host);
        QCOMPARE(view->answerText(), QStringLiteral("Thinking"));
        view->setFields(MessageType::Ai, 1, false, {}, {}, true);
        QCOMPARE(view->answerText(), QStringLiteral("Thinking Completed"));
        QVERIFY(!view->ringVisible());
    }

    void ringSpinsOnlyWhileLoading()
    {
        QWidget host;
        host.resize(100, 100);
        auto *ring = new LoadingCheckmark(true, 0, &host);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(ring->isVisible());
        QVERIFY(ring->isSpinning());
        QCOMPARE(ring->sizeHint(), QSize(28, 28));
        QImage shown = ring->grab().toImage();
        bool painted = false;
        for (int y = 0; y < shown.height() && !painted; ++y)
            for (int x = 0; x < shown.width() && !painted; ++x)
                painted = qAlpha(shown.pixel(x, y)) > 0;
        QVERIFY(painted);
        const qreal before = ring->rotation();
        QTRY_VERIFY(ring->rotation() != before);

        ring->setLoading(false);
        QVERIFY(!ring->isVisible());
        QVERIFY(!ring->isSpinning());
        ring->setLoading(true);
        QVERIFY(ring->isVisible());
        QVERIFY(ring->isSpinning());
    }
};

TAVO_TEST_MAIN(TestMessageStatus)
#include "tst_message_status.moc"
