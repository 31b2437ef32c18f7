// The welcome window: start at login, the recommendation, the e-mail checks and the sign-up request
// against a closed local port.
#include "screens/welcome/WelcomeFixtures.h"

#include "screens/promotion/OtherAppsCatalog.h"
#include "screens/welcome/StartupVC.h"
#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/LoginItems.h"
#include "platform/widgets/WindowController.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTcpServer>

using platform::LoginItems;
using platform::UserDefaults;

namespace {

struct ShownAlert {
    QString message;
    QString informative;
};

class StartupWindow : public WelcomeTest
{
protected:
    void SetUp() override
    {
        WelcomeTest::SetUp();
        startup = std::make_unique<StartupVC>();
        QObject::connect(startup.get(), &StartupVC::welcomeAlertShown, startup.get(),
                         [this](const QString &message, const QString &informative) {
                             alerts.append({message, informative});
                         });
    }

    void TearDown() override
    {
        startup.reset();
        WelcomeTest::TearDown();
    }

    // Closes the alert on screen with its one button, as the user would.
    void acknowledgeAlert()
    {
        QMessageBox *box = startup->alert();
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 1);
        box->buttons().first()->click();
    }

    // An address on this machine where nothing listens.
    static QString closedLocalAddress()
    {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, 0))
            return {};
        const quint16 port = server.serverPort();
        server.close();
        return QStringLiteral("https://127.0.0.1:%1").arg(port);
    }

    std::unique_ptr<StartupVC> startup;
    QList<ShownAlert> alerts;
};

} // namespace

TEST_F(StartupWindow, LoadingLeavesStartAtLoginAsItIs)
{
    EXPECT_FALSE(startup->btncheckbox->isChecked());
    EXPECT_FALSE(UserDefaults::standard().contains("LoginStartStatusTWK"));
    EXPECT_FALSE(LoginItems::contains());

    UserDefaults::standard().setBool("LoginStartStatusTWK", true);
    StartupVC second;
    EXPECT_TRUE(second.btncheckbox->isChecked());
    EXPECT_FALSE(LoginItems::contains()); // showing the choice writes no autostart entry
    EXPECT_TRUE(UserDefaults::standard().boolForKey("LoginStartStatusTWK"));
}

TEST_F(StartupWindow, CheckBoxAddsAndRemovesTheAutostartEntry)
{
    startup->btncheckbox->click();
    EXPECT_TRUE(startup->btncheckbox->isChecked());
    EXPECT_TRUE(LoginItems::contains());
    EXPECT_TRUE(UserDefaults::standard().holdsBool("LoginStartStatusTWK"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("LoginStartStatusTWK"));

    startup->btncheckbox->click();
    EXPECT_FALSE(startup->btncheckbox->isChecked());
    EXPECT_FALSE(LoginItems::contains());
    EXPECT_TRUE(UserDefaults::standard().holdsBool("LoginStartStatusTWK"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey("LoginStartStatusTWK"));
}

TEST_F(StartupWindow, RecommendsTheFirstPromotedApplicationNotInstalled)
{
    // The same rows, links and installed test as the other-apps catalogue: the three positions
    // are promoted applications 1 to 3, and any of a row's desktop ids counts as installed.
    DesktopEntries entries(m_dir.path());
    startup->fillRecommendation();
    EXPECT_EQ(startup->isRecommended, 1);
    EXPECT_EQ(startup->lblRecommendedAppName->text(), localizedText("IDS_TWK_312"));
    EXPECT_FALSE(startup->lblRecommendedAppName->text().isEmpty());
    EXPECT_FALSE(startup->imgViewRecommendedApp->pixmap().isNull());

    entries.install(OtherAppsCatalog::row(StartupVC::recommendedAppRow(1))->desktopIds.last());
    startup->fillRecommendation();
    EXPECT_EQ(startup->isRecommended, 2);
    EXPECT_EQ(startup->lblRecommendedAppSubTitle->text(), localizedText("IDS_TWK_330"));

    entries.install(OtherAppsCatalog::row(StartupVC::recommendedAppRow(2))->desktopIds.first());
    startup->fillRecommendation();
    EXPECT_EQ(startup->isRecommended, 3);
    const OtherAppsCatalog::App *third = OtherAppsCatalog::row(StartupVC::recommendedAppRow(3));
    EXPECT_EQ(startup->lblRecommendedAppName->text(), third->name);
    EXPECT_EQ(startup->lblRecommendedAppSubTitle->text(), third->description);
    EXPECT_EQ(startup->imgViewRecommendedApp->pixmap().toImage().size(), QSize(56, 56) * startup->devicePixelRatioF());
    EXPECT_FALSE(startup->boxRecommendedApp->isHidden());
    EXPECT_TRUE(startup->boxNonRecommendedApp->isHidden());

    startup->btnAppstore->click();
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened.first(), *OtherAppsCatalog::promotedAppLink(3));
    EXPECT_EQ(startup->isRecommended, 3);
}

TEST_F(StartupWindow, AllInstalledShowsTheAlternativeBoxAndStoreDoesNothing)
{
    startup->fillRecommendation([](const QString &) { return true; });
    EXPECT_EQ(startup->isRecommended, 0);
    EXPECT_TRUE(startup->boxRecommendedApp->isHidden());
    EXPECT_FALSE(startup->boxNonRecommendedApp->isHidden());
    EXPECT_TRUE(startup->lblThankYouForDownloading->isHidden());
    for (QLabel *line : startup->lblNonRecomm)
        EXPECT_FALSE(line->text().isEmpty());
    startup->btnAppStore();
    EXPECT_TRUE(urls.opened.isEmpty());
}

TEST_F(StartupWindow, LinksAndIconsAreThoseOfTheFirstThreePromotedApplications)
{
    EXPECT_FALSE(StartupVC::recommendedAppStoreURL(0));
    EXPECT_FALSE(StartupVC::recommendedAppStoreURL(4));
    EXPECT_EQ(StartupVC::recommendedAppRow(4), 0);
    QSet<int> rows;
    for (int position = 1; position <= 3; ++position) {
        const auto url = StartupVC::recommendedAppStoreURL(position);
        ASSERT_TRUE(url);
        EXPECT_EQ(*url, *OtherAppsCatalog::promotedAppLink(position));
        EXPECT_EQ(StartupVC::recommendedAppRow(position), OtherAppsCatalog::promotedRow(position));
        EXPECT_NE(StartupVC::recommendedAppRow(position), 2); // never this program itself
        rows.insert(StartupVC::recommendedAppRow(position));
        EXPECT_FALSE(StartupVC::recommendedAppIcon(position).isNull());
    }
    EXPECT_EQ(rows.size(), 3);
}

TEST_F(StartupWindow, EmptyOrMalformedAddressIsRefusedAndFieldCleared)
{
    startup->btnSubscribe->click();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, localizedText("IDS_TWK_318"));
    EXPECT_EQ(alerts[0].informative, localizedText("IDS_TWK_319"));
    EXPECT_EQ(startup->pendingRequests(), 0);
    acknowledgeAlert();

    startup->txtfield->setText(" anna@example.org");
    startup->btnSubscribe->click();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[1].message, localizedText("IDS_TWK_320"));
    EXPECT_EQ(alerts[1].informative, localizedText("IDS_TWK_319"));
    EXPECT_EQ(startup->pendingRequests(), 0);
    acknowledgeAlert();
    EXPECT_TRUE(startup->txtfield->text().isEmpty());
}

TEST_F(StartupWindow, NoServerGivesTheFailureMessage)
{
    const QString address = closedLocalAddress();
    ASSERT_FALSE(address.isEmpty());
    startup->setNewsletterBaseAddress(address);
    startup->txtfield->setText("anna@example.org");
    bool finished = false;
    QObject::connect(startup.get(), &StartupVC::subscriptionFinished, startup.get(), [&] { finished = true; });

    startup->btnSubscribe->click();
    EXPECT_EQ(startup->pendingRequests(), 1);
    EXPECT_TRUE(alerts.isEmpty()); // the answer comes later, the window stays responsive
    ASSERT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return finished; }, 20000));

    EXPECT_EQ(startup->pendingRequests(), 0);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, localizedText("IDS_TWK_321"));
    EXPECT_EQ(alerts[0].informative, localizedText("IDS_TWK_322"));
    acknowledgeAlert();
    EXPECT_TRUE(startup->txtfield->text().isEmpty());
}

TEST_F(StartupWindow, AnswersOfTheServiceChooseTheAlert)
{
    startup->txtfield->setText("Anna+news@example.org");
    startup->handleSubscriptionResponse("1", QString(), "Anna+news@example.org");
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts[0].message, localizedText("IDS_TWK_323"));
    EXPECT_EQ(alerts[0].informative, substitutePlaceholders(localizedText("IDS_TWK_324"), {"Anna+news@example.org"}));
    EXPECT_TRUE(alerts[0].informative.contains("Anna+news@example.org"));
    acknowledgeAlert();
    EXPECT_TRUE(startup->txtfield->text().isEmpty());

    for (const QByteArray &body : {QByteArray("3"), QByteArray("\"1\""), QByteArray()})
        startup->handleSubscriptionResponse(body, QString(), "anna@example.org");
    EXPECT_EQ(alerts.size(), 1);
    // An answer not understood is logged escaped: the server can neither steer the terminal nor
    // forge a line.
    static QStringList logged;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &line) { logged << line; });
    startup->handleSubscriptionResponse("\x1b[2J\nforged", QString(), "anna@example.org");
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged.join('\n').toStdString(), "Newsletter answer not understood: \\x1b[2J\\x0aforged");

    startup->handleSubscriptionResponse("2", QString(), "anna@example.org");
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[1].message, localizedText("IDS_TWK_325"));
    acknowledgeAlert();
}

TEST_F(StartupWindow, BaseAddressThatIsNotHttpsSendsNothing)
{
    startup->setNewsletterBaseAddress("http://127.0.0.1:9");
    startup->txtfield->setText("anna@example.org");
    startup->btnSubscribe->click();
    EXPECT_EQ(startup->pendingRequests(), 0);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(startup->txtfield->text(), "anna@example.org");
}

TEST_F(StartupWindow, GetStartedRecordsTheWelcomeAndClosesTheWindow)
{
    EXPECT_EQ(startup->newsletterBaseAddress(), QString::fromLatin1(Newsletter::kBaseAddress));
    startup->show();
    ASSERT_TRUE(startup->isVisible());
    int handed = 0;
    StartupVC::setGetStartedHandler([&] { ++handed; });
    startup->btnGetstarted->click();
    StartupVC::setGetStartedHandler({});

    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(startup->isVisible());

    // Inside its window controller the window closes and keeps its content.
    platform::WindowController window;
    auto *hosted = new StartupVC;
    window.setContentViewController(hosted);
    window.showWindow();
    hosted->btnGetStarted();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.contentViewController(), hosted);
    EXPECT_TRUE(UserDefaults::standard().holdsBool("StartupTWK"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey("StartupTWK"));
}

TEST_F(StartupWindow, TextsComeFromTheLanguageTable)
{
    EXPECT_EQ(startup->lblTitle->text(), localizedText("IDS_TWK_1"));
    EXPECT_EQ(startup->btnSubscribe->text(), localizedText("IDS_TWK_315"));
    EXPECT_EQ(startup->lblStartTWKOnStartup->text(), localizedText("IDS_TWK_316"));
    EXPECT_FALSE(startup->lblJoinToOurFreeNewsletter->text().isEmpty());
    EXPECT_FALSE(startup->btnAppstore->icon().isNull());
}
