// The profile overlay's card and rows: which content shows, the name and placeholder rules,
// Logout's order, Retry, and the card filled from the account API stand-in.
#include "AccountApiStandin.h"
#include "TestMain.h"
#include "Controller/session/AccessTokenProvider.h"
#include "account/ProfileService.h"
#include "account/ProfileViewModel.h"
#include "onboarding/EmptyProfileView.h"
#include "onboarding/ProfileDisplayField.h"
#include "onboarding/ProfileErrorView.h"
#include "onboarding/ProfileFieldsView.h"
#include "onboarding/ProfileOverlayView.h"
#include "onboarding/ProfilePillButton.h"
#include "onboarding/ProfileStepView.h"

#include <QAbstractButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>

namespace {
using Content = ProfileStepView::Content;
using Endpoint = AccountApiStandin::Endpoint;

QByteArray profileBody(const QString &first, const QString &last, const QString &company)
{
    QJsonObject o{{"id", "u-1"}, {"is_active", true}, {"first_name", first}, {"last_name", last}, {"email", "ada@example.test"},
                  {"linkedin", QJsonValue::Null}, {"twitter", "@ada"}, {"company_name", company}};
    return QJsonDocument(o).toJson();
}

// The account API stand-in with a signed-in token source and a profile service over both.
struct Api {
    AccountApiStandin standin;
    FunctionTokenProvider tokens{[](QObject *, AccessTokenProvider::Callback done) { done(QStringLiteral("token-1")); }};
    std::unique_ptr<ProfileService> profiles;
    bool start()
    {
        if (!standin.start())
            return false;
        profiles = std::make_unique<ProfileService>(standin.baseUrl(), &tokens, false);
        return true;
    }
};

QStringList rowTexts(QWidget *content)
{
    QStringList out;
    if (auto *fields = qobject_cast<ProfileFieldsView *>(content)) {
        for (ProfileDisplayField *row : fields->rows())
            out << row->label() + "=" + row->shownText();
    }
    return out;
}
}

class ProfileOverlayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contentPriority_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("profile");
        QTest::addColumn<int>("content");
        QTest::newRow("loading wins over an error and a profile") << true << true << true << int(Content::loading);
        QTest::newRow("loading alone") << true << false << false << int(Content::loading);
        QTest::newRow("an error wins over a profile") << false << true << true << int(Content::error);
        QTest::newRow("a profile") << false << false << true << int(Content::fields);
        QTest::newRow("nothing") << false << false << false << int(Content::empty);
    }
    void contentPriority()
    {
        QFETCH(bool, loading);
        QFETCH(bool, error);
        QFETCH(bool, profile);
        QFETCH(int, content);
        QCOMPARE(int(ProfileStepView::contentFor(loading, error, profile)), content);
    }

    void fullName_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both") << "Ada" << "Lovelace" << "Ada Lovelace";
        QTest::newRow("blanks around the first, no last") << "  Ada \n" << "" << "Ada";
        QTest::newRow("only the last") << "" << " Lovelace" << "Lovelace";
        QTest::newRow("both blank") << "  " << "\t" << "";
    }
    void fullName()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, expected);
        UserProfile profile;
        profile.firstName = first;
        profile.lastName = last;
        QCOMPARE(ProfileFieldsView::fullName(profile), expected);
    }

    void rowsShowPlaceholders()
    {
        UserProfile profile;
        profile.firstName = QStringLiteral("  ");
        profile.email = QString();
        profile.companyName = QStringLiteral("   ");
        profile.twitter = QString();
        ProfileFieldsView fields(profile, true);
        QCOMPARE(rowTexts(&fields), (QStringList{"Name=Not specified", "Email=Not specified", "Company=   ",
                                                 "LinkedIn=Not specified", "Twitter/X=Not specified"}));
        QVERIFY(fields.rows()[0]->showsPlaceholder());
        QVERIFY(!fields.rows()[2]->showsPlaceholder()); // blanks are a value
        QCOMPARE(fields.rows()[0]->size(), ProfileDisplayField::rowSize);
        // Placeholder text at half strength.
        const QColor placeholder = fields.rows()[0]->valueLabel()->palette().color(QPalette::WindowText);
        const QColor value = fields.rows()[2]->valueLabel()->palette().color(QPalette::WindowText);
        QCOMPARE(qRound(placeholder.alphaF() * 100), qRound(value.alphaF() * 50));
        QCOMPARE((QList<double>{fields.rows()[0]->animationDelay(), fields.rows()[1]->animationDelay()}), (QList<double>{0.5, 0.4}));
    }

    // Logout closes the overlay before the sign-out starts, whatever state the card is in.
    void logoutClosesFirstThenSignsOut()
    {
        QStringList order;
        ProfileOverlayView::Services services;
        services.signOut = [&order] { order << "signOut"; };
        ProfileOverlayView overlay([&order] { order << "dismiss"; }, services);
        overlay.resize(800, 900);
        overlay.show();
        QTest::mouseClick(overlay.card()->logoutButton(), Qt::LeftButton);
        QCOMPARE(order, (QStringList{"dismiss", "signOut"}));
        QTest::mouseClick(overlay.card()->closeButton(), Qt::LeftButton);
        QCOMPARE(order.last(), QStringLiteral("dismiss"));
    }

    // Without a signed-in identity the load fails with the service's own text; Retry loads
    // again; against the stand-in the rows then show what it returns.
    void errorRetryAndTheProfileFromTheApi()
    {
        Api api;
        QVERIFY(api.start());
        api.standin.setReply(Endpoint::GetProfile, 404, "{}");
        int dismissals = 0;
        ProfileOverlayView::Services services;
        services.profiles = api.profiles.get();
        ProfileOverlayView overlay([&dismissals] { ++dismissals; }, services);
        overlay.resize(800, 900);
        QCOMPARE(overlay.card()->content(), Content::empty);
        overlay.show();
        QVERIFY(overlay.hasKeyMonitor());
        QTRY_VERIFY(overlay.showCard());
        QVERIFY(overlay.showContent());
        QTRY_COMPARE(overlay.card()->content(), Content::error);
        auto *error = qobject_cast<ProfileErrorView *>(overlay.card()->contentView());
        QVERIFY(error);
        QCOMPARE(error->message(), QStringLiteral("Profile not found"));

        api.standin.setReply(Endpoint::GetProfile, 200, profileBody(QStringLiteral(" Ada "), QStringLiteral("Lovelace"), QString()));
        QTest::mouseClick(error->retryButton(), Qt::LeftButton);
        QTRY_COMPARE(overlay.card()->content(), Content::fields);
        QCOMPARE(api.standin.count(Endpoint::GetProfile), 2);
        QCOMPARE(rowTexts(overlay.card()->contentView()),
                 (QStringList{"Name=Ada Lovelace", "Email=ada@example.test", "Company=Not specified", "LinkedIn=Not specified",
                              "Twitter/X=@ada"}));
        QCOMPARE(dismissals, 0);
    }

    // A fresh cached profile shows before any request; Escape closes (consumed) and a second
    // Escape only asks again; a click beside the card closes one turn later.
    void escapeAndBackdrop()
    {
        Api api;
        QVERIFY(api.start());
        api.standin.setReply(Endpoint::GetProfile, 200, profileBody(QStringLiteral("Ada"), QString(), QStringLiteral("Engines")));
        bool loaded = false;
        api.profiles->fetchProfile(false, this, [&loaded](const ProfileResult &) { loaded = true; });
        QTRY_VERIFY(loaded);
        int dismissals = 0;
        ProfileOverlayView::Services services;
        services.profiles = api.profiles.get();
        QWidget window;
        window.resize(800, 900);
        auto *overlay = new ProfileOverlayView([&dismissals] { ++dismissals; }, services, &window);
        overlay->resize(window.size());
        window.show();
        QTRY_VERIFY(overlay->showCard());
        QVERIFY(overlay->profileViewModel()->userProfile());
        QTRY_COMPARE(overlay->card()->content(), Content::fields);
        QCOMPARE(api.standin.count(Endpoint::GetProfile), 1); // the cache answered

        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape, Qt::ShiftModifier);
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        QCOMPARE(dismissals, 2);
        QTest::mouseClick(overlay, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(dismissals, 2); // not inside the click
        QTRY_COMPARE(dismissals, 3);
        QTest::mouseClick(overlay->card()->card(), Qt::LeftButton, {}, QPoint(40, 40));
        QCoreApplication::processEvents();
        QCOMPARE(dismissals, 3);
        overlay->hide();
        QVERIFY(!overlay->hasKeyMonitor());
    }
};

TAVO_TEST_MAIN(ProfileOverlayTest)
#include "tst_profileoverlay.moc"
