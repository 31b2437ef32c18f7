#pragma once
// The welcome window of the first run: greeting, newsletter sign-up, start at login, one
// recommended application and Get started. Shown as a window of its own; the main window stays
// hidden until the user clicks Get started.

#include <QImage>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "screens/welcome/NewsletterSignup.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMessageBox;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class SYFlatButton;

class StartupVC : public QWidget
{
    Q_OBJECT
public:
    // One application the welcome window can recommend. Position k of the list is promoted
    // application k of the other-apps catalogue: its row gives the installed test, the icon and
    // the link; the welcome window keeps its own texts for the first two.
    struct RecommendedApp {
        QString nameKey;     // text key of the name, or empty for the catalogue's name
        QString subtitleKey; // text key of the subtitle, or empty for the catalogue's description
    };

    // The recommendation list, in the order the rows are tried.
    static const std::array<RecommendedApp, 3> &recommendedApps();
    // The catalogue row of the application at a position (1, 2 or 3); 0 for other positions.
    static int recommendedAppRow(int position);
    // The link of the application at a position (1, 2 or 3); nothing for other positions.
    static std::optional<QUrl> recommendedAppStoreURL(int position);
    // The icon of the application at a position (1, 2 or 3).
    static QImage recommendedAppIcon(int position);

    explicit StartupVC(QWidget *parent = nullptr);
    ~StartupVC() override;

    // Outlets.
    QLabel *imgViewRecommendedApp = nullptr;
    QPushButton *btnSubscribe = nullptr;
    QPushButton *btnAppstore = nullptr;
    SYFlatButton *btnGetstarted = nullptr;
    QLineEdit *txtfield = nullptr;
    QCheckBox *btncheckbox = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblSubTitle = nullptr;
    QLabel *lblThankYouForDownloading = nullptr;
    QLabel *lblRecommendedFreeApp = nullptr;
    QLabel *lblRecommendedAppName = nullptr;
    QLabel *lblRecommendedAppSubTitle = nullptr;
    QLabel *lblJoinToOurFreeNewsletter = nullptr;
    QLabel *lblStartTWKOnStartup = nullptr;
    QFrame *boxRecommendedApp = nullptr;
    QFrame *boxNonRecommendedApp = nullptr;
    std::array<QLabel *, 4> imgViewNonRecomm{};
    std::array<QLabel *, 4> lblNonRecomm{};

    // Position (1, 2 or 3) of the application shown, 0 when none is shown.
    qint64 isRecommended = 0;

    // Actions.
    void btnGetStarted();
    void btnSubscribeAction();
    void btncheckboxAction(bool checked);
    void btnAppStore();

    // Fills the recommendation area with the first application that is not installed. The test
    // is platform::isAppInstalled unless another one is given (tests do).
    void fillRecommendation(const std::function<bool(const QString &)> &isInstalled = {});

    void validateAndSubscribe();
    void sendSubscription();
    // The end of one request: `errorText` is empty when the service answered with `body`.
    // `email` is the address that request carried.
    void handleSubscriptionResponse(const QByteArray &body, const QString &errorText, const QString &email);
    void showWelcomeAlert(const QString &messageText, const QString &informativeText);

    // Asks the updater for updates; run 4.0 seconds after Get started.
    void checkForUpdate();

    // The newsletter service address; our own by default (tests point it at a closed local port).
    QString newsletterBaseAddress() const { return m_newsletterBaseAddress; }
    void setNewsletterBaseAddress(const QString &address) { m_newsletterBaseAddress = address; }

    // Requests sent and not yet answered.
    int pendingRequests() const { return m_pendingRequests; }
    // The alert on screen, if any.
    QMessageBox *alert() const;

    // What Get started does outside this window (show the main window with the home screen,
    // enable the Preferences and update menu items). The application delegate sets it.
    static void setGetStartedHandler(std::function<void()> handler);
    // What the delayed update check does; the application delegate sets it.
    static void setCheckForUpdateHandler(std::function<void()> handler);

signals:
    // An alert of this window was put on screen (texts as shown).
    void welcomeAlertShown(const QString &messageText, const QString &informativeText);
    // A subscription request ended, answered or not.
    void subscriptionFinished();

private:
    void buildView();
    void loadTexts();
    void showAlert(const Newsletter::Alert &alert, const QString &email);

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QMessageBox> m_alert;
    QString m_newsletterBaseAddress;
    int m_pendingRequests = 0;
};
