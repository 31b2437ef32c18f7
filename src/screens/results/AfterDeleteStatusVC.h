#pragma once

#include "screens/results/DimmingBox.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The summary shown after a deletion: what went to the Trash and what went to the Photos album,
// with the way back to the results (when groups are left) or to the home screen.
class AfterDeleteStatusVC : public QWidget {
    Q_OBJECT
public:
    explicit AfterDeleteStatusVC(QWidget *parent = nullptr);

    bool isTrashed = false;      // files went to the Trash
    bool isPhotoLibrary = false; // Photos items were put into the album
    bool isResult = false;       // result groups are left

    // ---- outlets
    QLabel *lblTitle = nullptr;
    QLabel *lblTrashed = nullptr;
    QLabel *lblPhotosMoved = nullptr;
    QLabel *lblNote = nullptr;
    QPushButton *btnBackToHome = nullptr;
    QPushButton *btnShowResults = nullptr;
    DimmingBox *boxTopBlackLayer = nullptr; // dims the screen while a sheet is up

    // Fills the texts from the last deletion.
    void viewWillAppear();
    // Gives the buttons back after an overlay over this screen closed.
    void enableAfterDeleteButtons();

    void clickedBackToHome();
    void clickedShowResults();

protected:
    void showEvent(QShowEvent *event) override;
};
