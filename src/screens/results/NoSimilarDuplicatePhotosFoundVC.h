#pragma once

#include "screens/results/DimmingBox.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;
class QFrame;

// The screen that says that no duplicate or similar photos were found. Two forms:
//  - an overlay of the home screen (a scan found nothing, or the last group was removed): a Back
//    button, no sliders;
//  - put over the results screen when a regrouping left no group: two matching-level sliders that
//    regroup the scan's groups at once; when groups come back the screen takes itself away.
// It repeats the look of the results screen's toolbar as pictures and captions only.
class NoSimilarDuplicatePhotosFoundVC : public QWidget
{
    Q_OBJECT
public:
    explicit NoSimilarDuplicatePhotosFoundVC(QWidget *parent = nullptr);

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QPushButton *btnBackToHome = nullptr;
    QLabel *imgView = nullptr;
    QLabel *lblNoSimilarDuplicatePhotosFound = nullptr;
    QLabel *lblPleaseGoBackToTheHome = nullptr;
    QPushButton *btnBack = nullptr;
    QLabel *lblCapMatchingLevel = nullptr;
    QLabel *lblValueMatchingLevel = nullptr;
    QLabel *lblMatchingLevelCapTop = nullptr;
    QLabel *lblMatchingLevelValueTop = nullptr;
    QSlider *sliderView = nullptr;
    QSlider *sliderViewTop = nullptr;
    QLabel *lblBack = nullptr;
    QFrame *boxBack = nullptr;
    QLabel *lblBackToHome = nullptr;
    QLabel *lblAutoSelect = nullptr;
    QLabel *lblUnselectAll = nullptr;
    QLabel *lbl0Of0SelectedIn0Group = nullptr;
    QLabel *lblSelectionWizard = nullptr;
    QLabel *lblThumbnailView = nullptr;
    QLabel *lblListView = nullptr;
    QLabel *imgViewBackToHome = nullptr;
    QLabel *imgViewTitle = nullptr;
    QLabel *imgViewSelectionWizard = nullptr;
    QLabel *imgViewThumbnailView = nullptr;
    QLabel *imgViewListView = nullptr;
    QLabel *imgViewRadioSelect = nullptr;
    QLabel *imgViewRadioUnselect = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr;

    // True while the screen stands inside the results screen with its sliders, false while it is
    // an overlay of the home screen.
    bool isPresented = false;

    // Chooses the form and fills the message.
    void viewWillAppear();
    // Both sliders on the position of the current matching level, with their captions.
    void syncSlidersWithThreshold();
    // Regroups the scan's groups at the level of `position` (1..6).
    void sliderViewValues(int position);
    void clickedBack();
    void clickedBackToHome();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void leave();
    void setSliderControlsVisible(bool visible);
};
