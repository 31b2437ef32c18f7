#include "screens/welcome/StartupVC.h"

#include "screens/promotion/OtherAppsCatalog.h"
#include "screens/shell/Theme.h"
#include "screens/welcome/WelcomePictures.h"
#include "screens/welcome/WelcomeStyle.h"
#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/LoginItems.h"
#include "platform/UserDefaults.h"
#include "platform/Log.h"
#include "platform/widgets/Alerts.h"
#include "platform/widgets/WindowController.h"
#include "platform/widgets/Workspace.h"
#include "services/LaunchOnStartup.h"
#include "model/SettingsKeys.h"
#include "model/Palette.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QVBoxLayout>

using platform::UserDefaults;

namespace {

std::function<void()> &getStartedHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::function<void()> &checkForUpdateHandler()
{
    static std::function<void()> handler;
    return handler;
}

QString textOf(const QString &key, const QString &literal)
{
    return key.isEmpty() ? literal : localizedText(key);
}

// The picture at `side` points, drawn with the screen's pixel ratio so it stays sharp when scaled.
QPixmap pixmapOf(const QImage &image, int side, qreal ratio = 1.0)
{
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap =
        QPixmap::fromImage(image.scaled(QSize(side, side) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QFrame *makeBox(QWidget *parent)
{
    auto *box = new QFrame(parent);
    box->setObjectName(QStringLiteral("welcomeBox"));
    box->setStyleSheet(QStringLiteral("QFrame#welcomeBox { background: " TWINSIFT_PANEL_BACKGROUND_CSS "; "
                                      "border: 1px solid " TWINSIFT_FRAME_CSS "; border-radius: 8px; }"));
    return box;
}

} // namespace

const std::array<StartupVC::RecommendedApp, 3> &StartupVC::recommendedApps()
{
    // The first three promoted applications of the catalogue; the first two with the welcome
    // window's own texts, the third with the catalogue's.
    static const std::array<RecommendedApp, 3> apps = {{
        {QStringLiteral("IDS_TWK_312"), QStringLiteral("IDS_TWK_313_1")},
        {QStringLiteral("IDS_TWK_329"), QStringLiteral("IDS_TWK_330")},
        {QString(), QString()},
    }};
    return apps;
}

int StartupVC::recommendedAppRow(int position)
{
    if (position < 1 || position > int(recommendedApps().size()))
        return 0;
    return OtherAppsCatalog::promotedRow(position);
}

std::optional<QUrl> StartupVC::recommendedAppStoreURL(int position)
{
    if (position < 1 || position > int(recommendedApps().size()))
        return std::nullopt;
    return OtherAppsCatalog::promotedAppLink(position);
}

QImage StartupVC::recommendedAppIcon(int position)
{
    return OtherAppsCatalog::rowIcon(recommendedAppRow(position));
}

void StartupVC::setGetStartedHandler(std::function<void()> handler)
{
    getStartedHandler() = std::move(handler);
}

void StartupVC::setCheckForUpdateHandler(std::function<void()> handler)
{
    checkForUpdateHandler() = std::move(handler);
}

StartupVC::StartupVC(QWidget *parent)
    : QWidget(parent)
    , m_newsletterBaseAddress(QString::fromLatin1(Newsletter::kBaseAddress))
{
    setObjectName(QStringLiteral("Startup"));
    buildView();
    btnAppstore->setIcon(QIcon(QPixmap::fromImage(WelcomePictures::storeBadge())));
    btnAppstore->setIconSize(QSize(200, 52));
    // The three buttons show the pointing hand while the pointer is over them.
    for (QWidget *button : {static_cast<QWidget *>(btnSubscribe), static_cast<QWidget *>(btnAppstore),
                            static_cast<QWidget *>(btnGetstarted)})
        button->setCursor(Qt::PointingHandCursor);
    loadTexts();
    fillRecommendation();
    // Loading the window leaves start at login as it is; the check box shows the stored choice and
    // only a click on it changes anything.
    btncheckbox->setChecked(UserDefaults::standard().boolForKey(SettingsKey::loginStartStatus));
}

StartupVC::~StartupVC() = default;

void StartupVC::buildView()
{
    WelcomeStyle::applyDarkPalette(this);
    setMinimumSize(760, 500);
    resize(760, 500);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(36, 30, 36, 26);
    root->setSpacing(0);

    // Greeting.
    auto *header = new QHBoxLayout;
    header->setSpacing(18);
    auto *logo = new QLabel(this);
    logo->setPixmap(pixmapOf(WelcomePictures::logo(), 84, devicePixelRatioF()));
    logo->setFixedSize(88, 88);
    header->addWidget(logo, 0, Qt::AlignTop);
    auto *greeting = new QVBoxLayout;
    greeting->setSpacing(4);
    lblTitle = WelcomeStyle::makeLabel(this, 24, true);
    lblSubTitle = WelcomeStyle::makeLabel(this, 13, false, Palette::white, true);
    lblThankYouForDownloading = WelcomeStyle::makeLabel(this, 11, false, Palette::secondaryText, true);
    greeting->addWidget(lblTitle);
    greeting->addWidget(lblSubTitle);
    greeting->addWidget(lblThankYouForDownloading);
    header->addLayout(greeting, 1);
    header->setAlignment(greeting, Qt::AlignTop);
    root->addLayout(header);
    root->addSpacing(22);

    // Recommendation.
    boxRecommendedApp = makeBox(this);
    auto *recommended = new QVBoxLayout(boxRecommendedApp);
    recommended->setContentsMargins(18, 14, 18, 14);
    recommended->setSpacing(10);
    lblRecommendedFreeApp = WelcomeStyle::makeLabel(boxRecommendedApp, 10, true, Palette::gold);
    recommended->addWidget(lblRecommendedFreeApp);
    auto *appRow = new QHBoxLayout;
    appRow->setSpacing(14);
    imgViewRecommendedApp = new QLabel(boxRecommendedApp);
    imgViewRecommendedApp->setFixedSize(56, 56);
    imgViewRecommendedApp->setAlignment(Qt::AlignCenter);
    appRow->addWidget(imgViewRecommendedApp);
    auto *appTexts = new QVBoxLayout;
    appTexts->setSpacing(2);
    lblRecommendedAppName = WelcomeStyle::makeLabel(boxRecommendedApp, 14, true);
    lblRecommendedAppSubTitle = WelcomeStyle::makeLabel(boxRecommendedApp, 11, false, Palette::secondaryText, true);
    appTexts->addStretch();
    appTexts->addWidget(lblRecommendedAppName);
    appTexts->addWidget(lblRecommendedAppSubTitle);
    appTexts->addStretch();
    appRow->addLayout(appTexts, 1);
    btnAppstore = new QPushButton(boxRecommendedApp);
    btnAppstore->setFlat(true);
    btnAppstore->setFocusPolicy(Qt::TabFocus);
    btnAppstore->setStyleSheet(QStringLiteral("QPushButton { border: 2px solid transparent; border-radius: 6px; "
                                              "background: transparent; padding: 0; }"
                                              "QPushButton:focus { border-color: " TWINSIFT_GOLD_CSS "; }"));
    appRow->addWidget(btnAppstore, 0, Qt::AlignVCenter);
    recommended->addLayout(appRow);
    root->addWidget(boxRecommendedApp);

    // Alternative box: four lines about the application, shown when nothing is recommended.
    boxNonRecommendedApp = makeBox(this);
    auto *lines = new QGridLayout(boxNonRecommendedApp);
    lines->setContentsMargins(18, 14, 18, 14);
    lines->setHorizontalSpacing(10);
    lines->setVerticalSpacing(10);
    for (int i = 0; i < 4; ++i) {
        imgViewNonRecomm[i] = new QLabel(boxNonRecommendedApp);
        imgViewNonRecomm[i]->setFixedSize(24, 24);
        lblNonRecomm[i] = WelcomeStyle::makeLabel(boxNonRecommendedApp, 11, false, Palette::white, true);
        lines->addWidget(imgViewNonRecomm[i], i / 2, (i % 2) * 2);
        lines->addWidget(lblNonRecomm[i], i / 2, (i % 2) * 2 + 1);
    }
    lines->setColumnStretch(1, 1);
    lines->setColumnStretch(3, 1);
    root->addWidget(boxNonRecommendedApp);
    root->addSpacing(18);

    // Newsletter.
    auto *newsletter = makeBox(this);
    auto *newsletterLayout = new QVBoxLayout(newsletter);
    newsletterLayout->setContentsMargins(18, 14, 18, 16);
    newsletterLayout->setSpacing(10);
    lblJoinToOurFreeNewsletter = WelcomeStyle::makeLabel(newsletter, 12, true, Palette::white, true);
    newsletterLayout->addWidget(lblJoinToOurFreeNewsletter);
    auto *entryRow = new QHBoxLayout;
    entryRow->setSpacing(10);
    txtfield = new QLineEdit(newsletter);
    txtfield->setMinimumHeight(32);
    txtfield->setPlaceholderText(QStringLiteral("name@example.org"));
    txtfield->setStyleSheet(QStringLiteral(
        "QLineEdit { background: " TWINSIFT_FIELD_BACKGROUND_CSS "; color: " TWINSIFT_WHITE_CSS "; border: 1px"
        " solid " TWINSIFT_FRAME_CSS "; "
        "border-radius: 5px; padding: 4px 8px; selection-background-color: " TWINSIFT_GOLD_CSS "; }"
        "QLineEdit:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
    entryRow->addWidget(txtfield, 1);
    btnSubscribe = new QPushButton(newsletter);
    btnSubscribe->setMinimumHeight(32);
    btnSubscribe->setMinimumWidth(110);
    btnSubscribe->setStyleSheet(QStringLiteral("QPushButton { background: " TWINSIFT_CELL_BORDER_CSS
                                               "; color: " TWINSIFT_WHITE_CSS "; border: 1px solid"
                                               " rgb(99, 99, 99); "
                                               "border-radius: 5px; padding: 4px 16px; }"
                                               "QPushButton:hover { background: rgb(84, 84, 84); }"
                                               "QPushButton:pressed { background: " TWINSIFT_BUTTON_FACE_CSS "; }"
                                               "QPushButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
    entryRow->addWidget(btnSubscribe);
    newsletterLayout->addLayout(entryRow);
    root->addWidget(newsletter);
    root->addStretch(1);
    root->addSpacing(16);

    // Start at login and Get started.
    auto *footer = new QHBoxLayout;
    footer->setSpacing(8);
    btncheckbox = new QCheckBox(this);
    // The box is gold when ticked, so the focus is a ring around it rather than its own edge.
    btncheckbox->setStyleSheet(QStringLiteral(
        "QCheckBox { border: 2px solid transparent; border-radius: 5px; padding: 1px; }"
        "QCheckBox:focus { border-color: " TWINSIFT_GOLD_CSS "; }"
        "QCheckBox::indicator { width: 16px; height: 16px; border: 1px solid " TWINSIFT_DISABLED_TEXT_CSS "; "
        "border-radius: 3px; background: " TWINSIFT_FIELD_BACKGROUND_CSS "; }"
        "QCheckBox::indicator:checked { background: " TWINSIFT_GOLD_CSS "; border: 1px solid " TWINSIFT_GOLD_CSS "; "
        "image: url(:/images/welcome-check.png); }"));
    footer->addWidget(btncheckbox);
    lblStartTWKOnStartup = WelcomeStyle::makeLabel(this, 11, false, Palette::white);
    lblStartTWKOnStartup->setBuddy(btncheckbox);
    footer->addWidget(lblStartTWKOnStartup);
    footer->addStretch(1);
    btnGetstarted = new SYFlatButton(this);
    btnGetstarted->setMomentary(true);
    btnGetstarted->setCornerRadius(6);
    btnGetstarted->setBackgroundNormalColor(Palette::gold);
    btnGetstarted->setBackgroundHighlightColor(Palette::gold.lighter(115));
    btnGetstarted->setTitleNormalColor(Palette::windowBackground);
    btnGetstarted->setTitleHighlightColor(Palette::windowBackground);
    btnGetstarted->setBorderNormalColor(Palette::gold);
    btnGetstarted->setBorderHighlightColor(Palette::gold.lighter(115));
    btnGetstarted->setOnAnimateDuration(0.1);
    btnGetstarted->setOffAnimateDuration(0.2);
    QFont buttonFont = font();
    buttonFont.setPointSizeF(13);
    buttonFont.setBold(true);
    btnGetstarted->setTitleFont(buttonFont);
    btnGetstarted->setFixedSize(170, 40);
    footer->addWidget(btnGetstarted);
    root->addLayout(footer);

    connect(btnGetstarted, &QAbstractButton::clicked, this, [this] { btnGetStarted(); });
    connect(btnSubscribe, &QPushButton::clicked, this, [this] { btnSubscribeAction(); });
    connect(txtfield, &QLineEdit::returnPressed, this, [this] { btnSubscribeAction(); });
    connect(btncheckbox, &QCheckBox::clicked, this, [this](bool checked) { btncheckboxAction(checked); });
    connect(btnAppstore, &QPushButton::clicked, this, [this] { btnAppStore(); });
}

void StartupVC::loadTexts()
{
    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_1")));
    setWindowTitle(lblTitle->text());
    btnGetstarted->setTitle(localizedText(QStringLiteral("IDS_TWK_317")));
    btnSubscribe->setText(localizedText(QStringLiteral("IDS_TWK_315")));
    lblSubTitle->setText(localizedText(QStringLiteral("IDS_TWK_309")));
    lblThankYouForDownloading->setText(localizedText(QStringLiteral("IDS_TWK_310")));
    lblRecommendedFreeApp->setText(localizedText(QStringLiteral("IDS_TWK_311")));
    lblJoinToOurFreeNewsletter->setText(localizedText(QStringLiteral("IDS_TWK_314")));
    lblStartTWKOnStartup->setText(localizedText(QStringLiteral("IDS_TWK_316")));
    const QPixmap icon = pixmapOf(WelcomePictures::lineIcon(), 24, devicePixelRatioF());
    static const char *lineKeys[] = {"IDS_TWK_178", "IDS_TWK_179", "IDS_TWK_180", "IDS_TWK_181"};
    for (int i = 0; i < 4; ++i) {
        imgViewNonRecomm[i]->setPixmap(icon);
        lblNonRecomm[i]->setText(localizedText(QString::fromLatin1(lineKeys[i])));
    }
}

void StartupVC::fillRecommendation(const std::function<bool(const QString &)> &isInstalled)
{
    boxRecommendedApp->setVisible(true);
    boxNonRecommendedApp->setVisible(false);
    lblThankYouForDownloading->setVisible(true);

    const auto &apps = recommendedApps();
    for (int position = 1; position <= int(apps.size()); ++position) {
        const int row = recommendedAppRow(position);
        if (OtherAppsCatalog::isRowInstalled(row, isInstalled))
            continue;
        const RecommendedApp &app = apps[size_t(position - 1)];
        const OtherAppsCatalog::App *entry = OtherAppsCatalog::row(row);
        lblRecommendedAppName->setText(textOf(app.nameKey, entry->name));
        lblRecommendedAppSubTitle->setText(textOf(app.subtitleKey, entry->description));
        imgViewRecommendedApp->setPixmap(pixmapOf(recommendedAppIcon(position), 56, devicePixelRatioF()));
        isRecommended = position;
        return;
    }

    lblThankYouForDownloading->setVisible(false);
    boxNonRecommendedApp->setVisible(true);
    boxRecommendedApp->setVisible(false);
    isRecommended = 0;
}

void StartupVC::btnGetStarted()
{
    // Written before the home window shows: showing it refreshes the menus, whose guard lets the
    // items act only once the welcome was passed.
    UserDefaults::standard().setBool(SettingsKey::startup, true);
    if (getStartedHandler())
        getStartedHandler()();
    // The welcome window is closed, not destroyed; this controller stays for the next launch step.
    if (auto *welcomeWindow = qobject_cast<platform::WindowController *>(window()))
        welcomeWindow->closeWindow();
    else
        window()->close();
    // The controller stays in the screen registry, so the delayed check still finds it.
    platform::Dispatch::mainAfter(
        4.0, [this] { checkForUpdate(); }, this);
}

void StartupVC::checkForUpdate()
{
    if (checkForUpdateHandler())
        checkForUpdateHandler()();
}

void StartupVC::btnSubscribeAction()
{
    validateAndSubscribe();
}

void StartupVC::btncheckboxAction(bool checked)
{
    platform::printLine(QStringLiteral("Start at login: %1").arg(checked ? 1 : 0));
    // The check box decides: ticked puts the application into the autostart entries, unticked
    // takes it out, and the stored choice follows what the desktop now does.
    LaunchOnStartup::addLoginItem(checked);
    const bool startsAtLogin = LaunchOnStartup::loginItemReference();
    if (startsAtLogin != checked)
        logWarning(lcScreens) << "Could not change the start-at-login entry"
                              << platform::LoginItems::autostartFilePath();
    UserDefaults::standard().setBool(SettingsKey::loginStartStatus, startsAtLogin);
    if (btncheckbox->isChecked() != startsAtLogin)
        btncheckbox->setChecked(startsAtLogin);
}

void StartupVC::btnAppStore()
{
    if (const auto url = recommendedAppStoreURL(int(isRecommended)))
        platform::Workspace::sharedWorkspace().openURLOrTell(*url);
}

void StartupVC::validateAndSubscribe()
{
    const QString email = txtfield->text();
    if (email.isEmpty()) {
        showAlert(Newsletter::emptyAddressAlert(), email);
        return;
    }
    if (!Newsletter::isValidEmailAddress(email)) {
        showAlert(Newsletter::invalidAddressAlert(), email);
        return;
    }
    sendSubscription();
}

void StartupVC::sendSubscription()
{
    const QString email = txtfield->text();
    const auto url = Newsletter::subscriptionURL(m_newsletterBaseAddress, email);
    if (!url) {
        logWarning(lcScreens) << "The newsletter address is not a valid HTTPS address:" << m_newsletterBaseAddress;
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(*url);
    request.setTransferTimeout(Newsletter::kTimeoutSeconds * 1000);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    ++m_pendingRequests;
    connect(reply, &QNetworkReply::finished, this, [this, reply, email] {
        --m_pendingRequests;
        const bool failed = reply->error() != QNetworkReply::NoError;
        handleSubscriptionResponse(failed ? QByteArray() : reply->readAll(), failed ? reply->errorString() : QString(),
                                   email);
        reply->deleteLater();
        emit subscriptionFinished();
    });
}

void StartupVC::handleSubscriptionResponse(const QByteArray &body, const QString &errorText, const QString &email)
{
    if (!errorText.isEmpty()) {
        logWarning(lcScreens) << "Newsletter request failed:" << errorText;
        // No answer (no network, refused, timed out, HTTP error) means the sign-up did not happen.
        showAlert(Newsletter::failureAlert(), email);
        return;
    }
    const auto alert = Newsletter::alertForReply(body);
    if (!alert) {
        logWarning(lcScreens) << "Newsletter answer not understood:" << QString::fromUtf8(body.left(200));
        return;
    }
    showAlert(*alert, email);
}

void StartupVC::showAlert(const Newsletter::Alert &alert, const QString &email)
{
    const QString informative = localizedText(alert.informativeKey);
    showWelcomeAlert(localizedText(alert.messageKey),
                     alert.insertsEmail ? substitutePlaceholders(informative, {email}) : informative);
}

void StartupVC::showWelcomeAlert(const QString &messageText, const QString &informativeText)
{
    if (m_alert)
        m_alert->close();
    auto *box = makeAlert(window(), QString(), QMessageBox::Warning, messageText, messageText, informativeText,
                          {{localizedText(QStringLiteral("IDS_TWK_194"))}});
    box->setWindowModality(Qt::WindowModal);
    keepAlertFrameless(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this] { txtfield->clear(); });
    m_alert = box;
    box->open();
    emit welcomeAlertShown(messageText, informativeText);
}

QMessageBox *StartupVC::alert() const
{
    return m_alert.data();
}
