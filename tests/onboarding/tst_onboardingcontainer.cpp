#include "SignInStandins.h"
#include "BrowserHook.h"
#include "FakeScheduler.h"
#include "Platform/Identity/HostedLoginClient.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"
#include "onboarding/IconTextField.h"
#include "onboarding/OnboardingContainerView.h"
#include "onboarding/OnboardingStepView.h"
#include "onboarding/OnboardingViewModel.h"
#include "onboarding/PersonalInfoStepView.h"
#include "onboarding/ProfessionalInfoStepView.h"
#include "analytics/AnalyticsService.h"
#include "widgets/WindowUtils.h"

#include <QAbstractButton>
#include <QLineEdit>

using Endpoint = AccountApiStandin::Endpoint;

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
// The account API's answer to an accepted profile.
const QByteArray kAccepted = R"({"id": "u", "email": "server@example.com", "first_name": "Ada", "last_name": "L",)"
                             R"( "company_name": "Engines", "linkedin": "", "twitter": null, "is_active": true})";
}

// The onboarding form on the real sign-in services, against the identity-service and account
// API stand-ins: both steps, their wiring, and the completion of the profile.
class OnboardingContainerTest : public QObject {
    Q_OBJECT
    SignInStandins m_s;
    Auth0Manager *m_auth = nullptr;
    AuthenticationManager *m_manager = nullptr;
    RecordingAnalyticsClient m_analytics;

    // Signs in a user whose account still needs onboarding.
    void signIn(const QString &email)
    {
        m_s.idp->claims.insert(S("email"), email);
        m_s.idp->claims.insert(S("picture"), m_s.api->baseUrl() + S("/picture.png"));
        m_s.api->setReply(Endpoint::CreateAuthUser, 200, R"({"id": "u", "email": "server@example.com", "is_active": false})");
        m_auth = new Auth0Manager(m_s.client, m_s.store, QString(), this);
        m_manager = new AuthenticationManager(m_auth, m_s.remote, this);
        QTRY_VERIFY(!m_manager->isInitializing());
        m_auth->loginWithGoogle();
        QTRY_COMPARE(m_manager->authStatus(), AuthenticationStatus::needsOnboarding);
        m_analytics.clear();
    }
    static void type(IconTextField *field, const QString &text)
    {
        field->lineEdit()->setFocus();
        field->lineEdit()->selectAll();
        QTest::keyClicks(field->lineEdit(), text);
        if (text.isEmpty())
            QTest::keyClick(field->lineEdit(), Qt::Key_Backspace);
    }
    static void clickNext(QWidget *step)
    {
        QTest::mouseClick(step->findChild<QAbstractButton *>(S("nextButton")), Qt::LeftButton);
    }
    template <typename T>
    static T *stepOf(OnboardingContainerView &container)
    {
        return qobject_cast<T *>(container.currentStepView());
    }
    // Fills step 1 and moves on to step 2.
    ProfessionalInfoStepView *toStepTwo(OnboardingContainerView &container)
    {
        auto *personal = stepOf<PersonalInfoStepView>(container);
        type(personal->firstNameField(), S("Ada"));
        type(personal->lastNameField(), S("Lovelace"));
        clickNext(personal);
        QCoreApplication::processEvents();
        return stepOf<ProfessionalInfoStepView>(container);
    }

private Q_SLOTS:
    void initTestCase() { AnalyticsService::shared().setClient(&m_analytics); }
    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }
    void init()
    {
        QVERIFY(m_s.start(this));
        m_analytics.clear();
    }
    void cleanup()
    {
        WindowUtils::setTerminator({});
        delete m_manager;
        delete m_auth;
        m_s.stop();
        m_manager = nullptr;
        m_auth = nullptr;
    }

    void walkThroughBothStepsToCompleted()
    {
        signIn(S("ada@example.com"));
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        container.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&container));

        auto *personal = stepOf<PersonalInfoStepView>(container);
        QVERIFY(personal);
        QCOMPARE(personal->emailField()->text(), S("ada@example.com"));
        QVERIFY(personal->emailField()->isReadOnly());
        QTRY_VERIFY(personal->firstNameField()->isFocused());
        QVERIFY(!personal->frame()->isNextEnabled());
        type(personal->firstNameField(), S("Ada"));
        type(personal->lastNameField(), S("   "));
        QVERIFY(!personal->frame()->isNextEnabled());
        type(personal->lastNameField(), S("Lovelace"));
        QVERIFY(personal->frame()->isNextEnabled());
        clickNext(personal);
        QCOMPARE(container.viewModel()->currentStep(), 2);

        auto *professional = stepOf<ProfessionalInfoStepView>(container);
        QVERIFY(professional);
        QTRY_VERIFY(professional->companyField()->isFocused());
        QVERIFY(!professional->frame()->isNextEnabled());
        type(professional->companyField(), S("Analytical Engines"));
        type(professional->linkedinField(), S("in/ada"));
        type(professional->linkedinField(), QString()); // cleared: absent, sent as the empty text
        type(professional->xField(), S("@ada"));
        QCOMPARE(container.viewModel()->user().linkedin, std::nullopt);
        QVERIFY(professional->frame()->isNextEnabled());

        QList<AuthenticationStatus> statuses;
        connect(m_manager, &AuthenticationManager::authStatusChanged, this, [&](AuthenticationStatus s) { statuses << s; });
        QTest::keyClick(professional->xField()->lineEdit(), Qt::Key_Return);
        QVERIFY(professional->isCompleting());
        QVERIFY(!professional->frame()->isNextEnabled());
        QTRY_COMPARE(statuses, QList<AuthenticationStatus>{AuthenticationStatus::completed});
        QCOMPARE(m_s.api->count(Endpoint::CreateProfile), 1);
        const QJsonObject body = m_s.api->lastBody(Endpoint::CreateProfile);
        QCOMPARE(body.value(S("first_name")).toString(), S("Ada"));
        QCOMPARE(body.value(S("last_name")).toString(), S("Lovelace"));
        QCOMPARE(body.value(S("company_name")).toString(), S("Analytical Engines"));
        QCOMPARE(body.value(S("linkedin")).toString(), QString());
        QCOMPARE(body.value(S("twitter")).toString(), S("@ada"));
        QCOMPARE(body.value(S("email")).toString(), S("server@example.com")); // the account's, not the form's
        QCOMPARE(container.viewModel()->currentStep(), 2);
        QVERIFY(professional->errorLines().isEmpty());
        QVERIFY(!professional->isCompleting());
        // The container ends the onboarding without moving the view model on.
        QCOMPARE(m_analytics.count(S("onboarding_completed")), 0);
        QCOMPARE(m_analytics.count(S("onboarding_step_completed")), 1);
    }

    void failedCompletionShowsItsText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("401") << 401 << S("Authentication failed. Please try logging in again.");
        QTest::newRow("403") << 403 << S("Authentication failed. Please try logging in again.");
        QTest::newRow("500") << 500 << S("Server error: Server returned status code 500");
        QTest::newRow("409 carries no detail here") << 409 << S("Server error: Server returned status code 409");
        QTest::newRow("no network") << 0 << S("Network error: ");
    }
    void failedCompletionShowsItsText()
    {
        QFETCH(int, status);
        QFETCH(QString, text);
        signIn(S("ada@example.com"));
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        auto *professional = toStepTwo(container);
        QVERIFY(professional);
        type(professional->companyField(), S("Engines"));
        if (status)
            m_s.api->setReply(Endpoint::CreateProfile, status, R"({"detail": "<b>taken</b>"})");
        else
            delete std::exchange(m_s.api, nullptr); // nobody answers any more
        m_analytics.clear();
        clickNext(professional);
        QTRY_VERIFY(!professional->isCompleting());
        QCOMPARE(m_manager->authStatus(), AuthenticationStatus::needsOnboarding);
        QCOMPARE(professional->errorLines().size(), 1);
        QVERIFY2(professional->errorLines().first().startsWith(text), qPrintable(professional->errorLines().first()));
        QVERIFY(professional->frame()->isNextEnabled()); // the user may try again
        const QVariantMap report = m_analytics.lastProperties(S("onboarding_step_validation_error"));
        QCOMPARE(report.value(S("error_message")).toString(), professional->errorLines().first());
        QCOMPARE(report.value(S("step_number")).toInt(), 2);

        // Emptying the company puts its rule above the failure; a valid Next clears both.
        type(professional->companyField(), QString());
        QCOMPARE(professional->errorLines(), (QStringList{S("Company name is required"), professional->errorMessage().value()}));
        type(professional->companyField(), S("Engines"));
        if (!status)
            return;
        m_s.api->setReply(Endpoint::CreateProfile, 200, kAccepted);
        clickNext(professional);
        QVERIFY(professional->errorLines().isEmpty());
        QTRY_COMPARE(m_manager->authStatus(), AuthenticationStatus::completed);
    }

    // Back while the profile is on its way: step 1 returns, and the accepted profile still
    // ends the onboarding; a refused one is still reported.
    void completionSurvivesBack_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("accepted") << 200;
        QTest::newRow("refused") << 500;
    }
    void completionSurvivesBack()
    {
        QFETCH(int, status);
        signIn(S("ada@example.com"));
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        QPointer<ProfessionalInfoStepView> professional = toStepTwo(container);
        type(professional->companyField(), S("Engines"));
        m_s.api->setReply(Endpoint::CreateProfile, status, kAccepted, 400);
        clickNext(professional);
        QTest::mouseClick(professional->findChild<QAbstractButton *>(S("backButton")), Qt::LeftButton);
        QCOMPARE(container.viewModel()->currentStep(), 1);
        QTRY_VERIFY(!professional);
        auto *personal = stepOf<PersonalInfoStepView>(container);
        QVERIFY(personal);
        QCOMPARE(personal->firstNameField()->text(), S("Ada")); // values kept, no error line
        QVERIFY(personal->errorLine().isEmpty());
        m_analytics.clear();

        QTRY_COMPARE(m_s.api->count(Endpoint::CreateProfile), 1);
        if (status == 200) {
            QTRY_COMPARE(m_manager->authStatus(), AuthenticationStatus::completed);
        } else {
            QTRY_COMPARE(m_analytics.count(S("onboarding_step_validation_error")), 1);
            QCOMPARE(m_manager->authStatus(), AuthenticationStatus::needsOnboarding);
            QCOMPARE(m_analytics.lastProperties(S("onboarding_step_validation_error")).value(S("error_message")).toString(),
                     S("Server error: Server returned status code 500"));
        }
    }

    void containerGoneBeforeTheAnswer()
    {
        signIn(S("ada@example.com"));
        auto *container = new OnboardingContainerView(m_manager, m_auth);
        container->show();
        auto *professional = toStepTwo(*container);
        type(professional->companyField(), S("Engines"));
        m_s.api->setReply(Endpoint::CreateProfile, 200, kAccepted, 300);
        clickNext(professional);
        delete container;
        QTRY_COMPARE(m_s.api->count(Endpoint::CreateProfile), 1);
        QTest::qWait(500); // the answer finds nobody and changes nothing
        QCOMPARE(m_manager->authStatus(), AuthenticationStatus::needsOnboarding);
    }

    // A sign-in e-mail that fails the form's rules stays editable, so the form can be finished.
    void unusableSignInEmailIsEditable()
    {
        signIn(S("ada@localhost"));
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        auto *personal = stepOf<PersonalInfoStepView>(container);
        QVERIFY(!personal->emailField()->isReadOnly());
        type(personal->firstNameField(), S("Ada"));
        type(personal->lastNameField(), S("Lovelace"));
        QVERIFY(!personal->frame()->isNextEnabled());
        personal->next(); // the action checks again and shows the rule
        QCOMPARE(personal->errorLine(), S("Please enter a valid email address"));
        QCOMPARE(m_analytics.lastProperties(S("onboarding_step_validation_error")).value(S("error_message")).toString(),
                 S("Please enter a valid email address"));
        type(personal->emailField(), S("ada@example.com"));
        QVERIFY(personal->errorLine().isEmpty());
        QVERIFY(personal->frame()->isNextEnabled());
        clickNext(personal);
        QCOMPARE(container.viewModel()->currentStep(), 2);
    }

    void closeQuitsFromEitherStep_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("step 1") << 1;
        QTest::newRow("step 2") << 2;
    }
    void closeQuitsFromEitherStep()
    {
        QFETCH(int, step);
        signIn(S("ada@example.com"));
        int quits = 0;
        WindowUtils::setTerminator([&] { ++quits; });
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        QWidget *view = step == 2 ? static_cast<QWidget *>(toStepTwo(container)) : container.currentStepView();
        m_analytics.clear();
        QTest::mouseClick(view->findChild<QAbstractButton *>(S("closeButton")), Qt::LeftButton);
        QCOMPARE(m_analytics.eventNames(), QStringList{S("onboarding_abandoned")});
        QCOMPARE(m_analytics.lastProperties(S("onboarding_abandoned")).value(S("abandoned_at_step")).toInt(), step);
        QVERIFY(!container.isVisible());
        QTRY_COMPARE(quits, 1);
    }

    void otherStepsShowNothing()
    {
        signIn(S("ada@example.com"));
        OnboardingContainerView container(m_manager, m_auth);
        container.show();
        container.viewModel()->previousStep();
        QVERIFY(!container.currentStepView());
        container.viewModel()->nextStep();
        QVERIFY(qobject_cast<PersonalInfoStepView *>(container.currentStepView()));
    }
};

TAVO_TEST_MAIN(OnboardingContainerTest)
#include "tst_onboardingcontainer.moc"
