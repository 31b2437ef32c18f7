#pragma once

#include "screens/results/DimmingBox.h"

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;
class RecommendedAppPanel;
class SYFlatButton;

// The summary shown after a deletion: how many files went to the Trash and the space that freed,
// how many Photos items went to the album, or, when result groups remain, how many files are still
// listed. From it the user goes back to the remaining results (final output) or home, opens the
// maker's social pages, or follows the recommended-app panel (boxRecommendedApp, filled by the
// promotion). The deletion flow sets the three flags and the module texts before it posts
// "presentAfterDeleteView"; the screen fills itself from them every time it is shown.
class AfterDeleteStatusVC : public QWidget
{
    Q_OBJECT
public:
    explicit AfterDeleteStatusVC(QWidget *parent = nullptr);

    bool isResult = false;       // result groups remain
    bool isPhotoLibrary = false; // Photos items were put into the album
    bool isTrashed = false;      // files went to the Trash
    int isRecommended = 0;       // product shown in the recommended-app panel, 0 for none

    // ---- outlets
    QLabel *imgViewTitle = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *imgViewStatus = nullptr;
    QLabel *lblTotalItemsFound = nullptr;
    QLabel *lblStatusTotoalItems = nullptr;
    QLabel *lblTotalSize = nullptr;
    QLabel *lblSpaceRecovered = nullptr;
    QLabel *lblSearchnremoveduplicate = nullptr;
    QLabel *lblFollowUs = nullptr;
    QPushButton *btnTwitter = nullptr;
    QPushButton *btnFacebook = nullptr;
    QPushButton *btnFinalOutput = nullptr;
    QLabel *lblFinalOutputStatus = nullptr;
    SYFlatButton *btnBackToHome = nullptr;
    QLabel *lblFinalOutput = nullptr;
    QLabel *lblTwitter = nullptr;
    QLabel *lblFacebook = nullptr;
    QLabel *lblBackToHome = nullptr;
    QLabel *imgViewFacebook = nullptr;
    QLabel *imgViewTwitter = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr; // dims the screen while the after-move sheet is up
    // The recommended-app panel's place; its content belongs to the promotion.
    QFrame *boxRecommendedApp = nullptr;
    QPushButton *btnAppStore = nullptr;
    // The content of boxRecommendedApp.
    RecommendedAppPanel *recommendedAppPanel = nullptr;
    // The space above the Back to Home row: small while the panel below the row is shown, larger
    // when it is hidden, so the row moves down into the panel's place.
    QSpacerItem *constantTopBackToHome = nullptr;

    // Fills the recommended-app panel (every summary update); its button opens the shown link.
    void showRecommendedApp();
    void clickedAppStore();

    // Fills the screen from the flags and the texts of the last deletion.
    void updateDeletionSummary();
    void viewWillAppear();
    // Disables the buttons, shows the dark layer and asks for the after-move sheet.
    void presentAfterMoveInPhotoLibrary();
    // Gives the buttons back (the after-move sheet calls it as it closes).
    void enableAfterDeleteButtons();

    void tappedFinalOutput();
    void tappedBackToHome();
    void tappedFacebook();
    void tappedTwitter();

    // The word for a count text: singular for "1", plural otherwise (also for a text that is no
    // number); photos or, when the results held a video, files.
    static QString wordForCount(const QString &countText);

protected:
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void dismissOverlay();
    // Gives the final-output button the focus unless it already is on a control of the summary.
    void focusDefaultButton();
    QVBoxLayout *m_recommendedLayout = nullptr;
    // Show Results will show groups: some remain at the level after the deletion.
    bool m_resultsWillShow = false;
};
