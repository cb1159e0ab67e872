#include "FakeScheduler.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "onboarding/OnboardingViewModel.h"
#include "analytics/AnalyticsService.h"
#include "widgets/WindowUtils.h"

#include <QWidget>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
}

// The onboarding form's rules, step moves and usage events, in virtual time.
class OnboardingViewModelTest : public QObject {
    Q_OBJECT
    RecordingAnalyticsClient m_analytics;
    FakeScheduler *m_clock = nullptr;

    // "event(step)" for each captured event, step_number when the event has one.
    QStringList trail() const
    {
        QStringList out;
        for (const auto &e : m_analytics.events()) {
            const QVariant step = e.properties.value(S("step_number"));
            out << (step.isValid() ? e.event + u'(' + QString::number(step.toInt()) + u')' : e.event);
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase() { AnalyticsService::shared().setClient(&m_analytics); }
    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }
    void init()
    {
        m_clock = new FakeScheduler;
        m_analytics.clear();
    }
    void cleanup()
    {
        WindowUtils::setTerminator({});
        delete m_clock;
    }

    void emailPattern_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << S("ada@example.com") << true;
        QTest::newRow("blanks and newline around") << S("  ada@example.com\n") << true;
        QTest::newRow("periods and signs before the at") << S("a.d+a_%-1@mail.example.co") << true;
        QTest::newRow("final label of 1 letter") << S("ada@example.c") << false;
        QTest::newRow("final label of 2 letters") << S("ada@example.io") << true;
        QTest::newRow("final label of 64 letters") << S("ada@example.") + QString(64, u'a') << true;
        QTest::newRow("final label of 65 letters") << S("ada@example.") + QString(65, u'a') << false;
        QTest::newRow("digit in the final label") << S("ada@example.c0m") << false;
        QTest::newRow("no period after the at") << S("ada@localhost") << false;
        QTest::newRow("no at") << S("ada.example.com") << false;
        QTest::newRow("two ats") << S("ada@b@example.com") << false;
        QTest::newRow("blank inside") << S("ada lovelace@example.com") << false;
        QTest::newRow("text after a valid address") << S("ada@example.com x") << false;
        QTest::newRow("non-ASCII letter") << S("adä@example.com") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void emailPattern()
    {
        QFETCH(QString, email);
        QFETCH(bool, valid);
        QCOMPARE(OnboardingViewModel::isValidEmail(email), valid);
        OnboardingViewModel model(S("ada@example.com"));
        model.setEmail(email);
        model.setFirstName(S("Ada"));
        model.setLastName(S("Lovelace"));
        QCOMPARE(model.isPersonalInfoValid(), valid);
        QCOMPARE(model.user().email, email); // what was typed stays
    }

    void stepMessages_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("message");
        QTest::newRow("all empty") << QString() << QString() << QString() << S("Email is required");
        QTest::newRow("blank e-mail") << S(" \t\n") << S("Ada") << S("L") << S("Email is required");
        QTest::newRow("bad e-mail, empty names") << S("ada@") << QString() << QString()
                                                 << S("Please enter a valid email address");
        QTest::newRow("blank first name") << S("ada@example.com") << S("   ") << S("L") << S("First name is required");
        QTest::newRow("blank last name") << S("ada@example.com") << S("Ada") << S(" \n") << S("Last name is required");
        QTest::newRow("valid") << S("ada@example.com") << S(" Ada") << S("L ") << QString();
    }
    void stepMessages()
    {
        QFETCH(QString, email);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, message);
        OnboardingViewModel model(email);
        model.setFirstName(first);
        model.setLastName(last);
        QCOMPARE(model.personalInfoValidationError().value_or(QString()), message);
        QCOMPARE(model.isPersonalInfoValid(), message.isEmpty());
    }

    void professionalRule_data()
    {
        QTest::addColumn<std::optional<QString>>("company");
        QTest::addColumn<std::optional<QString>>("other");
        QTest::addColumn<bool>("valid");
        const std::optional<QString> none;
        QTest::newRow("absent") << none << std::optional<QString>(S("in/ada")) << false;
        QTest::newRow("blanks") << std::optional<QString>(S("  \n")) << std::optional<QString>(S("@ada")) << false;
        QTest::newRow("set, others absent") << std::optional<QString>(S("Engines")) << none << true;
        QTest::newRow("set, others blank") << std::optional<QString>(S(" Engines ")) << std::optional<QString>(S(" "))
                                           << true;
    }
    void professionalRule()
    {
        QFETCH(std::optional<QString>, company);
        QFETCH(std::optional<QString>, other);
        QFETCH(bool, valid);
        OnboardingViewModel model(S("ada@example.com"));
        model.setCompany(company);
        model.setLinkedin(other);
        model.setXHandle(other);
        QCOMPARE(model.isProfessionalInfoValid(), valid);
        QCOMPARE(model.professionalInfoValidationError().value_or(QString()),
                 valid ? QString() : S("Company name is required"));
    }

    // The Email field is read-only only for a sign-in e-mail that passes the rules: one that
    // fails them must stay editable, or the form could never be finished.
    void signInEmail_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<bool>("fromAuth");
        QTest::newRow("valid") << S("ada@example.com") << true;
        QTest::newRow("valid with blanks around") << S(" ada@example.com\n") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("only blanks") << S("   ") << false;
        QTest::newRow("fails the pattern") << S("ada@localhost") << false;
    }
    void signInEmail()
    {
        QFETCH(QString, email);
        QFETCH(bool, fromAuth);
        OnboardingViewModel model(email);
        QCOMPARE(model.isEmailFromAuth(), fromAuth);
        QCOMPARE(model.user(), (User{email, {}, {}, {}, {}, {}}));
        QCOMPARE(model.currentStep(), 1);
        QCOMPARE(trail(), (QStringList{S("onboarding_started"), S("onboarding_step_entered(1)")}));
        for (const auto &e : m_analytics.events()) // unchanged, also when empty
            QCOMPARE(e.properties.value(S("user_email")), QVariant(email));

        if (!fromAuth) { // a corrected address finishes the step
            model.setEmail(S("ada@example.com"));
            model.setFirstName(S("Ada"));
            model.setLastName(S("Lovelace"));
            QVERIFY(model.isPersonalInfoValid());
        }
    }

    void stepsAreTimedAndReported()
    {
        OnboardingViewModel model(S("ada@example.com"));
        QList<int> steps;
        connect(&model, &OnboardingViewModel::currentStepChanged, this, [&](int s) { steps << s; });
        m_analytics.clear();

        m_clock->advance(12500);
        model.nextStep();
        QCOMPARE(model.currentStep(), 2);
        QCOMPARE(model.stepName(), S("professional_info"));
        QCOMPARE(trail(), (QStringList{S("onboarding_step_completed(1)"), S("onboarding_step_entered(2)")}));
        QCOMPARE(m_analytics.lastProperties(S("onboarding_step_completed")).value(S("duration_seconds")).toDouble(), 12.5);
        QCOMPARE(m_analytics.lastProperties(S("onboarding_step_entered")).value(S("step_name")).toString(),
                 S("professional_info"));

        // Back: no duration for the step left; step 1 is timed again from its re-entry.
        m_clock->advance(4000);
        m_analytics.clear();
        model.previousStep();
        QCOMPARE(trail(), (QStringList{S("onboarding_step_back(2)"), S("onboarding_step_entered(1)")}));
        QVERIFY(!m_analytics.lastProperties(S("onboarding_step_back")).contains(S("duration_seconds")));
        m_clock->advance(3000);
        model.nextStep();
        QCOMPARE(m_analytics.lastProperties(S("onboarding_step_completed")).value(S("duration_seconds")).toDouble(), 3.0);

        // Leaving step 2 ends the onboarding and starts the tutorial.
        m_clock->advance(2000);
        m_analytics.clear();
        model.nextStep();
        QCOMPARE(trail(), (QStringList{S("onboarding_step_completed(2)"), S("tutorial_step_entered(3)"),
                                       S("onboarding_completed"), S("tutorial_started")}));
        QCOMPARE(m_analytics.lastProperties(S("tutorial_step_entered")).value(S("step_name")).toString(), S("tutorial_1"));
        const QVariantMap done = m_analytics.lastProperties(S("onboarding_completed"));
        QCOMPARE(done.value(S("total_steps")).toInt(), 2);
        QCOMPARE(done.value(S("total_duration_seconds")).toDouble(), 21.5);

        // The tutorial counts as completed on entering step 9.
        for (int step = 3; step < 8; ++step) {
            m_clock->advance(1000);
            model.nextStep();
        }
        m_clock->advance(1000);
        m_analytics.clear();
        model.nextStep();
        QCOMPARE(model.currentStep(), 9);
        QCOMPARE(trail(), (QStringList{S("tutorial_step_completed(8)"), S("tutorial_step_entered(9)"),
                                       S("tutorial_completed")}));
        QCOMPARE(m_analytics.lastProperties(S("tutorial_step_entered")).value(S("step_name")).toString(), S("tutorial_7"));
        QCOMPARE(m_analytics.lastProperties(S("tutorial_completed")).value(S("total_steps")).toInt(), 7);
        QCOMPARE(m_analytics.lastProperties(S("tutorial_completed")).value(S("total_duration_seconds")).toDouble(), 6.0);

        m_analytics.clear();
        model.nextStep();
        QCOMPARE(model.stepName(), S("unknown"));
        QCOMPARE(trail(), (QStringList{S("tutorial_step_completed(9)"), S("tutorial_step_entered(10)")}));
        QCOMPARE(steps, (QList<int>{2, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        for (const auto &e : m_analytics.events())
            QCOMPARE(e.properties.value(S("user_email")).toString(), S("ada@example.com"));
    }

    void backFromTheFirstStep()
    {
        OnboardingViewModel model(S("ada@example.com"));
        m_analytics.clear();
        model.previousStep();
        QCOMPARE(model.currentStep(), 0);
        QCOMPARE(model.stepName(), S("unknown"));
        QCOMPARE(trail(), (QStringList{S("onboarding_step_back(1)"), S("onboarding_step_entered(0)")}));
    }

    void validationErrorsOnFormStepsOnly()
    {
        OnboardingViewModel model(S(" ada@example.com"));
        m_analytics.clear();
        model.trackValidationError(S("First name is required"));
        const QVariantMap report = m_analytics.lastProperties(S("onboarding_step_validation_error"));
        QCOMPARE(report.value(S("step_number")).toInt(), 1);
        QCOMPARE(report.value(S("step_name")).toString(), S("personal_info"));
        QCOMPARE(report.value(S("error_message")).toString(), S("First name is required"));
        QCOMPARE(report.value(S("user_email")).toString(), S(" ada@example.com"));

        model.nextStep();
        model.nextStep();
        m_analytics.clear();
        model.trackValidationError(S("anything"));
        QVERIFY(m_analytics.events().isEmpty());
    }

    void quitReportsAndEndsTheApplication_data()
    {
        QTest::addColumn<int>("forward");
        QTest::addColumn<QString>("event");
        QTest::addColumn<double>("duration");
        QTest::newRow("step 1") << 0 << S("onboarding_abandoned") << 30.0;
        QTest::newRow("step 2") << 1 << S("onboarding_abandoned") << 30.0;
        QTest::newRow("tutorial step 4") << 3 << S("tutorial_abandoned") << 10.0;
    }
    void quitReportsAndEndsTheApplication()
    {
        QFETCH(int, forward);
        QFETCH(QString, event);
        QFETCH(double, duration);
        QWidget window;
        window.setWindowTitle(S("Tavo Orlune"));
        window.show();
        int quits = 0;
        WindowUtils::setTerminator([&] { ++quits; });

        OnboardingViewModel model(S("ada@example.com"));
        for (int i = 0; i < forward; ++i) {
            m_clock->advance(10000);
            model.nextStep();
        }
        m_clock->advance(30000 - 10000 * forward);
        m_analytics.clear();
        model.quitOnboarding();
        QCOMPARE(m_analytics.eventNames(), QStringList{event});
        const QVariantMap report = m_analytics.lastProperties(event);
        QCOMPARE(report.value(S("abandoned_at_step")).toInt(), model.currentStep());
        QCOMPARE(report.value(S("abandoned_at_step_name")).toString(), model.stepName());
        QCOMPARE(report.value(S("total_duration_seconds")).toDouble(), duration);
        QVERIFY(!window.isVisible());
        m_clock->advance(299);
        QCOMPARE(quits, 0);
        m_clock->advance(1);
        QCOMPARE(quits, 1);
    }
};

TAVO_TEST_MAIN(OnboardingViewModelTest)
#include "tst_onboardingviewmodel.moc"
