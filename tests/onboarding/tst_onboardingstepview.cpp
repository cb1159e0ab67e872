#include "StandinHttpServer.h"
#include "TestMain.h"
#include "onboarding/OnboardingStepView.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QPointer>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray png()
{
    QImage image(12, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
}

// The card frame of an onboarding step: its controls by the step's flags, Return, and the
// profile picture download.
class OnboardingStepViewTest : public QObject {
    Q_OBJECT
    StandinHttpServer *m_server = nullptr;

    QString address(QString pattern) const { return pattern.replace(S("%1"), m_server->baseUrl().toString()); }

private Q_SLOTS:
    void init()
    {
        m_server = new StandinHttpServer(this);
        QVERIFY(m_server->start());
        m_server->on("GET", S("/pic.png"), StandinHttpServer::Reply{200, png(), "image/png", {}, 0, false});
        m_server->on("GET", S("/text"), StandinHttpServer::Reply{200, "not an image", "text/plain", {}, 0, false});
        m_server->on("GET", S("/missing.png"), StandinHttpServer::Reply{404, png(), "image/png", {}, 0, false});
        m_server->on("GET", S("/slow.png"), StandinHttpServer::Reply{200, png(), "image/png", {}, 400, false});
    }
    void cleanup() { delete m_server; }

    void profilePicture_data()
    {
        QTest::addColumn<std::optional<QString>>("address");
        QTest::addColumn<bool>("fetched");
        QTest::addColumn<bool>("pictured");
        const auto some = [](const char *t) { return std::optional<QString>(S(t)); };
        QTest::newRow("absent") << std::optional<QString>() << false << false;
        QTest::newRow("empty") << some("") << false << false;
        QTest::newRow("not an address") << some("just words") << false << false;
        QTest::newRow("not http") << some("file:///etc/passwd") << false << false;
        QTest::newRow("a picture") << some("%1/pic.png") << true << true;
        QTest::newRow("not an image") << some("%1/text") << true << false;
        QTest::newRow("error status") << some("%1/missing.png") << true << false;
        QTest::newRow("nobody listening") << some("http://127.0.0.1:1/pic.png") << false << false;
    }
    void profilePicture()
    {
        QFETCH(std::optional<QString>, address);
        QFETCH(bool, fetched);
        QFETCH(bool, pictured);
        if (address)
            address = this->address(*address);
        const bool attempted = OnboardingStepView::pictureUrl(address).has_value();
        OnboardingStepView frame({S("Personal Information"), {}, {}, {}, true, false, true, false, address}, new QWidget);
        frame.show();
        auto *mark = frame.findChild<QWidget *>(S("loadingMark"));
        QVERIFY(frame.findChild<QWidget *>(S("profilePicture")));
        QCOMPARE(frame.isImageLoading(), attempted);
        QCOMPARE(mark && mark->isVisible(), attempted);
        QTRY_VERIFY(!frame.isImageLoading());
        QVERIFY(!mark || !mark->isVisible());
        QCOMPARE(!frame.cachedImage().isNull(), pictured);
        if (pictured)
            QCOMPARE(frame.cachedImage().size(), QSize(12, 8));
        QCOMPARE(m_server->requests().size(), fetched ? 1 : 0);

        // Shown again, it downloads again and keeps what it has meanwhile.
        frame.hide();
        frame.show();
        QCOMPARE(frame.isImageLoading(), attempted);
        QCOMPARE(!frame.cachedImage().isNull(), pictured);
        QTRY_VERIFY(!frame.isImageLoading());
        QCOMPARE(m_server->requests().size(), fetched ? 2 : 0);
    }

    void frameGoneBeforeThePictureArrives()
    {
        auto *frame = new OnboardingStepView({S("t"), {}, {}, {}, true, false, true, false, address(S("%1/slow.png"))},
                                             new QWidget);
        frame->show();
        QTRY_COMPARE(m_server->requests().size(), 1);
        delete frame;
        QTest::qWait(600); // the answer arrives with nobody to take it
    }

    void tutorialFrameHasNoPicture()
    {
        OnboardingStepView frame({S("t"), {}, {}, {}, false, false, true, true, address(S("%1/pic.png"))}, new QWidget);
        frame.show();
        QVERIFY(!frame.findChild<QWidget *>(S("profilePicture")));
        QVERIFY(!frame.isImageLoading());
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void controls_data()
    {
        QTest::addColumn<bool>("firstStep");
        QTest::addColumn<bool>("lastStep");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("callbacks");
        QTest::newRow("first step") << true << false << true << true;
        QTest::newRow("last step") << false << true << true << true;
        QTest::newRow("Next disabled") << false << false << false << true;
        QTest::newRow("no Back or Close action") << false << false << true << false;
    }
    void controls()
    {
        QFETCH(bool, firstStep);
        QFETCH(bool, lastStep);
        QFETCH(bool, enabled);
        QFETCH(bool, callbacks);
        int next = 0, back = 0, close = 0;
        auto *content = new QLineEdit;
        OnboardingStepView frame({S("Personal Information"), [&] { ++next; }, callbacks ? std::function<void()>([&] { ++back; }) : nullptr,
                                  callbacks ? std::function<void()>([&] { ++close; }) : nullptr, firstStep, lastStep, enabled,
                                  false, std::nullopt},
                                 content);
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        content->setFocus();

        auto *nextButton = frame.findChild<QAbstractButton *>(S("nextButton"));
        QCOMPARE(nextButton->text(), lastStep ? S("Finish") : S("Next"));
        QCOMPARE(nextButton->size(), QSize(296, 48));
        QTest::mouseClick(nextButton, Qt::LeftButton);
        QTest::keyClick(content, Qt::Key_Return);
        QTest::keyClick(content, Qt::Key_Enter, Qt::KeypadModifier); // the keypad's Enter is not Return
        QCOMPARE(next, enabled ? 2 : 0);

        frame.setNextEnabled(!enabled); // follows the form
        QTest::keyClick(content, Qt::Key_Return);
        QCOMPARE(next, enabled ? 2 : 1);

        auto *backButton = frame.findChild<QAbstractButton *>(S("backButton"));
        QCOMPARE(backButton != nullptr, !firstStep);
        if (backButton)
            QTest::mouseClick(backButton, Qt::LeftButton);
        QTest::mouseClick(frame.findChild<QAbstractButton *>(S("closeButton")), Qt::LeftButton);
        QCOMPARE(back, callbacks && !firstStep ? 1 : 0);
        QCOMPARE(close, callbacks ? 1 : 0);
    }
};

TAVO_TEST_MAIN(OnboardingStepViewTest)
#include "tst_onboardingstepview.moc"
