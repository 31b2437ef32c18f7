#pragma once

#include "screens/results/DimmingBox.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The screen that says that no duplicate or similar photos were found, with the way back to the
// home screen.
class NoSimilarDuplicatePhotosFoundVC : public QWidget {
    Q_OBJECT
public:
    explicit NoSimilarDuplicatePhotosFoundVC(QWidget *parent = nullptr);

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QLabel *imgView = nullptr;
    QLabel *lblNoSimilarDuplicatePhotosFound = nullptr;
    QLabel *lblPleaseGoBackToTheHome = nullptr;
    QPushButton *btnBack = nullptr;
    QWidget *boxBack = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr;

    // True while the screen stands inside the results screen (a scan had results), false while it
    // is an overlay of the home screen.
    bool isPresented = false;

    // Chooses the form from the scan sheet's result and fills the message.
    void viewWillAppear();
    void clickedBack();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};
