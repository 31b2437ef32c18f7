#pragma once
// The About screen: logo, name, description, legal texts, version and the links to the uninstall
// instructions, the licence agreement and the privacy policy. It is slid in over the home screen
// while the application is in pop-up mode; its close button ends pop-up mode and slides it away.

#include <QUrl>
#include <QWidget>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class HyperlinkTextField;

// Pages of our web site that the About screen opens; absent when the address is not valid.
std::optional<QUrl> eulaPageURL();
std::optional<QUrl> privacyPolicyPageURL();
std::optional<QUrl> uninstallInstructionsPageURL();

class AboutVC : public QWidget
{
    Q_OBJECT
public:
    explicit AboutVC(QWidget *parent = nullptr);

    QLabel *imgView = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblTWKHelpsYouFind = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblAllRightsReserved = nullptr;
    HyperlinkTextField *lblUnInstallInstructions = nullptr;
    HyperlinkTextField *lblEULA = nullptr;
    HyperlinkTextField *lblPrivacyPolicy = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblVersionCap = nullptr;
    QLabel *lblWarningThisComputerProgramIsProtected = nullptr;
    QFrame *box1Condition = nullptr;
    QFrame *box2Condition = nullptr;
    QPushButton *btnClose = nullptr;

    // Ends pop-up mode and slides the screen away.
    void tappedClose();

    // Opens a page in the browser when its address exists.
    static void openLinkPage(const std::optional<QUrl> &page);

protected:
    void showEvent(QShowEvent *event) override;
};
